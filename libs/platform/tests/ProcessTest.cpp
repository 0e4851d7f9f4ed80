#include <dirent.h>
#include <signal.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/Process.h"
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

// The parent folder of a fresh scratch path, created.
std::wstring NewFolder(const std::wstring& name) {
  const std::wstring folder = testsupport::NewScratchPath(name);
  std::filesystem::create_directories(NativePath(folder));
  return folder;
}

TEST(RunProcess, WorkingFolderAndEnvironmentReachTheChildUnchanged) {
  const std::wstring folder = NewFolder(L"work dir");
  ProcessRequest request;
  request.program = L"sh";
  request.args = {L"-c", L"pwd; printf '%s|%s|%s' \"$BRUNOX_TEST_VALUE\" \"$HOME\" \"$PATH\""};
  request.workingFolder = folder;
  const std::wstring value = L"say \"hi\" to $HOME and `id`; 'x' \\n \u00e4";
  request.environment = {{L"BRUNOX_TEST_VALUE", value}, {L"HOME", L"/nowhere"}};
  const ProcessResult run = RunProcess(request);
  ASSERT_TRUE(run.started) << ToUtf8(run.startError);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_FALSE(run.timedOut);
  const char* path = getenv("PATH");
  EXPECT_EQ(run.output, ToUtf8(folder) + "\n" + ToUtf8(value) + "|/nowhere|" + (path ? path : ""))
      << "a variable of the caller is replaced, the others stay";

  request.workingFolder = folder + L"/missing";
  const ProcessResult missing = RunProcess(request);
  EXPECT_FALSE(missing.started);
  EXPECT_EQ(missing.startError,
            L"working folder '" + folder + L"/missing': No such file or directory");
}

TEST(RunProcess, SignalThatEndedTheProgramIsToldApartFromAnExitStatus) {
  ProcessRequest request;
  request.program = L"/bin/sh";
  request.args = {L"-c", L"kill -TERM $$"};
  ProcessResult killed = RunProcess(request);
  EXPECT_EQ(killed.signal, 15);
  EXPECT_EQ(killed.exitCode, 128 + 15);
  request.args = {L"-c", L"exit 143"};
  ProcessResult exited = RunProcess(request);
  EXPECT_EQ(exited.signal, 0);
  EXPECT_EQ(exited.exitCode, 143);
}

TEST(RunProcess, MissingOrUnrunnableProgramsDoNotStart) {
  const std::wstring notExecutable = testsupport::NewScratchPath(L"plain.txt");
  ASSERT_TRUE(WriteFileBytes(notExecutable, "echo never\n"));
  struct Case {
    std::wstring program;
    const wchar_t* error;
  };
  for (const Case& c : {Case{L"/no/such/program", L"No such file or directory"},
                        Case{L"no-such-program-brunox-test", L"No such file or directory"},
                        Case{notExecutable, L"Permission denied"}}) {
    ProcessRequest request;
    request.program = c.program;
    request.timeout = std::chrono::seconds(5);
    const ProcessResult run = RunProcess(request);
    EXPECT_FALSE(run.started) << ToUtf8(c.program);
    EXPECT_EQ(run.startError, c.error) << ToUtf8(c.program);
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_FALSE(run.timedOut);
  }
}

TEST(RunProcess, StreamsApartOrMergedAndStandardInputEmpty) {
  ProcessRequest request;
  request.program = L"sh";
  request.args = {L"-c", L"echo out; echo err >&2; cat; echo out2; exit 7"};
  ProcessResult apart = RunProcess(request);
  EXPECT_EQ(apart.output, "out\nout2\n");
  EXPECT_EQ(apart.errors, "err\n");
  EXPECT_EQ(apart.exitCode, 7);

  request.mergeErrors = true;
  ProcessResult merged = RunProcess(request);
  EXPECT_EQ(merged.output, "out\nerr\nout2\n");
  EXPECT_EQ(merged.errors, "");
  EXPECT_EQ(merged.exitCode, 7);
}

// Ignored signals stay ignored across exec: a program we start must not inherit the broken pipe
// and file-size signals the program ignores for itself.
TEST(RunProcess, SignalsIgnoredHereStartAtTheirDefaultsInTheChild) {
  struct sigaction ignore {}, oldPipe {}, oldSize {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(0, sigaction(SIGPIPE, &ignore, &oldPipe));
  ASSERT_EQ(0, sigaction(SIGXFSZ, &ignore, &oldSize));
  std::string status;
  const int exitCode = RunAndWait(L"/bin/grep", {L"^SigIgn:", L"/proc/self/status"}, &status);
  sigaction(SIGPIPE, &oldPipe, nullptr);
  sigaction(SIGXFSZ, &oldSize, nullptr);
  ASSERT_EQ(0, exitCode) << status;
  const unsigned long long ignored = std::stoull(status.substr(status.find(':') + 1), nullptr, 16);
  EXPECT_EQ(0u, ignored & (1ull << (SIGPIPE - 1))) << status;
  EXPECT_EQ(0u, ignored & (1ull << (SIGXFSZ - 1))) << status;
}

TEST(RunProcess, OutputBeyondTheLimitIsReadAndDropped) {
  ProcessRequest request;
  request.program = L"sh";
  // Far more than a pipe holds on both streams: a reader that stopped reading would hang here.
  request.args = {L"-c", L"head -c 300000 /dev/zero; head -c 200000 /dev/zero >&2; echo done >&2"};
  request.outputLimit = 1000;
  request.timeout = std::chrono::seconds(30);
  const ProcessResult run = RunProcess(request);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.output, std::string(1000, '\0'));
  EXPECT_EQ(run.errors, std::string(1000, '\0'));
}

// True when `pid` has ended (gone, or a zombie waiting for whoever inherited it).
bool Ended(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

TEST(RunProcess, TimeoutKillsTheProgramAndWhatItStarted) {
  ProcessRequest request;
  request.program = L"sh";
  // The grandchild holds the output pipe: only killing the whole group ends the call on time.
  request.args = {L"-c", L"sleep 30 & echo $!; sleep 30; echo late"};
  request.timeout = std::chrono::milliseconds(300);
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult run = RunProcess(request);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_TRUE(run.started);
  EXPECT_TRUE(run.timedOut);
  EXPECT_EQ(run.exitCode, 128 + SIGKILL);
  const long grandchild = std::atol(run.output.c_str());
  ASSERT_GT(grandchild, 0) << run.output;
  bool ended = false;
  for (int i = 0; i < 100 && !ended; ++i) {
    ended = Ended(grandchild);
    if (!ended) std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(ended) << "the grandchild " << grandchild << " outlived the timeout";

  // A program that closes its streams and goes on is still held to the time limit.
  request.args = {L"-c", L"exec >&- 2>&-; sleep 30"};
  const auto again = std::chrono::steady_clock::now();
  EXPECT_TRUE(RunProcess(request).timedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - again, 5s);

  // One that ends in time is not touched.
  request.args = {L"-c", L"echo quick; exit 3"};
  const ProcessResult quick = RunProcess(request);
  EXPECT_FALSE(quick.timedOut);
  EXPECT_EQ(quick.exitCode, 3);
  EXPECT_EQ(quick.output, "quick\n");
}

TEST(RunProcess, ProgramPathWithBlanksAndQuotes) {
  const std::wstring folder = NewFolder(L"it's a \"odd\" $(dir);");
  const std::wstring program = JoinPath(folder, L"my \"prog\" 'x'");
  ASSERT_TRUE(WriteFileBytes(program, "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\"\n"));
  ASSERT_EQ(chmod(ToUtf8(program).c_str(), 0755), 0);
  ProcessRequest request;
  request.program = program;
  request.args = {L"a b", L"\"q\"", L"$(id)", L""};
  const ProcessResult run = RunProcess(request);
  ASSERT_TRUE(run.started) << ToUtf8(run.startError);
  EXPECT_EQ(run.output, ToUtf8(program) + "|a b|\"q\"|$(id)||");
}

TEST(RunProcess, SeveralThreadsAtOnceSeeTheirOwnOutputEnd) {
  // Each call's pipes are close-on-exec: a slow program started on one thread must not hold the
  // pipes of the quick ones and keep them waiting.
  ProcessRequest slow;
  slow.program = L"sleep";
  slow.args = {L"3"};
  std::thread slowThread([&] { RunProcess(slow); });
  std::this_thread::sleep_for(50ms);
  constexpr int kThreads = 6;
  std::vector<std::string> outputs(kThreads);
  std::vector<std::thread> threads;
  const auto start = std::chrono::steady_clock::now();
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&outputs, t] {
      ProcessRequest request;
      request.program = L"echo";
      request.args = {FromInt(t)};
      request.environment = {{L"BRUNOX_THREAD", FromInt(t)}};
      outputs[static_cast<size_t>(t)] = RunProcess(request).output;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(outputs[static_cast<size_t>(t)], std::to_string(t) + "\n");
  slowThread.join();
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
