// The test main confines every test process to this machine; these tests ask the judge itself, so
// no address or program is ever tried even if a judgement were wrong.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/Confinement.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace platform {
namespace {

TEST(Confinement, WebAddressesReachOnlyLoopbackHostsAsWritten) {
  for (const wchar_t* url :
       {L"http://127.0.0.1:9/x", L"HTTPS://LOCALHOST/a?b#c", L"ftp://127.1.2.3/f",
        L"http://[::1]:8080/", L"http://127.0.0.1?next=http://example.invalid/",
        L"http://localhost/a@example.invalid"}) {
    EXPECT_TRUE(JudgeUrl(url).Allowed()) << ToUtf8(url) << ": " << ToUtf8(JudgeUrl(url).reason);
  }

  const Verdict far = JudgeUrl(L"http://128.0.0.1:9/x");
  EXPECT_EQ(far.reason,
            L"refused in a process confined to this machine: '128.0.0.1' is not a loopback host "
            L"(127.0.0.0/8, ::1 or localhost)");
  EXPECT_NE(
      JudgeUrl(L"http://example.invalid/x").reason.find(L"'example.invalid' is not a loopback"),
      std::wstring::npos);
  // Forms a resolver or the transfer library would read as another host, and forms without a
  // web scheme, whose host the judge cannot tell.
  for (const wchar_t* url :
       {L"http://127.0.0.1@example.invalid/", L"http://127.0.0.1\\@example.invalid/",
        L"http://127.0.0.1.example.invalid/", L"http://2130706433/", L"http://127.0.0.256/",
        L"http://0177.0.0.1/", L"http://127.1/", L"http://[::ffff:127.0.0.1]/",
        L"http://localhost./", L"http://127.0.0.1:9x/", L"http://[::1/", L"127.0.0.1/x",
        L"file:///etc/hostname", L"gopher://127.0.0.1/", L""}) {
    EXPECT_FALSE(JudgeUrl(url).Allowed()) << ToUtf8(url);
  }
}

TEST(Confinement, PluginsAndProgramsComeOnlyFromFixtureFolders) {
  Dl_info libc{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&getpid), &libc), 0);
  const std::wstring libcPath = FromUtf8(libc.dli_fname);
  EXPECT_EQ(JudgeFixturePath(libcPath).reason, L"refused in a process confined to this machine: '" +
                                                   libcPath + L"' is not inside a fixture folder");
  EXPECT_NE(JudgeFixturePath(L"sh").reason.find(L"'sh' names no folder"), std::wstring::npos);
  EXPECT_FALSE(JudgeFixturePath(L"/bin/sh").Allowed());

  // The test main names the scratch folder a fixture folder; what lies in it may be used, even
  // before it exists, but no way out of it counts as inside.
  const std::wstring inside = testsupport::NewScratchPath(L"plugin.so");
  EXPECT_TRUE(JudgeFixturePath(inside).Allowed()) << ToUtf8(JudgeFixturePath(inside).reason);
  EXPECT_FALSE(JudgeFixturePath(FolderPart(inside) + L"/../../../outside.so").Allowed());
  const std::wstring link = testsupport::NewScratchPath(L"sh");
  std::filesystem::create_symlink("/bin/sh", NativePath(link));
  EXPECT_FALSE(JudgeFixturePath(link).Allowed());
  EXPECT_FALSE(JudgeFixturePath(testsupport::ScratchFolder()).Allowed());
}

}  // namespace
}  // namespace platform
