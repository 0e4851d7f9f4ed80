#include "brunox/ui/window/WindowStart.h"

#include <QApplication>
#include <cstdlib>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/ui/window/BrunoxDlg.h"
#include "platform/UiServices.h"
#include "sompel/QtUi.h"

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

bool HaveDisplay() {
  return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

int ShowBrunoxWindow(CBrunoxApp& app) {
  // Qt would abort without a display; the user gets the ways out instead.
  if (!HaveDisplay()) {
    platform::Ui().MessageBox(
        L"brunox needs a display for its window (set DISPLAY, or QT_QPA_PLATFORM=offscreen), or "
        L"run a project in console mode: brunox -c project.bxp",
        L"Error", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return CBrunoxApp::kExitNotRun;
  }
  int argc = 1;
  char name[] = "brunox";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("brunox"));
  QtUiServices ui;
  // Offscreen, no one sees a dialog: messages go to standard error instead of waiting forever.
  QtUiServices::SetUnattended(QGuiApplication::platformName() == QStringLiteral("offscreen"));
  CBrunoxDlg window(app);
  ui.SetParent(&window);
  window.show();
  application.exec();
  return window.ExitStatus();
}
