#pragma once
// Tests that drive a reach past the machine end to end (a pattern naming a far host, say) and
// show that it is refused. They run only where refusing is all that can happen even if the
// refusal were wrong: in a network namespace whose only interface is the loopback one. Outside
// such a namespace the test runs itself again inside one (unshare), and is skipped, saying why,
// where the kernel allows none.
#include <string>

namespace testsupport {

// True when the only network interface this process sees is the loopback one.
bool InLoopbackOnlyNetwork();

struct LoopbackOnlyRun {
  bool ran = false;  // false: no namespace could be made; `output` says why
  int exitCode = -1;
  std::string output;  // standard output and error of the test executable
};
// Runs the current test again in a process of its own, in a new network namespace with only the
// loopback interface (brought up there, so servers of the test itself can listen on it).
LoopbackOnlyRun RunCurrentTestInLoopbackOnlyNetwork();
// Brings the loopback interface up; false when it cannot.
bool BringLoopbackUp();

}  // namespace testsupport

// At the top of such a test: outside a loopback-only namespace the test is run in one and its
// verdict taken over; inside, the loopback interface is brought up and the test goes on.
#define RUN_IN_LOOPBACK_ONLY_NETWORK()                                                        \
  do {                                                                                        \
    if (!testsupport::InLoopbackOnlyNetwork()) {                                              \
      const testsupport::LoopbackOnlyRun rerun =                                              \
          testsupport::RunCurrentTestInLoopbackOnlyNetwork();                                 \
      if (!rerun.ran) GTEST_SKIP() << "no loopback-only network namespace: " << rerun.output; \
      EXPECT_EQ(rerun.exitCode, 0) << rerun.output;                                           \
      EXPECT_NE(rerun.output.find("[  PASSED  ] 1 test"), std::string::npos) << rerun.output; \
      return;                                                                                 \
    }                                                                                         \
    ASSERT_TRUE(testsupport::BringLoopbackUp());                                              \
  } while (0)
