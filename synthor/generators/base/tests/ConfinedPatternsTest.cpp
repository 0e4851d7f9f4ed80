// Patterns that would reach past the machine, or load or start what they name, fail in a confined
// process with the confinement's reason, from the engine down. This runs only in a network
// namespace whose one interface is the loopback one, where a wrong judgement could still reach
// nothing; the judgements themselves are tested beside their code.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/base/UserNotice.h"
#include "testsupport/LoopbackHttpServer.h"
#include "testsupport/LoopbackOnlyNetwork.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/TestEnv.h"

namespace engine_test {
namespace {

using testsupport::HttpReply;

class ConfinedPatterns : public EngineFixture {
 protected:
  // How many messages shown to the user hold `text`.
  int Shown(const std::wstring& text) const {
    int count = 0;
    for (const testsupport::RecordedMessage& m : ui.messages)
      if (m.text.find(text) != std::wstring::npos) ++count;
    return count;
  }

  testsupport::RecordingUi ui;
};

TEST_F(ConfinedPatterns, ReachingPastTheMachineLoadingAndStartingAreRefused) {
  RUN_IN_LOOPBACK_ONLY_NETWORK();
  user_notice::ForgetShown();

  // Downloads: to another host, to a name that would be looked up, and redirected elsewhere,
  // while the loopback server itself still serves.
  testsupport::LoopbackHttpServer server([](const std::string& path) {
    if (path == "/away") return HttpReply{302, "", {{"Location", "http://128.0.0.1:9/x"}}, 0};
    return HttpReply{200, "near\n", {}, 0};
  });
  ASSERT_TRUE(server.Listening());
  EXPECT_EQ(Render(L"$webfile(" + server.Url("/near") + L")"), L"near");
  EXPECT_EQ(RenderError(L"$webfile(http://128.0.0.1:9/x)"), 3801);
  EXPECT_EQ(RenderError(L"$webfile(http://example.invalid/x)"), 3801);
  EXPECT_EQ(RenderError(L"$webfile(" + server.Url("/away") + L")"), 3801);
  EXPECT_EQ(engine.Error(), L"WebData: could not load the resource.");
  EXPECT_EQ(Shown(L"'128.0.0.1' is not a loopback host"), 2);
  EXPECT_EQ(Shown(L"redirected: refused in a process confined to this machine"), 1);
  EXPECT_EQ(Shown(L"'example.invalid' is not a loopback host"), 1);
  EXPECT_EQ(server.Requests(), 2);

  // A data source of the pattern's own whose server is elsewhere.
  const char* ini = std::getenv("ODBCINI");
  ASSERT_NE(ini, nullptr);
  std::ofstream(ini, std::ios::app) << "\n[BrunoxTestFar]\nDriver=PostgreSQL Unicode\n"
                                       "Servername=192.0.2.1\nPort=5432\nDatabase=postgres\n";
  EXPECT_EQ(RenderError(L"$query(select 1,0,BrunoxTestFar)"), 1101);
  EXPECT_NE(engine.Error().find(L"data source 'BrunoxTestFar' leads to '192.0.2.1'"),
            std::wstring::npos)
      << platform::ToUtf8(engine.Error());

  // The system C library as a plug-in.
  Dl_info libc{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&getpid), &libc), 0);
  EXPECT_EQ(RenderError(L"$dll(" + platform::FromUtf8(libc.dli_fname) + L")"), 2601);
  EXPECT_NE(engine.Error().find(L"is not inside a fixture folder"), std::wstring::npos)
      << platform::ToUtf8(engine.Error());

  // The system's shell for a script that would leave a mark.
  const std::wstring marker = testsupport::NewScratchPath(L"ran");
  const std::wstring script = testsupport::NewScratchPath(L"touch.sh");
  ASSERT_TRUE(platform::WriteFileBytes(script, "touch '" + platform::ToUtf8(marker) + "'\n"));
  EXPECT_EQ(RenderError(L"$script(sh, " + script + L")"), 4103);
  EXPECT_NE(engine.Error().find(L"'sh' names no folder"), std::wstring::npos)
      << platform::ToUtf8(engine.Error());
  EXPECT_EQ(RenderError(L"$scriptgroup(1, 1, /bin/sh, " + script + L")"), 4203);
  EXPECT_NE(engine.Error().find(L"'/bin/sh' is not inside a fixture folder"), std::wstring::npos)
      << platform::ToUtf8(engine.Error());
  EXPECT_FALSE(std::filesystem::exists(platform::NativePath(marker)));
}

}  // namespace
}  // namespace engine_test
