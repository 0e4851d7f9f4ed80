// The program started in window mode as a user starts it, in a process of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "brunox/ui/tests/WindowFixture.h"

namespace {

using namespace std::chrono_literals;

TEST(WindowProcess, WithoutDisplaySaysHowToGetOneAndFails) {
  WindowProcess brunox({"-x"}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
  brunox.Start();
  const int status = brunox.Wait(60s);
  EXPECT_NE(0, status);
  EXPECT_NE(-1, status);
  EXPECT_NE(std::string::npos,
            brunox.Err().find("brunox needs a display for its window (set DISPLAY, or "
                              "QT_QPA_PLATFORM=offscreen), or run a project in console mode: "
                              "brunox -c project.bxp"))
      << brunox.Err();
}

TEST(WindowProcess, OffscreenWindowKeepsRunningWithTheProject) {
  WindowProcess brunox({"-x", BRUNOX_EXAMPLES_DIR "/minimal/minimal.bxp"},
                       {"QT_QPA_PLATFORM=offscreen"});
  brunox.Start();
  EXPECT_EQ(-1, brunox.Wait(2s)) << brunox.Err();
  // The destructor ends it.
}

}  // namespace
