#include "platform/Process.h"

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "testsupport/TestEnv.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

TEST(Process, RunAndWaitCollectsOutputAndExitCode) {
  std::string output = "old";
  EXPECT_EQ(RunAndWait(L"/bin/echo", {L"hello", L"w\u00f6rld", L"a b"}, &output), 0);
  EXPECT_EQ(output, "hello w\xC3\xB6rld a b\n");

  EXPECT_EQ(RunAndWait(L"echo", {L"via PATH"}, &output), 0);
  EXPECT_EQ(output, "via PATH\n");

  EXPECT_EQ(RunAndWait(L"false", {}), 1);
  EXPECT_NE(RunAndWait(L"ls", {L"/no/such/file"}, &output), 0);
  EXPECT_NE(output.find("/no/such/file"), std::string::npos) << "standard error is collected";
  EXPECT_EQ(RunAndWait(L"/bin/sh", {L"-c", L"kill -TERM $$"}), 128 + 15);
}

TEST(Process, RunAndWaitReadsMoreThanAPipeHolds) {
  std::string output;
  EXPECT_EQ(RunAndWait(L"head", {L"-c", L"300000", L"/dev/zero"}, &output), 0);
  EXPECT_EQ(output.size(), 300000u);
}

TEST(Process, MissingProgramsDoNotStart) {
  for (const wchar_t* program : {L"/no/such/program", L"no-such-program-brunox-test"}) {
    std::string output = "old";
    EXPECT_EQ(RunAndWait(program, {}, &output), -1) << ToUtf8(program);
    EXPECT_EQ(output, "");
    std::wstring error;
    EXPECT_FALSE(SpawnDetached(program, {}, &error));
    EXPECT_NE(error.find(program), std::wstring::npos) << ToUtf8(error);
  }
}

// Children of this process that have ended but were not reaped.
int ZombieChildren() {
  int zombies = 0;
  DIR* proc = opendir("/proc");
  if (!proc) return 0;
  while (dirent* e = readdir(proc)) {
    std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // "pid (name) state ppid ..."; the name may hold blanks and parentheses.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 1));
    char state = 0;
    long ppid = 0;
    rest >> state >> ppid;
    if (ppid == getpid() && state == 'Z') ++zombies;
  }
  closedir(proc);
  return zombies;
}

TEST(Process, SpawnDetachedRunsTheProgramAndLeavesNoZombie) {
  const std::wstring marker = testsupport::NewScratchPath(L"spawned");
  std::wstring error;
  ASSERT_TRUE(SpawnDetached(L"/bin/echo", {L"detached echo"}, &error)) << ToUtf8(error);
  ASSERT_TRUE(SpawnDetached(L"touch", {marker}, &error)) << ToUtf8(error);
  bool done = false;
  for (int i = 0; i < 100 && !done; ++i) {
    done = FileExists(marker) && ZombieChildren() == 0;
    if (!done) std::this_thread::sleep_for(50ms);
  }
  EXPECT_TRUE(FileExists(marker));
  EXPECT_EQ(ZombieChildren(), 0);
}

TEST(ConsoleUi, AnswersWithTheSafeDefault) {
  struct Case {
    MsgButtons buttons;
    MsgAnswer answer;
  };
  const Case cases[] = {
      {MsgButtons::Ok, MsgAnswer::Ok},
      {MsgButtons::OkCancel, MsgAnswer::Cancel},
      {MsgButtons::YesNo, MsgAnswer::No},
      {MsgButtons::YesNoCancel, MsgAnswer::Cancel},
  };
  ConsoleUi ui;
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(ui.MessageBox(L"Weiter? \u00e4", L"Frage", c.buttons, MsgIcon::Question), c.answer);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[Frage] Weiter? \xC3\xA4\n");
  }
  std::wstring path = L"unchanged";
  EXPECT_FALSE(ui.OpenFileDialog({L"Text (*.txt)|*.txt||", L"txt", L"a.txt", L"/tmp", L""}, path));
  EXPECT_FALSE(ui.SaveFileDialog({}, path));
  EXPECT_EQ(path, L"unchanged");

  testing::internal::CaptureStdout();
  ui.ConsoleWrite(L"Fortschritt 50 %\u00e4\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Fortschritt 50 %\xC3\xA4\n");
  EXPECT_FALSE(ui.StartProgram(L"/no/such/program", {}));
}

class RecordingUi : public ConsoleUi {
 public:
  void ConsoleWrite(const std::wstring& text) override { written += text; }
  std::wstring written;
};

TEST(ConsoleUi, SetUiInstallsAndRestores) {
  EXPECT_NE(dynamic_cast<ConsoleUi*>(&Ui()), nullptr);
  RecordingUi recording;
  UiServices* previous = SetUi(&recording);
  ASSERT_NE(previous, nullptr);
  Ui().ConsoleWrite(L"x");
  EXPECT_EQ(recording.written, L"x");
  EXPECT_EQ(SetUi(nullptr), &recording);
  EXPECT_NE(&Ui(), &recording);
  EXPECT_NE(dynamic_cast<ConsoleUi*>(&Ui()), nullptr);
}

}  // namespace
}  // namespace platform
