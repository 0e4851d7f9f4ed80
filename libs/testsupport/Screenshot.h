#pragma once
// Renders a widget (a page, a dialog, the whole window) to a PNG file in the build folder's
// "screenshots" folder, so that people can look at what the tests built.
#include <QString>

class QWidget;

namespace testsupport {

// Writes <build>/screenshots/<name>.png; returns the path, or "" when it could not be written.
QString SaveScreenshot(QWidget& widget, const QString& name);

}  // namespace testsupport
