#include "testsupport/LoopbackOnlyNetwork.h"

#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/Process.h"
#include "platform/Text.h"

namespace testsupport {
namespace {

// A new user namespace as well where this process is not root: the network namespace needs it.
std::vector<std::wstring> UnshareOptions() {
  if (geteuid() == 0) return {L"--net"};
  return {L"--map-root-user", L"--net"};
}

}  // namespace

bool InLoopbackOnlyNetwork() {
  struct if_nameindex* interfaces = if_nameindex();
  if (!interfaces) return false;
  int count = 0;
  bool onlyLoopback = true;
  for (const struct if_nameindex* i = interfaces; i->if_index != 0; ++i) {
    ++count;
    if (std::strcmp(i->if_name, "lo") != 0) onlyLoopback = false;
  }
  if_freenameindex(interfaces);
  return onlyLoopback && count == 1;
}

LoopbackOnlyRun RunCurrentTestInLoopbackOnlyNetwork() {
  LoopbackOnlyRun result;
  const std::vector<std::wstring> options = UnshareOptions();
  platform::ProcessRequest probe;
  probe.program = L"unshare";
  probe.args = options;
  probe.args.push_back(L"true");
  probe.mergeErrors = true;
  probe.timeout = std::chrono::seconds(30);
  const platform::ProcessResult tried = platform::RunProcess(probe);
  if (!tried.started || tried.exitCode != 0) {
    result.output = tried.started ? tried.output : platform::ToUtf8(tried.startError);
    result.output = "unshare refused (" + result.output + ")";
    return result;
  }

  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::error_code failed;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (!test || failed) {
    result.output = "the test executable cannot tell its own name";
    return result;
  }
  platform::ProcessRequest run;
  run.program = L"unshare";
  run.args = options;
  run.args.push_back(L"--");
  run.args.push_back(platform::FromUtf8(self.string()));
  run.args.push_back(platform::FromUtf8(std::string("--gtest_filter=") + test->test_suite_name() +
                                        "." + test->name()));
  run.mergeErrors = true;
  run.timeout = std::chrono::minutes(5);
  const platform::ProcessResult done = platform::RunProcess(run);
  result.ran = done.started;
  result.exitCode = done.exitCode;
  result.output = done.started ? done.output : platform::ToUtf8(done.startError);
  return result;
}

bool BringLoopbackUp() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  if (up && !(request.ifr_flags & IFF_UP)) {
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  }
  close(fd);
  return up;
}

}  // namespace testsupport
