// The test main of window tests: the offscreen platform unless the caller chose another, and one
// QApplication for the whole run.
#include <QApplication>
#include <cstdlib>

#include <gtest/gtest.h>

namespace testsupport {
void SetUpProcess();
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  testsupport::SetUpProcess();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  return RUN_ALL_TESTS();
}
