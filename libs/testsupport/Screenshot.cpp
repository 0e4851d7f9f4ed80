#include "testsupport/Screenshot.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace testsupport {

QString SaveScreenshot(QWidget& widget, const QString& name) {
  const QString folder = QStringLiteral(BRUNOX_SCREENSHOT_DIR);
  if (!QDir().mkpath(folder)) return {};
  if (!widget.isVisible()) widget.show();
  QApplication::processEvents();
  const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
  return widget.grab().save(path, "PNG") ? path : QString();
}

}  // namespace testsupport
