// $dll with the test plug-ins built beside the tests, and $script / $scriptgroup running small
// shell scripts from a private folder. The test process is confined to this machine: the
// plug-ins' folder is named a fixture folder here, and the scripts and their shell lie in the
// scratch folder, which the test main names one.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Confinement.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/files/ScriptData.h"
#include "synthor/generators/plugins/PluginData.h"
#include "testsupport/TestEnv.h"

namespace {

using engine_test::EngineFixture;
using engine_test::Matches;

const std::wstring kPlugin = platform::FromUtf8(TEST_PLUGIN_PATH);
const std::wstring kInstallOnlyPlugin = platform::FromUtf8(TEST_PLUGIN_INSTALL_ONLY_PATH);
const std::wstring kNoEntryPlugin = platform::FromUtf8(TEST_PLUGIN_NO_ENTRY_PATH);

class GeneratorPluginScriptTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    platform::AddFixtureFolder(platform::FolderPart(kPlugin));
    folder = platform::FolderPart(testsupport::NewScratchPath(L"genscript"));
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    ScriptData::SetTimeout(std::chrono::seconds(30));
    EngineFixture::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(platform::NativePath(folder), ignored);
  }
  std::wstring Write(const std::wstring& name, std::string_view bytes) {
    const std::wstring path = platform::JoinPath(folder, name);
    EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
    return path;
  }
  // Runs `$script` directly, bypassing the pattern parser, so any text can be an argument.
  std::wstring RunDirect(const std::vector<std::wstring>& args, int* code) {
    std::wstring text;
    *code = 0;
    ScriptData script(&args, nullptr, &engine, &text, code);
    return script.ready ? script.Value(nullptr) : text;
  }

  std::wstring folder;
  const std::wstring sh = testsupport::FixtureShell();
};

TEST_F(GeneratorPluginScriptTest, PluginGivesValuesOnSeveralThreads) {
  const std::wstring pattern = L"$dll(" + kPlugin + L")";
  const std::string shape = std::to_string(kPlugin.size()) + ":[0-9]+";
  constexpr int kThreads = 4;
  constexpr int kDraws = 50;
  std::vector<std::set<std::wstring>> seen(kThreads);
  std::vector<std::wstring> errors(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      DSynthor own;
      if (own.Initialize(L"", engine_test::kSeed + static_cast<uint32_t>(t), nullptr) != 1) {
        errors[t] = L"initialize";
        return;
      }
      for (int i = 0; i < kDraws; ++i) {
        DGValue v;
        if (!own.Value(-1, pattern, &v, nullptr)) errors[t] = own.Error();
        seen[t].insert(v.value);
      }
      own.Terminate();
    });
  }
  for (std::thread& t : threads) t.join();
  // The shapes are checked here: std::regex is not for building on several threads at once.
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(errors[t], L"") << t;
    EXPECT_EQ(seen[t].size(), static_cast<std::size_t>(kDraws)) << t;  // a counter per thread
    for (const std::wstring& value : seen[t])
      EXPECT_TRUE(Matches(value, shape.c_str())) << platform::ToUtf8(value);
  }
}

TEST_F(GeneratorPluginScriptTest, PluginFailuresNameTheirCause) {
  EXPECT_EQ(RenderError(L"$dll(" + folder + L"/missing.so)"), 2601);
  EXPECT_EQ(engine.Error(), L"DLLData: DLL not found or inaccesible");

  const std::wstring notALibrary = Write(L"text.so", "just text\n");
  EXPECT_EQ(RenderError(L"$dll(" + notALibrary + L")"), 2601);
  EXPECT_NE(engine.Error().find(L"(" + notALibrary), std::wstring::npos)
      << platform::ToUtf8(engine.Error());

  EXPECT_EQ(RenderError(L"$dll(" + kNoEntryPlugin + L")"), 2602);
  EXPECT_EQ(engine.Error(), L"DLLData: 'Install' entry point not found.");
  EXPECT_EQ(RenderError(L"$dll(" + kInstallOnlyPlugin + L")"), 2603);
  EXPECT_EQ(engine.Error(), L"DLLData: 'GetValue' entry point not found.");

  std::wstring text;
  int code = 0;
  PluginData none(nullptr, &text, &code);
  EXPECT_EQ(code, 2600);
  EXPECT_EQ(none.Value(nullptr), L"");
}

TEST_F(GeneratorPluginScriptTest, ScriptLinesAndEvaluatedArguments) {
  const std::wstring lines =
      Write(L"lines.sh", "printf 'red\\ngreen\\nblue\\n\\nafter empty\\n'\n");
  EXPECT_EQ(Distinct(L"$script(" + sh + L", " + lines + L")", 60),
            (std::set<std::wstring>{L"red", L"green", L"blue"}));

  // Output is read as the file loaders read files: UTF-8 when valid, else a byte a character.
  const std::wstring odd = Write(L"odd.sh", "printf 'caf\\303\\251\\r\\nbad\\377\\n'\n");
  EXPECT_EQ(Distinct(L"$script(" + sh + L", " + odd + L")", 30),
            (std::set<std::wstring>{L"caf\u00E9", L"bad\u00FF"}));

  const std::wstring echo = Write(L"echo.sh", "echo \"n$1\"\n");
  EXPECT_TRUE(Matches(Render(L"$script(" + sh + L", " + echo + L", $rint(1,9))"), "n[1-9]"));
  EXPECT_EQ(RenderError(L"$script(" + sh + L", " + echo + L", $nosuchfunction(1))"), 4104);
}

TEST_F(GeneratorPluginScriptTest, ScriptGroupSharesTheRowWithGroupColumns) {
  const std::wstring rows = Write(L"rows.sh", "printf 'a\\t1\\tx\\nb\\t2\\ty\\n'\n");
  EXPECT_EQ(
      Distinct(L"$scriptgroup(1, 2, " + sh + L", " + rows + L")-$group(1, 1)$group(1, 3)", 40),
      (std::set<std::wstring>{L"1-ax", L"2-by"}));
  EXPECT_EQ(RenderError(L"$scriptgroup(1, 2, " + sh + L")"), 4200);
  EXPECT_EQ(RenderError(L"$scriptgroup(1, 2, " + sh + L", " + folder + L"/none.sh)"), 4202);
}

TEST_F(GeneratorPluginScriptTest, ScriptFailuresAreErrorsWithTheirText) {
  EXPECT_EQ(RenderError(L"$script(" + sh + L")"), 4100);
  EXPECT_EQ(RenderError(L"$script(" + sh + L", " + folder + L"/none.sh)"), 4102);
  EXPECT_EQ(engine.Error(),
            L"ScriptData: script file '" + folder + L"/none.sh' not found or inaccessible.");

  const std::wstring failing = Write(L"fail.sh", "echo partial\necho oops >&2\nexit 3\n");
  EXPECT_EQ(RenderError(L"$script(" + sh + L", " + failing + L")"), 4103);
  EXPECT_EQ(engine.Error(),
            L"ScriptData: could not load data provided by script. (the script exited with "
            L"status 3)");

  const std::wstring silent = Write(L"silent.sh", "exit 0\n");
  EXPECT_EQ(RenderError(L"$script(" + sh + L", " + silent + L")"), 4103);
  EXPECT_EQ(RenderError(L"$scriptgroup(1, 1, " + sh + L", " + silent + L")"), 4203);

  const std::wstring missing = folder + L"/no-such-interpreter-here";
  EXPECT_EQ(RenderError(L"$script(" + missing + L", " + silent + L")"), 4103);
  EXPECT_NE(engine.Error().find(L"cannot start " + missing + L": No such file"), std::wstring::npos)
      << platform::ToUtf8(engine.Error());
}

TEST_F(GeneratorPluginScriptTest, HangingScriptIsKilledAtItsTimeout) {
  // The child started by the script holds the output pipe too: the whole group must go.
  const std::wstring hang = Write(L"hang.sh", "sleep 30 &\nsleep 30\necho late\n");
  ScriptData::SetTimeout(std::chrono::milliseconds(300));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RenderError(L"$script(" + sh + L", " + hang + L")"), 4103);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_NE(engine.Error().find(L"did not finish within 300 ms"), std::wstring::npos)
      << platform::ToUtf8(engine.Error());
}

TEST_F(GeneratorPluginScriptTest, PathsAndArgumentsReachTheScriptUnchanged) {
  const std::wstring odd = platform::JoinPath(folder, L"it's a \"odd\" $(dir);");
  ASSERT_TRUE(std::filesystem::create_directory(platform::NativePath(odd)));
  const std::wstring script = platform::JoinPath(odd, L"my script.sh");
  ASSERT_TRUE(platform::WriteFileBytes(script, "printf '%s|%s\\n' \"$0\" \"$1\"\n"));
  const std::wstring argument = L"a b; echo injected `id` \"q\"";
  int code = 0;
  EXPECT_EQ(RunDirect({sh, script, argument}, &code), script + L"|" + argument);
  EXPECT_EQ(code, 0);
}

// The script runs in the temporary folder; a script named relative to ours is still found.
TEST_F(GeneratorPluginScriptTest, ScriptRunsInTheTemporaryFolder) {
  const std::wstring where = Write(L"where.sh", "pwd -P\n");
  const std::string temp =
      std::filesystem::canonical(platform::NativePath(platform::TempFolder())).string();
  EXPECT_EQ(Render(L"$script(" + sh + L", " + where + L")"), platform::FromUtf8(temp));
  const std::wstring relative = platform::FromUtf8(
      std::filesystem::relative(platform::NativePath(where)).string());
  ASSERT_FALSE(relative.empty());
  ASSERT_NE(relative.front(), L'/');
  EXPECT_EQ(Render(L"$script(" + sh + L", " + relative + L")"), platform::FromUtf8(temp));
  EXPECT_EQ(Render(L"$scriptgroup(1, 1, " + sh + L", " + relative + L")"),
            platform::FromUtf8(temp));
}

TEST_F(GeneratorPluginScriptTest, SyntaxCheckRunsNothing) {
  const std::wstring marker = platform::JoinPath(folder, L"ran");
  const std::wstring touch =
      Write(L"touch.sh", "touch '" + platform::ToUtf8(marker) + "'\necho done\n");
  DSynthor::SetCheckSyntaxMode(1);
  int code = 0;
  RunDirect({sh, touch}, &code);
  DSynthor::SetCheckSyntaxMode(0);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(std::filesystem::exists(platform::NativePath(marker)));
  EXPECT_EQ(RunDirect({sh, touch}, &code), L"done");
  EXPECT_TRUE(std::filesystem::exists(platform::NativePath(marker)));
}

}  // namespace
