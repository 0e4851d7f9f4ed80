#include <gtest/gtest.h>

namespace testsupport {
void SetUpProcess();
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  testsupport::SetUpProcess();
  return RUN_ALL_TESTS();
}
