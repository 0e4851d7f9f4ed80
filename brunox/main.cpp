#include <signal.h>

#include "brunox/engine/app/BrunoxApp.h"
#ifdef BRUNOX_WITH_WINDOW
#include "brunox/ui/window/WindowStart.h"
#endif

int main(int argc, char** argv) {
  // Neither may end a run half-way: a reader of standard output that has gone (`| head -1`)
  // leaves writes that fail and are dropped, and a file-size limit (`ulimit -f`) acts as a full
  // disk does, so the statement log ends with a whole line and the exit status tells. The
  // programs started from here get both back at their defaults (platform/Process.cpp).
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
  sigaction(SIGXFSZ, &ignore, nullptr);

  CBrunoxApp app;
#ifdef BRUNOX_WITH_WINDOW
  app.ShowMainWindow = ShowBrunoxWindow;
#endif
  app.Run(argc, argv);
  return app.ExitCode();
}
