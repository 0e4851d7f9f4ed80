// Parameters from value files, in the three ways a task hands the lines to its threads.
#include <sys/stat.h>

#include <chrono>
#include <string>

#include "RunnerTestSupport.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace runnertest {
namespace {

class ValueFiles : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    Exec(L"create table t(id integer primary key autoincrement, a varchar(20), b varchar(20))");
  }
  Task& AddInsert(int threads, int execs, int tdu, const std::wstring& fileText) {
    Task& task = AddTask(L"values", L"insert into t(a, b) values ('?1', '?2')", threads, execs);
    task.TDU = tdu;
    task.File = folder_ + L"/values.txt";
    WriteText(task.File, fileText);
    return task;
  }
  std::vector<std::wstring> Inserted() { return Rows(L"select a, b from t order by id"); }
  std::vector<std::wstring> Counted() {
    return Rows(L"select a, count(*) from t group by a order by a");
  }
};

TEST_F(ValueFiles, EachThreadReadsTheFileFromItsStartAndWraps) {
  AddInsert(1, 5, kEachThreadReadsFile, L"1\tx\n2\ty\n");
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"1|x", L"2|y", L"1|x", L"2|y", L"1|x"}), Inserted());
}

TEST_F(ValueFiles, EachThreadHasItsOwnReader) {
  AddInsert(2, 3, kEachThreadReadsFile, L"1\n2\n");
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"1|4", L"2|2"}), Counted());
}

TEST_F(ValueFiles, OneLinePerThreadForAllItsExecutions) {
  AddInsert(3, 4, kOneLinePerThread, L"a\nb\nc\nd\n");
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"a|4", L"b|4", L"c|4"}), Counted());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ValueFiles, TooFewLinesForTheThreadsStopTheProject) {
  const std::wstring file = AddInsert(5, 4, kOneLinePerThread, L"a\nb\nc\n").File;
  AddTask(L"other", L"insert into t(a) values ('other')", 2, 3);
  RunProject();
  ASSERT_EQ(1u, ui_.messages.size());
  EXPECT_EQ(L"File '" + file + L"' contains not enough lines (3 of 5).\nProject has been stopped.",
            ui_.messages[0].text);
  EXPECT_EQ(L"Warning!", ui_.messages[0].caption);
  EXPECT_EQ(platform::MsgIcon::Error, ui_.messages[0].icon);
  EXPECT_EQ(1, runner_->Stop);
  EXPECT_EQ(3, runner_->ThreadsOfLastRun) << "a stop ends the preparation: no threads for the next task";
  EXPECT_EQ(0, runner_->TotalExecs) << "the threads created end at once";
  EXPECT_EQ(0, ScalarInt(L"select count(*) from t"));
}

TEST_F(ValueFiles, SharedReaderHandsEveryLineOutInTurn) {
  AddInsert(2, 3, kThreadsShareReader, L"a\nb\nc\n");
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"a|2", L"b|2", L"c|2"}), Counted());
}

TEST_F(ValueFiles, TabSeparatedFieldsAndAnEmptyLastField) {
  AddInsert(1, 2, kEachThreadReadsFile, L"x\ty\nz\t\n");
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"x|y", L"z|"}), Inserted());
}

TEST_F(ValueFiles, AnotherSeparatorCharacter) {
  Task& task = AddInsert(1, 1, kEachThreadReadsFile, L"p;q\n");
  task.Separator = L";";
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"p|q"}), Inserted());
}

TEST_F(ValueFiles, Utf16AndLatin1Files) {
  Task& task = AddInsert(1, 2, kEachThreadReadsFile, L"");
  ASSERT_TRUE(platform::WriteTextFileUtf16Le(task.File, L"Gr\u00fc\u00dfe\t\u65e5\u672c\r\nzwei\tdrei\r\n"));
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"Gr\u00fc\u00dfe|\u65e5\u672c", L"zwei|drei"}), Inserted());

  Exec(L"delete from t");
  ASSERT_TRUE(platform::WriteFileBytes(task.File, std::string("caf\xe9\tna\xefve\n")));
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"caf\u00e9|na\u00efve|2"}),
            Rows(L"select a, b, count(*) from t group by a, b"))
      << "bytes that are not UTF-8 are Latin-1";
}

// A value file the task names but that is missing or empty fails the task's threads at their
// start, with one message naming the task and the file; the statement is never sent with its
// markers unfilled, and the other tasks run as usual.
TEST_F(ValueFiles, AMissingOrAnEmptyFileFailsTheThreadsOfItsTask) {
  const auto endedAfterFailure = [this] {
    int count = 0;
    for (const RunEventRecord& e : recorder_.Events(kRunThreadState))
      count += e.b == kThreadEndedFailed ? 1 : 0;
    return count;
  };
  for (const bool missing : {false, true}) {
    for (const int tdu : {kEachThreadReadsFile, kOneLinePerThread, kThreadsShareReader}) {
      SCOPED_TRACE(std::string(missing ? "missing" : "empty") + " TDU " + std::to_string(tdu));
      Exec(L"delete from t");
      project_.Tasks.clear();
      const int endedBefore = endedAfterFailure();
      Task& task = AddInsert(2, 2, tdu, L"");
      if (missing) task.File = folder_ + L"/no-such-file.txt";
      const std::wstring file = task.File;
      AddTask(L"other", L"insert into t(a) values ('other')", 1, 3);
      RunProject();
      EXPECT_EQ((std::vector<std::wstring>{L"other|3"}), Counted());
      const std::wstring expected =
          missing ? L"Task 'values': The file '" + file + L"' does not exist."
                  : L"Task 'values': The value file '" + file + L"' is empty.";
      EXPECT_EQ((std::vector<std::wstring>{expected}), runner_->RunErrors());
      ASSERT_EQ(3, runner_->ThreadsOfLastRun);
      for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(kWorkerFailed, runner_->Record(i).State) << i;
        EXPECT_EQ(0, runner_->Record(i).Execs) << i;
      }
      EXPECT_EQ(endedBefore + 2, endedAfterFailure());
      EXPECT_TRUE(ui_.messages.empty()) << "not the shortage of lines";
    }
  }
}

// A task that names no value file runs its statement as it is.
TEST_F(ValueFiles, NoValueFileLeavesTheMarkers) {
  AddInsert(2, 2, kEachThreadReadsFile, L"").File.clear();
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"?1|4"}), Counted());
  EXPECT_TRUE(runner_->RunErrors().empty());
  EXPECT_TRUE(ui_.messages.empty());
}

// The script is split before the values go in: the quote of O'Brien (inside brackets, which
// SQLite takes as an identifier quote and the parser does not know) must not join the statements.
TEST_F(ValueFiles, AQuoteInAValueDoesNotSwallowTheFollowingStatements) {
  project_.SQLFile = folder_ + L"/statements.txt";
  Task& task = AddTask(L"quote", L"select 1 as [?1];\ninsert into t(a, b) values ('second', '?2')", 1, 2);
  task.UseParser = 1;
  task.TDU = kEachThreadReadsFile;
  task.File = folder_ + L"/values.txt";
  WriteText(task.File, L"O'Brien\tx\n");
  RunProject();
  EXPECT_EQ(2, runner_->TotalExecs);
  EXPECT_EQ((std::vector<std::wstring>{L"second|x", L"second|x"}), Inserted());
  const auto lines = CrLfLines(Utf16File(project_.SQLFile));
  ASSERT_EQ(5u, lines.size()) << "a header and two statements per round";
  EXPECT_NE(std::wstring::npos, lines[1].find(L"\tselect 1 as [O'Brien]\t"));
}

}  // namespace
}  // namespace runnertest

namespace runnertest {
namespace {

// A FIFO or a device named as the value file must neither block the run nor fill the memory;
// the run says which task and which file.
TEST_F(ValueFiles, AFifoOrADeviceAsTheValueFileIsARunErrorAndNoHang) {
  const std::wstring fifo = folder_ + L"/values.fifo";
  ASSERT_EQ(0, mkfifo(platform::NativePath(fifo).c_str(), 0600));
  for (const int tdu : {kEachThreadReadsFile, kOneLinePerThread, kThreadsShareReader}) {
    for (const std::wstring& path : {fifo, std::wstring(L"/dev/zero")}) {
      SCOPED_TRACE(platform::ToUtf8(path) + " TDU " + std::to_string(tdu));
      project_.Tasks.clear();
      AddInsert(2, 2, tdu, L"").File = path;
      const auto start = std::chrono::steady_clock::now();
      RunProject();
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
      ASSERT_FALSE(runner_->RunErrors().empty());
      EXPECT_NE(std::wstring::npos, runner_->RunErrors()[0].find(path));
      EXPECT_NE(std::wstring::npos, runner_->RunErrors()[0].find(L"Task 'values'"));
    }
  }
}

}  // namespace
}  // namespace runnertest
