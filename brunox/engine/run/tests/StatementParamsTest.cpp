// Filling the markers ?1, ?2, ... of a statement: value-file lines and generated values.
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "RunnerTestSupport.h"
#include "brunox/engine/run/StatementMarkers.h"
#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/IGenerator.h"
#include "testsupport/TestEnv.h"

namespace runnertest {
namespace {

std::wstring Filled(const std::wstring& text, const std::wstring& line, wchar_t separator) {
  std::wstring out = text;
  BrunoxRunner::PrepareOneLine(&out, line, separator);
  return out;
}

TEST(PrepareOneLine, FieldsGoToTheirMarkers) {
  const struct {
    const wchar_t* text;
    const wchar_t* line;
    wchar_t separator;
    const wchar_t* filled;
  } cases[] = {
      {L"?1 ?10 ?2", L"a\tb\tc\td\te\tf\tg\th\ti\tj", L'\t', L"a j b"},
      {L"(?1,?2)", L"x\ty", L'\t', L"(x,y)"},
      {L"(?1,?2)", L"x\t", L'\t', L"(x,)"},
      {L"(?1,?2)", L"x", L'\t', L"(x,?2)"},
      {L"(?1,?2,?1)", L"p;q;r", L';', L"(p,q,p)"},
      {L"?1", L"", L'\t', L""},
      {L"no markers", L"a\tb", L'\t', L"no markers"},
      {L"?11", L"a\tb", L'\t', L"a1"},  // without an eleventh field ?11 is ?1 and a 1
      {L"?105", L"a\tb\tc\td\te\tf\tg\th\ti\tj", L'\t', L"j5"},
      {L"?01 ?0 ?", L"a", L'\t', L"?01 ?0 ?"},  // no marker starts with 0
      {L"??1?", L"a", L'\t', L"?a?"},
      {L"(?1,?2)", L"a\t?1", L'\t', L"(a,?1)"},  // a value is never filled again
      {L"?2?1", L"?2\t?1", L'\t', L"?1?2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.filled, Filled(c.text, c.line, c.separator)) << platform::ToUtf8(c.text);
}

// Each field names the one before it twice: filling the markers again after each value would
// double the text with every field, to 2^29 copies of ?1.
TEST(PrepareOneLine, ValuesThatHoldMarkersDoNotMultiply) {
  std::wstring line = L"x";
  for (int i = 2; i <= 30; ++i) line += platform::Format(L"\t?%d?%d", i - 1, i - 1);
  EXPECT_EQ(L"[?29?29]", Filled(L"[?30]", line, L'\t'));
}

TEST(ScriptStatements, TheScriptIsSplitBeforeItsMarkersAreFilled) {
  ScriptStatements script(L"insert into t values ('?1');\ninsert into t values ('?2', ?3)", true);
  EXPECT_FALSE(script.SplitsAfterFilling());
  const std::vector<std::wstring> values = {L"O'Brien", L"a; b", L"3"};
  EXPECT_EQ((std::vector<std::wstring>{L"insert into t values ('O'Brien')",
                                       L"insert into t values ('a; b', 3)"}),
            script.Fill(&values))
      << "a quote or a ';' in a value stays in its statement";
  EXPECT_EQ((std::vector<std::wstring>{L"insert into t values ('?1')",
                                       L"insert into t values ('?2', ?3)"}),
            script.Fill(nullptr));
}

TEST(ScriptStatements, AMarkerStandingAloneTakesWholeStatements) {
  ScriptStatements script(L"?1;\nselect '?2'", true);
  EXPECT_TRUE(script.SplitsAfterFilling());
  const std::vector<std::wstring> values = {L"insert into a values (1); delete from b", L"x"};
  EXPECT_EQ((std::vector<std::wstring>{L"insert into a values (1)", L"delete from b",
                                       L"select 'x'"}),
            script.Fill(&values));
  const std::vector<std::wstring> empty = {L"", L"x"};
  EXPECT_EQ((std::vector<std::wstring>{L"select 'x'"}), script.Fill(&empty));
  EXPECT_FALSE(script.NeverHasStatements());
}

TEST(ScriptStatements, ScriptsWithoutAStatement) {
  EXPECT_TRUE(ScriptStatements(L"", false).NeverHasStatements());
  EXPECT_TRUE(ScriptStatements(L" \r\n", false).NeverHasStatements());
  EXPECT_TRUE(ScriptStatements(L";;\n;", true).NeverHasStatements());
  ScriptStatements whole(L"select 1; select 2", false);
  EXPECT_EQ((std::vector<std::wstring>{L"select 1; select 2"}), whole.Fill(nullptr))
      << "without the parser the script is one statement";
}

TEST(PrepareOneLine, SeparatorOfATask) {
  EXPECT_EQ(L'\t', BrunoxRunner::SeparatorChar(L"<tab>"));
  EXPECT_EQ(L'\t', BrunoxRunner::SeparatorChar(L""));
  EXPECT_EQ(L';', BrunoxRunner::SeparatorChar(L";,"));
}

class GeneratedParams : public ::testing::Test {
 protected:
  void SetUp() override {
    task_.ParamType = kParamsGenerated;
    record_.TheTask = &task_;
    project_.Console = 1;
  }
  void Patterns(const std::vector<std::wstring>& patterns) {
    task_.Params.clear();
    for (const std::wstring& p : patterns) {
      TaskParam param;
      param.PropTempl = p;
      task_.Params.push_back(param);
    }
  }
  std::wstring Generate(const std::wstring& text, bool oneOff = false) {
    std::wstring out = text;
    runner_->ParamsForOneLine(&out, &record_, &project_, nullptr, oneOff);
    return out;
  }
  testsupport::RecordingUi ui_;
  std::unique_ptr<BrunoxRunner> runner_ = std::make_unique<BrunoxRunner>();
  Project project_;
  Task task_;
  ThreadInfo record_;
};

TEST_F(GeneratedParams, TenthMarkerIsNotTakenForTheFirst) {
  // 'a' alone would be a random letter: escaped it is the letter itself.
  Patterns({L"\\a", L"b", L"c", L"d", L"e", L"f", L"g", L"h", L"i", L"j"});
  EXPECT_EQ(L"a-j-b", Generate(L"?1-?10-?2"));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(GeneratedParams, TheEngineKeepsItsColumnsFromOneExecutionToTheNext) {
  Patterns({L"NNNN", L"@@1"});
  std::vector<std::wstring> values;
  for (int i = 0; i < 4; ++i) values.push_back(Generate(L"?1 ?2"));
  ASSERT_NE(nullptr, record_.Engine);
  EXPECT_EQ(2u, record_.Engine->ColumnCount()) << "the columns are named once";
  for (int i = 1; i < 4; ++i) {
    const auto now = platform::Split(values[i], L' ');
    const auto before = platform::Split(values[i - 1], L' ');
    ASSERT_EQ(2u, now.size());
    EXPECT_EQ(before[0], now[1]) << "P2 is the previous P1";
  }
  // A preview ends the engine's row: the next call starts afresh.
  Generate(L"?1", true);
  EXPECT_EQ(0u, record_.Engine->ColumnCount());
  EXPECT_FALSE(record_.EngineReady);
}

// In a run a failing pattern fails the run: every value that failed is counted, and the first
// error of each task is a run error, so an unattended run says it once. The window shows it with
// every execution; a preview is no run and counts nothing.
TEST_F(GeneratedParams, APatternErrorIsARunErrorOncePerTask) {
  task_.Name = L"colours";
  Patterns({L"<red|green", L"N"});
  for (int i = 0; i < 3; ++i) {
    const auto values = platform::Split(Generate(L"[?1] ?2"), L' ');
    EXPECT_EQ(L"[]", values[0]) << "the statement runs with what came back";
  }
  EXPECT_EQ(3, runner_->FailedValues);
  EXPECT_EQ((std::vector<std::wstring>{L"Task 'colours': the pattern of ?1 (<red|green) failed: "
                                       L"List: <...> list closed incorrectly."}),
            runner_->RunErrors());
  EXPECT_TRUE(ui_.messages.empty()) << "console mode: the run error says it";

  project_.Console = 0;
  Generate(L"?1");
  Generate(L"?1");
  ASSERT_EQ(2u, ui_.messages.size());
  EXPECT_EQ(L"Pattern Error", ui_.messages[0].caption);
  EXPECT_EQ(L"List: <...> list closed incorrectly.", ui_.messages[0].text);
  EXPECT_EQ(platform::MsgIcon::None, ui_.messages[0].icon);
  EXPECT_EQ(5, runner_->FailedValues);
  EXPECT_EQ(1u, runner_->RunErrors().size());

  Generate(L"?1", /*oneOff=*/true);
  EXPECT_EQ(3u, ui_.messages.size());
  EXPECT_EQ(5, runner_->FailedValues) << "a preview counts nothing";
}

// Generated values in a real run: every execution inserts a new value of its pattern.
TEST_F(RunnerTest, GeneratedPatternsFillEveryExecution) {
  Exec(L"create table g(id integer primary key autoincrement, code varchar(10), cur varchar(10), "
       L"prev varchar(10))");
  Task& task = AddTask(L"generate", L"insert into g(code, cur, prev) values ('?1', '?2', '?3')", 3, 4);
  task.ParamType = kParamsGenerated;
  for (const wchar_t* pattern : {L"AAA-NN", L"N{=9}", L"@@2"}) {
    TaskParam param;
    param.PropTempl = pattern;
    task.Params.push_back(param);
  }
  RunProject();
  EXPECT_EQ(12, ScalarInt(L"select count(*) from g where code glob '[A-Z][A-Z][A-Z]-[0-9][0-9]'"));
  EXPECT_GT(ScalarInt(L"select count(distinct code) from g"), 6) << "a new value every time";
  // Each thread's engine lives as long as the thread: in every thread each execution but the
  // first sees the value its predecessor generated.
  EXPECT_EQ(9, ScalarInt(L"select count(*) from g a where exists "
                         L"(select 1 from g b where b.cur = a.prev and b.id < a.id)"));
  EXPECT_TRUE(ui_.messages.empty());
}

// An unknown function in a pattern fails every value of it: each is counted, and the run names
// the first error of each task once, however many threads meet it.
TEST_F(RunnerTest, PatternErrorsOfARunAreCountedAndNamedOncePerTask) {
  Exec(L"create table g(v varchar(10))");
  for (const wchar_t* name : {L"first", L"second"}) {
    Task& task = AddTask(name, L"insert into g(v) values ('?1')", 3, 2);
    task.ParamType = kParamsGenerated;
    TaskParam param;
    param.PropTempl = L"$nosuch(1)";
    task.Params.push_back(param);
  }
  AddTask(L"fine", L"insert into g(v) values ('fine')", 1, 1);
  RunProject();
  EXPECT_EQ(12, runner_->FailedValues);
  const std::vector<std::wstring>& errors = runner_->RunErrors();
  ASSERT_EQ(2u, errors.size());
  std::vector<std::wstring> tasks;
  for (const std::wstring& error : errors) {
    EXPECT_NE(std::wstring::npos, error.find(L"the pattern of ?1 ($nosuch(1)) failed: "))
        << platform::ToUtf8(error);
    EXPECT_NE(std::wstring::npos, error.find(L"nosuch")) << platform::ToUtf8(error);
    tasks.push_back(error.substr(0, error.find(L':')));
  }
  std::sort(tasks.begin(), tasks.end());
  EXPECT_EQ((std::vector<std::wstring>{L"Task 'first'", L"Task 'second'"}), tasks);
  EXPECT_TRUE(ui_.messages.empty()) << "console mode";
  EXPECT_EQ(1, ScalarInt(L"select count(*) from g where v = 'fine'"));
}

// On the PostgreSQL server, through a task's own connection: each connection is one thread, so
// the server's process id tells the threads apart, and each thread's values follow one another.
TEST_F(RunnerTest, EachThreadKeepsItsEngineOnPostgreSQL) {
  REQUIRE_POSTGRES();
  const std::wstring table = L"brunox_params_" + platform::FromInt(getpid());
  Task& task = AddTask(L"pg", L"insert into " + table +
                                  L"(pid, cur, prev) values (pg_backend_pid(), '?1', '?2')",
                       4, 5);
  task.DefConnect = 0;
  task.TaskCon = PostgresInfo();
  task.SQLBefore = L"drop table if exists " + table + L"; create table " + table +
                   L"(id serial, pid int, cur varchar(12), prev varchar(12))";
  task.UseParser = 1;
  task.ParamType = kParamsGenerated;
  for (const wchar_t* pattern : {L"N{=9}", L"@@1"}) {
    TaskParam param;
    param.PropTempl = pattern;
    task.Params.push_back(param);
  }
  RunProject();
  UseMainConnection(PostgresInfo());
  EXPECT_EQ((std::vector<std::wstring>{L"5", L"5", L"5", L"5"}),
            Rows(L"select count(*) from " + table + L" group by pid"));
  EXPECT_EQ(16, ScalarInt(L"select count(*) from " + table + L" a where a.prev = (select b.cur from " +
                          table + L" b where b.pid = a.pid and b.id < a.id order by b.id desc limit 1)"))
      << "every execution but a thread's first sees its predecessor's value";
  Exec(L"drop table " + table);
}


// A generator of the test's own, registered by name like the program's generators: each
// instance counts 1, 2, 3, ... and tells which instance it is, "instance:count".
class CountingGenerator : public IGenerator {
 public:
  CountingGenerator() : instance_(++instances) {}
  std::wstring Value(std::wstring*) override {
    return platform::FromInt(instance_) + L":" + platform::FromInt(++count_);
  }
  void Reset() override { count_ = 0; }
  static inline std::atomic<int> instances{0};

 private:
  int instance_;
  int count_ = 0;
};

IGenerator* MakeCountingGenerator(const GeneratorCall&) { return new CountingGenerator; }

// Stateful generators advance across the executions of each thread: every thread's engine keeps
// its generator for the thread's whole life.
TEST_F(RunnerTest, ACountingGeneratorAdvancesAcrossTheExecutionsOfEachThread) {
  FunctionTable::RegisterGenerator(L"brunoxtestcount", 990001, MakeCountingGenerator);
  Exec(L"create table c(v varchar(20))");
  Task& task = AddTask(L"count", L"insert into c(v) values ('?1')", 3, 5);
  task.ParamType = kParamsGenerated;
  TaskParam param;
  param.PropTempl = L"$brunoxtestcount()";
  task.Params.push_back(param);
  RunProject();
  EXPECT_TRUE(ui_.messages.empty());
  const std::wstring split =
      L"(select substr(v, 1, instr(v, ':') - 1) as inst, cast(substr(v, instr(v, ':') + 1) as "
      L"integer) as n from c)";
  EXPECT_EQ(15, ScalarInt(L"select count(*) from c"));
  EXPECT_EQ((std::vector<std::wstring>{L"1|5|5", L"1|5|5", L"1|5|5"}),
            Rows(L"select min(n), max(n), count(distinct n) from " + split + L" group by inst"))
      << "each thread's values are 1 to 5";
}

}  // namespace
}  // namespace runnertest
