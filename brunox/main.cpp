#include "brunox/engine/app/BrunoxApp.h"
#ifdef BRUNOX_WITH_WINDOW
#include "brunox/ui/window/WindowStart.h"
#endif

int main(int argc, char** argv) {
  CBrunoxApp app;
#ifdef BRUNOX_WITH_WINDOW
  app.ShowMainWindow = ShowBrunoxWindow;
#endif
  app.Run(argc, argv);
  return app.ExitCode();
}
