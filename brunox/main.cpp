#include "brunox/engine/BrunoxApp.h"

int main(int argc, char** argv) {
  CBrunoxApp app;
  app.Run(argc, argv);
  return app.ExitCode();
}
