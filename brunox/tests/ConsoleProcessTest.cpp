// The program as a user starts it: `brunox -c` in a process of its own, with its own settings,
// log folder and ODBC set-up, judged by what it prints and by its exit status.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include "brunox/engine/project/Project.h"
#include "brunox/tests/AppTestSupport.h"
#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/FrozenProcesses.h"
#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnv.h"

namespace {

using apptest::MakeTask;
using apptest::WriteSqliteProject;
using std::chrono::milliseconds;
using std::chrono::seconds;

std::string Utf8(const std::wstring& s) { return platform::ToUtf8(s); }

std::string ReadAll(const std::string& path) {
  std::string bytes;
  platform::ReadFileBytes(platform::FromUtf8(path), bytes);
  return bytes;
}

// One run of the program. Settings and logs are private to the run; the ODBC set-up is the test
// executable's own.
class Brunox : public testsupport::ProgramRun {
 public:
  explicit Brunox(std::vector<std::string> args) : ProgramRun(BRUNOX_EXE, std::move(args)) {}

  // Settings written before the start: `lines` of "[General]" keys.
  void WriteSettings(const std::wstring& lines) {
    ::mkdir(ConfigFolder().c_str(), 0700);
    ASSERT_TRUE(platform::WriteTextFileUtf8(platform::FromUtf8(ConfigFolder() + "/settings.ini"),
                                            L"[General]\n" + lines));
  }
  void SetLastFile(const std::wstring& path) { WriteSettings(L"LastFile=" + path + L"\n"); }

  std::string LogPath() const { return StateFolder() + "/brunox/brunox.log"; }
  std::string Log() const { return ReadAll(LogPath()); }
};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::wstring WriteFile(const std::wstring& name, const std::string& bytes) {
  const std::wstring path = testsupport::NewScratchPath(name);
  EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
  return path;
}

// Names "statements.txt" beside the project at `path` as its statement log; returns that path.
std::wstring LogStatementsBeside(const std::wstring& path) {
  const std::wstring log = platform::FolderPart(path) + L"/statements.txt";
  apptest::EditProject(path, [&](Project& q) { q.SQLFile = log; });
  return log;
}

TEST(ConsoleProcess, GoodProjectRunsAndSucceeds) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 2, 5));
  const std::wstring path = WriteSqliteProject(L"good.bxp", p);
  LogStatementsBeside(path);
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(0, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "(console mode)...")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), " s: 2 threads, 10 executions (")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "per second), 0 failed rounds.\n")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Executed-statement log: " + Utf8(platform::FolderPart(path)) +
                               "/statements.txt\n"))
      << b.Both();
  EXPECT_EQ("", b.Err());
}

TEST(ConsoleProcess, HandWrittenExampleRunsAsTheReadmeSays) {
  std::string text;
  ASSERT_TRUE(platform::ReadFileBytes(
      platform::FromUtf8(BRUNOX_EXAMPLES_DIR "/minimal/minimal.bxp"), text));
  // Its files go to the test's folder instead of /tmp.
  const std::wstring path = testsupport::NewScratchPath(L"minimal.bxp");
  const std::string folder = Utf8(platform::FolderPart(path));
  for (const char* file : {"brunox-minimal.sqlite", "brunox-minimal-statements.txt"})
    text = Utf8(platform::ReplaceAll(platform::FromUtf8(text),
                                     platform::FromUtf8(std::string("/tmp/") + file),
                                     platform::FromUtf8(folder + "/" + file)));
  ASSERT_TRUE(platform::WriteFileBytes(path, text));
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(0, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Out(), " s: 4 threads, 100 executions (")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Executed-statement log: " + folder + "/brunox-minimal-statements.txt"))
      << b.Both();
}

TEST(ConsoleProcess, FilesThatAreNoProjectAreNamed) {
  struct Case {
    std::wstring path;
    std::string message;
  };
  const std::wstring missing = testsupport::NewScratchPath(L"missing.bxp");
  const std::wstring empty = WriteFile(L"empty.bxp", "");
  std::string program;
  ASSERT_TRUE(platform::ReadFileBytes(L"/proc/self/exe", program));
  const std::wstring binary = WriteFile(L"binary.bxp", program.substr(0, 65536));
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"x")) + L"/dir.bxp";
  ASSERT_EQ(0, ::mkdir(Utf8(folder).c_str(), 0700));
  const std::wstring fifo = testsupport::NewScratchPath(L"fifo.bxp");
  ASSERT_EQ(0, ::mkfifo(Utf8(fifo).c_str(), 0600));
  const std::wstring text = WriteFile(L"notes.bxp", "just some notes\n");

  for (const Case& c :
       {Case{missing, "Project file '" + Utf8(missing) + "' not found."},
        Case{empty, "'" + Utf8(empty) + "' is not a project file: it is empty."},
        Case{binary, "'" + Utf8(binary) + "' is not a project file: it holds binary data."},
        Case{folder, "'" + Utf8(folder) + "' is a folder, not a file."},
        Case{fifo, "'" + Utf8(fifo) + "' is not a regular file."},
        Case{text, "'" + Utf8(text) + "' is not a project file: it has no [Package] section."}}) {
    Brunox b({"-c", Utf8(c.path)});
    // A good last project must not run in place of the one named.
    b.SetLastFile(WriteSqliteProject(L"last.bxp"));
    EXPECT_EQ(1, b.Run()) << b.Both();
    EXPECT_EQ("[Error] " + c.message + "\n", b.Err()) << b.Both();
    EXPECT_FALSE(Has(b.Out(), "Connected")) << b.Both();
  }
}

TEST(ConsoleProcess, CommandLineMistakesAndHelp) {
  for (const char* wrong : {"-z", "--foo"}) {
    Brunox b({"-c", wrong});
    EXPECT_EQ(1, b.Run()) << b.Both();
    EXPECT_TRUE(Has(b.Err(), "[Error] Unknown switch '" + std::string(wrong) + "'.\nUsage: brunox"))
        << b.Both();
    EXPECT_TRUE(Has(b.Err(), "-h, --help")) << b.Both();
    EXPECT_EQ("", b.Out());
  }
  Brunox help({"-h"});
  EXPECT_EQ(0, help.Run()) << help.Both();
  EXPECT_TRUE(Has(help.Out(), "Usage: brunox")) << help.Both();
  EXPECT_TRUE(Has(help.Out(), "Exit status: 0 ")) << help.Both();
  EXPECT_EQ("", help.Err());

  Brunox none({"-c"});
  EXPECT_EQ(1, none.Run()) << none.Both();
  EXPECT_TRUE(Has(none.Err(), "No project file was named, and the setting LastFile")) << none.Both();
}

TEST(ConsoleProcess, UnreachableDatabaseNamesTheLog) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 1, 1));
  const std::wstring path = WriteSqliteProject(L"far.bxp", p);
  apptest::EditProject(path, [](Project& q) {
    q.DefConnection.ConnString = L"Driver=SQLite3;Database=/no/such/folder/db.sqlite;";
  });
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(1, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Err(), "[Error] Could not restore connection from the project properties.\n"))
      << b.Both();
  EXPECT_TRUE(Has(b.Err(), "See the log for details: " + b.LogPath() + "\n")) << b.Both();
  EXPECT_TRUE(Has(b.Log(), "Could not connect")) << b.Log();
}

TEST(ConsoleProcess, FailingStatementFailsTheRun) {
  Project p;
  p.Tasks.push_back(MakeTask(L"insert into no_such_table values (1)", 3, 2));
  Brunox b({"-c", Utf8(WriteSqliteProject(L"failing.bxp", p))});
  EXPECT_EQ(2, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Out(), " s: 3 threads, 0 executions")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Threads with a failing statement: 3. See the log for details: " +
                               b.LogPath() + "\n"))
      << b.Both();
  EXPECT_TRUE(Has(b.Log(), "no_such_table")) << b.Log();
}

// The run modes that count rounds end a run whose every round fails (StopOnError off), and the
// run failed.
TEST(ConsoleProcess, RoundCountingRunModesEndWhenEveryRoundFails) {
  for (const int doType : {kRunAllAtLeast, kRunEachAtLeast}) {
    SCOPED_TRACE(doType);
    Project p;
    p.Tasks.push_back(MakeTask(L"insert into no_such_table values (1)", 2, 1));
    const std::wstring path = WriteSqliteProject(L"failing-rounds.bxp", p);
    apptest::EditProject(path, [doType](Project& q) {
      q.DoType = doType;
      q.AllTasks = L"6";
      q.AtLeast = L"3";
    });
    Brunox b({"-c", Utf8(path)});
    b.WriteSettings(L"StopOnError=0\n");
    EXPECT_EQ(2, b.Run()) << b.Both();
    // With the run-wide total, one thread may reach it before the other has had its connect.
    EXPECT_TRUE(Has(b.Out(), " s: 2 threads")) << b.Both();
    EXPECT_TRUE(Has(b.Out(), ", 0 executions")) << b.Both();
  }
}

// A task whose own connection fails, a task whose value file is missing and a task whose pattern
// names no function: each cause is named, the failed values are counted, and the run failed.
TEST(ConsoleProcess, EveryCauseOfAFailedRunIsNamed) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 2, 1));
  p.Tasks.back().Name = L"lost";
  p.Tasks.back().DefConnect = 0;
  p.Tasks.back().TaskCon.Kind = CONN_STRING;
  p.Tasks.back().TaskCon.ConnString = L"Driver=NoSuchDriver;Database=x;";
  p.Tasks.push_back(MakeTask(L"select '?1'", 2, 1));
  p.Tasks.back().Name = L"nofile";
  p.Tasks.push_back(MakeTask(L"select '?1'", 2, 3));
  p.Tasks.back().Name = L"nosuch";
  p.Tasks.back().ParamType = kParamsGenerated;
  TaskParam param;
  param.PropTempl = L"$nosuch(1)";
  p.Tasks.back().Params.push_back(param);
  const std::wstring path = WriteSqliteProject(L"causes.bxp", p);
  const std::wstring valueFile = platform::FolderPart(path) + L"/no-such-values.txt";
  apptest::EditProject(path, [&](Project& q) { q.Tasks[1].File = valueFile; });
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(2, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Out(), " s: 4 threads, 6 executions")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), ", 6 values whose pattern failed.\n")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Threads with a failing statement: 2.")) << b.Both();
  EXPECT_TRUE(Has(b.Err(), "[Error] The run reported errors:\n  ")) << b.Both();
  EXPECT_TRUE(Has(b.Err(), "Task 'lost' could not connect to ")) << b.Both();
  EXPECT_TRUE(Has(b.Err(), "Task 'nofile': The file '" + Utf8(valueFile) + "' does not exist.\n"))
      << b.Both();
  EXPECT_TRUE(Has(b.Err(), "Task 'nosuch': the pattern of ?1 ($nosuch(1)) failed: ")) << b.Both();
  const std::string err = b.Err();
  EXPECT_EQ(err.find("Task 'nosuch'"), err.rfind("Task 'nosuch'")) << "once, not per thread";
}

TEST(ConsoleProcess, ErrorsOfTheRunGoToStandardError) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 1, 1));
  const std::wstring path = WriteSqliteProject(L"noseconds.bxp", p);
  apptest::EditProject(path, [](Project& q) {
    q.DoType = kRunSeconds;
    q.Seconds = L"";
    q.SQLFile = L"/tmp/never-written.txt";
  });
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(1, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Err(), "[Warning!] The stop rule ")) << b.Both();
  EXPECT_TRUE(Has(b.Err(), "Seconds")) << b.Both();
  EXPECT_FALSE(Has(b.Out(), "statement log")) << "nothing ran, so no log to speak of";
}

// A DoType that is not a whole number from 0 to 5 is refused before the run, quoted as written;
// neither the run's start nor its end is announced, and nothing is logged.
TEST(ConsoleProcess, RunModeThatIsNoWholeNumberIsRefusedBeforeTheRun) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 1, 3));
  const std::wstring path = WriteSqliteProject(L"mode.bxp", p);
  const std::wstring log = LogStatementsBeside(path);
  std::string saved;
  ASSERT_TRUE(platform::ReadFileBytes(path, saved));
  ASSERT_TRUE(Has(saved, "\nDoType=1\n"));
  for (const std::string written : {"2x", "1.5", "99999999999", "", "abc"}) {
    SCOPED_TRACE(written);
    ASSERT_TRUE(platform::WriteFileBytes(
        path, Utf8(platform::ReplaceAll(platform::FromUtf8(saved), L"\nDoType=1\n",
                                        L"\nDoType=" + platform::FromUtf8(written) + L"\n"))));
    Brunox b({"-c", Utf8(path)});
    b.Start();
    EXPECT_EQ(1, b.Wait(seconds(20))) << b.Both();
    EXPECT_TRUE(Has(b.Err(), "[Warning!] The run mode in DoType must be a number from 0 to 5; it "
                             "is \"" + written + "\". The run did not start.\n"))
        << b.Both();
    EXPECT_FALSE(Has(b.Out(), "Running")) << b.Both();
    EXPECT_FALSE(Has(b.Out(), "Run finished")) << b.Both();
    EXPECT_FALSE(platform::FileExists(log)) << "nothing ran";
  }
}

// A statement log or report whose name, after links and "..", is the project file or a file the
// tasks read is refused before the run, naming both; neither file changes.
TEST(ConsoleProcess, OutputThatWouldReplaceTheProjectOrAFileItReadsIsRefused) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select '?1'", 1, 2));
  p.Tasks.back().Name = L"reader";
  p.Tasks.back().ParamType = kParamsFromFile;
  p.Tasks.push_back(MakeTask(L"", 1, 2));
  p.Tasks.back().Name = L"scripted";
  p.Tasks.back().UseFileSQL = 1;
  const std::wstring path = WriteSqliteProject(L"target.bxp", p);
  const std::wstring folder = platform::FolderPart(path);
  const std::wstring values = folder + L"/values.txt";
  const std::wstring script = folder + L"/script.sql";
  ASSERT_TRUE(platform::WriteFileBytes(values, "a\nb\n"));
  ASSERT_TRUE(platform::WriteFileBytes(script, "select 2"));
  ASSERT_EQ(0, ::mkdir(Utf8(folder + L"/sub").c_str(), 0700));
  ASSERT_EQ(0, ::symlink(Utf8(folder).c_str(), Utf8(folder + L"/link").c_str()));
  apptest::EditProject(path, [&](Project& q) {
    q.Tasks[0].File = values;
    q.Tasks[1].sqlFile = script;
  });

  struct Case {
    void (*setName)(Project&, const std::wstring&);  // names the output
    std::wstring written;
    std::wstring replaced;
    std::string message;
  };
  const std::string kNotStarted = ". The run did not start.\n";
  for (const Case& c : {
           Case{[](Project& q, const std::wstring& n) { q.SQLFile = n; },
                folder + L"/sub/../target.bxp", path,
                "The executed-statement log '" + Utf8(folder) +
                    "/sub/../target.bxp' (SQLFile) would replace the project file '" +
                    Utf8(path) + "'" + kNotStarted},
           Case{[](Project& q, const std::wstring& n) { q.ReportTxtFile = n; },
                folder + L"/link/values.txt", values,
                "The text report '" + Utf8(folder) +
                    "/link/values.txt' (ReportTxtFile) would replace the value file '" +
                    Utf8(values) + "' of task 'reader' (File)" + kNotStarted},
           Case{[](Project& q, const std::wstring& n) { q.CountersReport = n; }, script, script,
                "The counters report '" + Utf8(script) +
                    "' (CountersReport) would replace the script file '" + Utf8(script) +
                    "' of task 'scripted' (sqlFile)" + kNotStarted},
       }) {
    SCOPED_TRACE(c.message);
    apptest::EditProject(path, [&](Project& q) {
      q.SQLFile = q.ReportTxtFile = q.CountersReport = L"";
      c.setName(q, c.written);
    });
    std::string before;
    ASSERT_TRUE(platform::ReadFileBytes(c.replaced, before));
    Brunox b({"-c", Utf8(path)});
    EXPECT_EQ(1, b.Run()) << b.Both();
    EXPECT_TRUE(Has(b.Err(), "[Warning!] " + c.message)) << b.Both();
    EXPECT_FALSE(Has(b.Out(), "Running")) << b.Both();
    std::string after;
    EXPECT_TRUE(platform::ReadFileBytes(c.replaced, after));
    EXPECT_EQ(before, after);
  }
}

TEST(ConsoleProcess, StatementLogThatCouldNotBeWrittenFailsTheRun) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 2, 2));
  const std::wstring path = WriteSqliteProject(L"badlog.bxp", p);
  apptest::EditProject(path, [&](Project& q) {
    q.SQLFile = platform::FolderPart(path) + L"/no/such/folder/statements.txt";
  });
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(2, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "2 threads, 4 executions")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "The executed-statement log could not be written whole. See the log "
                           "for details: " + b.LogPath() + "\n"))
      << b.Both();
  EXPECT_FALSE(Has(b.Out(), "statements.txt")) << b.Both();
}

// A file-size limit (ulimit -f) acts as a full disk: the statement log ends with its last whole
// line, the summary says it is incomplete, and the run failed.
TEST(ConsoleProcess, FileSizeLimitEndsTheStatementLogWithItsLastWholeLine) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 2, 1000));
  const std::wstring path = WriteSqliteProject(L"limited.bxp", p);
  const std::wstring log = LogStatementsBeside(path);
  constexpr rlim_t kLimit = 64 * 1024;  // a third of the log, far more than the other files
  Brunox b({"-c", Utf8(path)});
  b.LimitFileSize(kLimit);
  EXPECT_EQ(2, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Out(), " s: 2 threads, 2000 executions")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "The executed-statement log could not be written whole.")) << b.Both();
  const std::string bytes = ReadAll(Utf8(log));
  EXPECT_LE(bytes.size(), kLimit);
  EXPECT_GT(bytes.size(), kLimit - 200) << "every whole line that fitted is kept";
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(std::string("\r\0\n\0", 4), bytes.substr(bytes.size() - 4));
}

// A connection to the PostgreSQL test server as its superuser; null after a failed assertion.
std::unique_ptr<CDB> PostgresAdmin() {
  std::unique_ptr<CDB> admin(CDB::newDB(0));
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::PostgresConnString();
  EXPECT_TRUE(admin && CDB::isOK(admin->OpenConnection(&info)))
      << (admin ? Utf8(admin->ErrorText) : "no ODBC environment");
  if (!admin || !admin->IsConnected()) admin.reset();
  return admin;
}

// A role that may hold `limit` connections at once, and the connection string that logs in as it.
std::wstring LimitedRole(CDB& admin, const std::wstring& role, int limit) {
  admin.Execute(L"drop role if exists " + role);
  EXPECT_TRUE(CDB::isOK(admin.Execute(L"create role " + role + L" login connection limit " +
                                      platform::FromInt(limit))))
      << Utf8(admin.ErrorText);
  return platform::ReplaceAll(testsupport::PostgresConnString(),
                              L"Uid=" + testsupport::PostgresUser() + L";", L"Uid=" + role + L";");
}

// A project saved as `name` whose default connection is the PostgreSQL test server, run for
// `seconds` seconds.
std::wstring WritePostgresProject(const std::wstring& name, Project p, const std::wstring& seconds) {
  const std::wstring path = WriteSqliteProject(name, std::move(p));
  apptest::EditProject(path, [&](Project& q) {
    q.DefConnection.ConnString = testsupport::PostgresConnString();
    q.DoType = kRunSeconds;
    q.Seconds = seconds;
  });
  return path;
}

TEST(ConsoleProcess, ThreadsThatCannotConnectFailTheRun) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> admin = PostgresAdmin();
  ASSERT_TRUE(admin);
  // The main connection takes the one connection the role may hold; the workers are refused.
  const std::wstring connString = LimitedRole(*admin, L"brunox_one", 1);
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 2, 1));
  const std::wstring path = WriteSqliteProject(L"limited.bxp", p);
  apptest::EditProject(path, [&](Project& q) { q.DefConnection.ConnString = connString; });
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(2, b.Run()) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Threads that could not connect: 2. See the log for details: " +
                               b.LogPath() + "\n"))
      << b.Both();
  admin->Execute(L"drop role brunox_one");
}

// The run ends (its first round reaches the rule of one round in all) while most threads still
// wait for their turn to connect: the summary tells the one that ran, those refused by the
// server and those that never tried apart.
TEST(ConsoleProcess, TheSummaryTellsThreadsThatRanFailedToConnectAndNeverTriedApart) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> admin = PostgresAdmin();
  ASSERT_TRUE(admin);
  // The main connection and one worker.
  const std::wstring connString = LimitedRole(*admin, L"brunox_two", 2);
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 200, 0));
  const std::wstring path = WriteSqliteProject(L"crowded.bxp", p);
  apptest::EditProject(path, [&](Project& q) {
    q.DefConnection.ConnString = connString;
    q.DoType = kRunAllAtLeast;
    q.AllTasks = L"1";
  });
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(2, b.Run()) << b.Both();
  std::smatch counts;
  const std::string out = b.Out();
  ASSERT_TRUE(std::regex_search(
      out, counts,
      std::regex(" s: 200 threads \\(1 ran(, ([0-9]+) could not connect)?, ([0-9]+) never "
                 "tried\\), ")))
      << b.Both();
  const int refused = counts[2].matched ? std::stoi(counts[2].str()) : 0;
  const int neverTried = std::stoi(counts[3].str());
  EXPECT_EQ(199, refused + neverTried) << b.Both();
  EXPECT_EQ(refused > 0,
            Has(out, "Threads that could not connect: " + std::to_string(refused) + ". "))
      << b.Both();
  EXPECT_TRUE(Has(out, "Threads that never tried to connect: " + std::to_string(neverTried) +
                           " (the run ended while they waited for their turn).\n"))
      << b.Both();
  admin->Execute(L"drop role brunox_two");
}

// Each thread's first round ends its own session. A lost connection does not come back: the
// threads end after that round, the run once they all have, long before its time rule, and the
// summary names them apart from threads whose statements failed.
TEST(ConsoleProcess, ThreadsThatLoseTheirConnectionEndAndAreNamed) {
  REQUIRE_POSTGRES();
  Project p;
  p.Tasks.push_back(MakeTask(L"select pg_terminate_backend(pg_backend_pid())", 2, 0));
  const std::wstring path = WritePostgresProject(L"lost.bxp", p, L"20");
  Brunox b({"-c", Utf8(path)});
  b.WriteSettings(L"StopOnError=0\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(2, b.Run()) << b.Both();
  EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(15)) << b.Both();
  EXPECT_TRUE(Has(b.Out(), " s: 2 threads, 0 executions")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), ", 2 failed rounds.\n")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "\nThreads that lost their connection: 2. See the log for details: " +
                               b.LogPath() + "\n"))
      << b.Both();
  EXPECT_FALSE(Has(b.Out(), "Threads with a failing statement")) << b.Both();
}

// A 1 s time rule while one thread sleeps in its statement: the run waits for the stop's cancel
// of that statement, but its rate is over the second the load ran, not over that wait.
TEST(ConsoleProcess, TheRateIsOverTheTimeTheLoadRanNotTheStopsWait) {
  REQUIRE_POSTGRES();
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 1, 0));
  p.Tasks.push_back(MakeTask(L"select pg_sleep(30)", 1, 0));
  const std::wstring path = WritePostgresProject(L"sleeper.bxp", p, L"1");
  Brunox b({"-c", Utf8(path)});
  EXPECT_EQ(0, b.Run()) << b.Both();
  std::smatch summary;
  const std::string out = b.Out();
  ASSERT_TRUE(std::regex_search(
      out, summary,
      std::regex("Run finished in ([0-9.]+) s: 2 threads, ([0-9]+) executions \\(([0-9.]+) per "
                 "second\\)")))
      << b.Both();
  const double wall = std::stod(summary[1].str());
  const double executions = std::stod(summary[2].str());
  const double rate = std::stod(summary[3].str());
  EXPECT_GE(wall, 1.0 + 5.0) << "the sleeping statement is cancelled 5 s after the stop";
  ASSERT_GT(executions, 0) << b.Both();
  ASSERT_GT(rate, 0) << b.Both();
  EXPECT_LT(executions / rate, 3.0) << b.Both();
}

// The processes of the PostgreSQL test server that run a statement holding `tag` and sleep in it
// (pg_sleep); they hold none of the server's locks then.
std::vector<pid_t> SleepingBackends(CDB& admin, const std::wstring& tag) {
  std::vector<pid_t> pids;
  if (!CDB::isOK(admin.Execute(L"select pid from pg_stat_activity where query like '%" + tag +
                               L"%' and state = 'active' and wait_event = 'PgSleep' and pid <> "
                               L"pg_backend_pid()")))
    return pids;
  std::wstring pid;
  while (admin.Fetch() == CDB::kOk && CDB::isOK(admin.GetColumnText(1, &pid, nullptr)))
    pids.push_back(static_cast<pid_t>(std::stol(Utf8(pid))));
  admin.CloseCursor();
  return pids;
}

using testsupport::FrozenProcesses;

// A server that stops answering in the middle of a run, even the cancel of a statement: the run
// still ends soon after its time rule, names the threads it left inside their database call,
// keeps its statement log whole and fails; the process quits without waiting for those threads.
TEST(ConsoleProcess, ARunOnAServerThatStopsAnsweringEndsWithoutTheThreadsLeftInside) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> admin = PostgresAdmin();
  ASSERT_TRUE(admin);
  const std::wstring tag = L"frozen_" + platform::FromInt(::getpid());
  Project p;
  p.Tasks.push_back(MakeTask(L"select pg_sleep(0.5) as " + tag, 3, 0));
  p.Tasks.back().Name = L"Sleepers";
  const std::wstring path = WritePostgresProject(L"frozen.bxp", p, L"2");
  const std::wstring log = LogStatementsBeside(path);
  Brunox b({"-c", Utf8(path)});
  b.Start();
  FrozenProcesses frozen;
  std::vector<pid_t> backends;
  for (int tries = 0; tries < 1500 && backends.size() < 3 && b.Running(); ++tries) {
    std::this_thread::sleep_for(milliseconds(20));
    backends = SleepingBackends(*admin, tag);
  }
  ASSERT_EQ(3u, backends.size()) << b.Both();
  for (const pid_t pid : backends)
    if (!frozen.Freeze(pid)) GTEST_SKIP() << "the server's processes cannot be stopped from here";

  EXPECT_EQ(2, b.Wait(seconds(60))) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Stopping: waiting for 3 threads that have not ended; ")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "(Ctrl-C quits at once)...\n")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Threads left inside a database call: 3 (task 'Sleepers': 1, 2, 3). "
                           "The run ended without waiting for them.\n"))
      << b.Both();
  EXPECT_TRUE(Has(b.Err(), "the run ended without them: task 'Sleepers': 1, 2, 3\n")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Executed-statement log: " + Utf8(log) + "\n")) << b.Both();
  // Whole up to the end of the run: a header and lines of eight fields.
  const std::vector<std::wstring> lines =
      platform::Split(platform::FromUtf16Le(ReadAll(Utf8(log)).substr(2)), L'\n');
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(L"", lines.back()) << "ends with a line end";
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_EQ(8u, platform::Split(lines[i], L'\t').size()) << Utf8(lines[i]);
}

// A run that ends only when stopped: one thread, a short think time.
std::wstring EndlessProject(const std::wstring& name, const std::wstring& sql) {
  Project p;
  p.Tasks.push_back(MakeTask(sql, 1, 0));
  p.Tasks.back().Delay = p.Tasks.back().DelayMax = 20;
  const std::wstring path = WriteSqliteProject(name, p);
  apptest::EditProject(path, [](Project& q) { q.DoType = kRunUntilStopped; });
  return path;
}

TEST(ConsoleProcess, InterruptStopsTheRunCleanly) {
  Brunox b({"-c", Utf8(EndlessProject(L"endless.bxp", L"select 1"))});
  b.Start();
  ASSERT_TRUE(b.WaitForText("Running...", false)) << b.Both();
  std::this_thread::sleep_for(milliseconds(500));
  b.Signal(SIGINT);
  EXPECT_EQ(0, b.Wait(seconds(30))) << b.Both();
  EXPECT_TRUE(Has(b.Err(), "Stopping the run")) << b.Both();
  EXPECT_TRUE(Has(b.Out(), "Run finished in ")) << b.Both();
}

// A reader of standard output that has gone (`brunox -c p.bxp | head -1`) does not end the run:
// what is written to it is dropped, and the run ends as it would have.
TEST(ConsoleProcess, ClosedStandardOutputDoesNotEndTheRun) {
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 2, 50));
  const std::wstring path = WriteSqliteProject(L"piped.bxp", p);
  const std::wstring log = LogStatementsBeside(path);
  Brunox b({"-c", Utf8(path)});
  b.OutputToClosedPipe();
  EXPECT_EQ(0, b.Run()) << b.Both();
  EXPECT_EQ("", b.Err());
  const std::string bytes = ReadAll(Utf8(log));
  ASSERT_GE(bytes.size(), 2u) << "the run did not get as far as its log";
  const std::vector<std::wstring> lines =
      platform::Split(platform::FromUtf16Le(bytes.substr(2)), L'\n');
  EXPECT_EQ(1u + 100u + 1u, lines.size()) << "the header, a line per execution, the last end";
}

// The quit writes out the statement log's lines that the run has gathered but not yet written.
TEST(ConsoleProcess, SecondInterruptQuitsAHungRun) {
  // A statement that never returns stands for a driver that hangs; next to it a thread logs.
  const std::wstring path = EndlessProject(
      L"hung.bxp",
      L"with recursive c(x) as (select 1 union all select x + 1 from c) select count(*) from c");
  const std::wstring log = platform::FolderPart(path) + L"/statements.txt";
  apptest::EditProject(path, [&](Project& q) {
    q.Tasks.push_back(MakeTask(L"select 1", 1, 0));
    q.Tasks.back().Name = L"quick";
    q.Tasks.back().Delay = q.Tasks.back().DelayMax = 20;
    q.SQLFile = log;
  });
  Brunox b({"-c", Utf8(path)});
  b.Start();
  ASSERT_TRUE(b.WaitForText("Running...", false)) << b.Both();
  std::this_thread::sleep_for(milliseconds(500));
  b.Signal(SIGINT);
  ASSERT_TRUE(b.WaitForText("Stopping the run", true)) << b.Both();
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_TRUE(b.Running()) << "the first interrupt cannot end a hung statement";
  b.Signal(SIGINT);
  EXPECT_EQ(130, b.Wait(seconds(10))) << b.Both();
  EXPECT_TRUE(Has(b.Err(), "Interrupted again: quitting without waiting for the run.\n"))
      << b.Both();
  EXPECT_FALSE(Has(b.Err(), "incomplete")) << b.Both();
  const std::string bytes = ReadAll(Utf8(log));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
  const std::vector<std::wstring> lines = platform::Split(platform::FromUtf16Le(bytes.substr(2)), L'\n');
  ASSERT_GE(lines.size(), 3u) << "the header and a line of the quick task at least";
  EXPECT_EQ(L"TaskNo\tTaskName\tThread\tSQL\tRowsFetched\tExecTime\tFetchTime\tTimestamp\r",
            lines[0]);
  EXPECT_EQ(L"", lines.back()) << "ends with a line end";
  for (size_t i = 1; i + 1 < lines.size(); ++i)
    EXPECT_TRUE(platform::StartsWith(lines[i], L"2\tquick\t1\tselect 1\t1\t")) << Utf8(lines[i]);
}

// The SQLite database a project of WriteSqliteProject runs on, connected.
std::unique_ptr<CDB> ProjectDatabase(const std::wstring& projectPath) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  if (!db) return db;
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(platform::FolderPart(projectPath) + L"/db.sqlite");
  EXPECT_EQ(0, db->OpenConnection(&info)) << Utf8(db->ErrorText);
  return db;
}

// The values of table `target`, in the order they were inserted, joined by blanks.
std::wstring TargetRows(CDB& db) {
  std::wstring rows;
  EXPECT_EQ(0, db.Execute(
                   L"select group_concat(v, ' ') from (select v from target order by rowid)"));
  EXPECT_EQ(0, db.Fetch());
  EXPECT_EQ(0, db.GetColumnText(1, &rows, nullptr));
  return rows;
}

// A project saved as `name` of one task that runs `sql` `execs` times on one thread, with
// parameters generated by `patterns`.
std::wstring WriteParameterProject(const std::wstring& name, const std::wstring& sql, int execs,
                                   const std::vector<std::wstring>& patterns) {
  Project p;
  Task task = MakeTask(sql, 1, execs);
  task.ParamType = kParamsGenerated;
  for (const std::wstring& pattern : patterns) {
    TaskParam param;
    param.PropMethod = kParamPattern;
    param.PropTempl = pattern;
    task.Params.push_back(param);
  }
  p.Tasks.push_back(task);
  return WriteSqliteProject(name, p);
}

// Creates table `target` in the project's database after running `setUp` there.
void PrepareTarget(const std::wstring& projectPath, std::vector<std::wstring> setUp = {}) {
  std::unique_ptr<CDB> db = ProjectDatabase(projectPath);
  ASSERT_TRUE(db && db->IsConnected());
  setUp.push_back(L"create table target (v text)");
  for (const std::wstring& sql : setUp) ASSERT_EQ(0, db->Execute(sql)) << Utf8(db->ErrorText);
}

// Runs the project as the console does, expects it to succeed and returns what it printed.
std::string RunProject(const std::wstring& projectPath) {
  Brunox b({"-c", Utf8(projectPath)});
  EXPECT_EQ(0, b.Run()) << b.Both();
  return b.Both();
}

// Parameters drawn from the project's own database by a `$query` pattern reach the statements in
// the order the query gives them.
TEST(ConsoleProcess, ParametersComeFromAQueryOfTheDatabase) {
  const std::wstring path =
      WriteParameterProject(L"query.bxp", L"insert into target values ('?1')", 6,
                            {L"$query(select name from source order by name,1)"});
  ASSERT_NO_FATAL_FAILURE(PrepareTarget(
      path, {L"create table source (name text)",
             L"insert into source values ('gamma'), ('alpha'), ('beta')"}));

  const std::string out = RunProject(path);
  EXPECT_TRUE(Has(out, " s: 1 threads, 6 executions (")) << out;

  std::unique_ptr<CDB> db = ProjectDatabase(path);
  ASSERT_TRUE(db && db->IsConnected());
  EXPECT_EQ(L"alpha beta gamma alpha beta gamma", TargetRows(*db));
}

// Parameters drawn from a workbook's sheet by an `$msexcel` pattern, read by the program's own
// file provider: the sheet's distinct values of one column, in order.
TEST(ConsoleProcess, ParametersComeFromAWorkbook) {
  const std::wstring workbook = testsupport::NewScratchPath(L"cities.xlsx");
  const std::wstring path =
      WriteParameterProject(L"excel.bxp", L"insert into target values ('?1')", 4,
                            {L"$msexcel(\"" + workbook + L"\",Cities,Name,1)"});

  lxw_workbook* wb = workbook_new(Utf8(workbook).c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(wb, "Cities");
  worksheet_write_string(sheet, 0, 0, "Name", nullptr);
  const char* names[] = {"Oslo", "Lima", "Oslo"};
  for (lxw_row_t row = 0; row < 3; ++row) worksheet_write_string(sheet, row + 1, 0, names[row], nullptr);
  ASSERT_EQ(LXW_NO_ERROR, workbook_close(wb));
  ASSERT_NO_FATAL_FAILURE(PrepareTarget(path));

  RunProject(path);

  std::unique_ptr<CDB> db = ProjectDatabase(path);
  ASSERT_TRUE(db && db->IsConnected());
  const std::wstring rows = TargetRows(*db);
  // The distinct names, drawn in turn; the sheet's order of them is the reader's.
  EXPECT_TRUE(rows == L"Oslo Lima Oslo Lima" || rows == L"Lima Oslo Lima Oslo") << Utf8(rows);
}

// Parameters drawn from the value library shipped next to the program: a list of cities and a
// group of columns of one country's row.
TEST(ConsoleProcess, ParametersComeFromTheValueLibrary) {
  const std::wstring path = WriteParameterProject(
      L"library.bxp", L"insert into target values ('?1|?2|?3')", 5,
      {L"$lib(Cities, Name)", L"$libgroup(1, Countries, Code2, Name, *, Code3='JPN')",
       L"$group(1, 2)"});
  ASSERT_NO_FATAL_FAILURE(PrepareTarget(path));

  RunProject(path);

  std::unique_ptr<CDB> db = ProjectDatabase(path);
  ASSERT_TRUE(db && db->IsConnected());
  const std::wstring library =
      platform::FolderPart(platform::FromUtf8(BRUNOX_EXE)) + L"/library.sqlite";
  ASSERT_EQ(0, db->Execute(L"attach database '" + library + L"' as lib")) << Utf8(db->ErrorText);
  // Every row is a city of the library's list and Japan's code and name.
  std::wstring counts;
  ASSERT_EQ(0, db->Execute(L"select count(*) || ' ' || sum(exists (select 1 from lib.Cities c "
                           L"where t.v = c.Name || '|JP|Japan')) from target t"));
  ASSERT_EQ(0, db->Fetch());
  ASSERT_EQ(0, db->GetColumnText(1, &counts, nullptr));
  EXPECT_EQ(L"5 5", counts) << Utf8(TargetRows(*db));
}

// Parameters found in an XML file (an attribute selected by XPath, in a namespaced element of a
// document declared ISO-8859-1) and in a JSON file (a value path into an array).
TEST(ConsoleProcess, ParametersComeFromXmlAndJsonFiles) {
  const std::wstring xml = testsupport::NewScratchPath(L"shop.xml");
  const std::wstring json = testsupport::NewScratchPath(L"shop.json");
  ASSERT_TRUE(platform::WriteFileBytes(
      xml, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
           "<shop xmlns=\"urn:shop\"><item code=\"Caf\xE9\"/><item code=\"Tea\"/></shop>\n"));
  ASSERT_TRUE(platform::WriteFileBytes(
      json, R"({"items": [{"name": "Pen"}, {"name": "Ink"}]})"));
  const std::wstring path = WriteParameterProject(
      L"documents.bxp", L"insert into target values ('?1-?2')", 3,
      {L"$xml(" + xml + L", /_:shop/_:item[1]/@code)", L"$json(" + json + L", $.items.1.name)"});
  ASSERT_NO_FATAL_FAILURE(PrepareTarget(path));

  RunProject(path);

  std::unique_ptr<CDB> db = ProjectDatabase(path);
  ASSERT_TRUE(db && db->IsConnected());
  EXPECT_EQ(L"Caf\u00E9-Ink Caf\u00E9-Ink Caf\u00E9-Ink", TargetRows(*db));
}

}  // namespace
