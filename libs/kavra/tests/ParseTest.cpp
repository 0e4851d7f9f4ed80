#include <gtest/gtest.h>

#include "kavra/Parse.h"
#include "kavra/SqlLiteral.h"

namespace {

struct ParseCase {
  const char* name;
  std::wstring text;
  std::vector<std::wstring> statements;
};

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, Splits) {
  const ParseCase& c = GetParam();
  CParse parser;
  parser.Statements = {L"left over from before"};
  EXPECT_EQ(parser.Parse(c.text, 0), static_cast<int>(c.statements.size()));
  EXPECT_EQ(parser.Statements, c.statements);
}

const ParseCase kCases[] = {
    {"Empty", L"", {}},
    {"OnlySeparators", L" ;\n; ;\t;", {}},
    {"OnlyBlanksAndGo", L"  \nGO\n  go  \n", {}},
    {"One", L"select 1", {L"select 1"}},
    {"TrailingSeparator", L"select 1;", {L"select 1"}},
    {"Two", L"  select 1 ;\n select 2;  ", {L"select 1", L"select 2"}},
    {"SeparatorInSingleQuotes", L"insert into t values ('a;b');x", {L"insert into t values ('a;b')", L"x"}},
    {"DoubledQuote", L"select 'it''s;here'; y", {L"select 'it''s;here'", L"y"}},
    {"SeparatorInDoubleQuotes", L"select \"a;b\" from t; y", {L"select \"a;b\" from t", L"y"}},
    {"LineComment", L"select 1 -- not; split\n; y", {L"select 1 -- not; split", L"y"}},
    {"LineCommentKeptAtStart", L"-- first\nselect 1;", {L"-- first\nselect 1"}},
    {"BlockComment", L"select /* a; b\n; c */ 1; y", {L"select /* a; b\n; c */ 1", L"y"}},
    {"QuoteInComment", L"select 1 /* it's */; y", {L"select 1 /* it's */", L"y"}},
    {"CommentMarkInQuote", L"select '--'; select '/*'; y", {L"select '--'", L"select '/*'", L"y"}},
    {"GoLines", L"select 1\nGO\nselect 2\r\n  go \r\nselect 3", {L"select 1", L"select 2", L"select 3"}},
    {"GoIsOnlyAWholeLine", L"select go\nfrom t\nGOTO\n", {L"select go\nfrom t\nGOTO"}},
    {"GoInsideBlockComment", L"select 1 /*\nGO\n*/ from t", {L"select 1 /*\nGO\n*/ from t"}},
    {"GoInsideQuote", L"select '\nGO\n'", {L"select '\nGO\n'"}},
    {"GoAfterLineComment", L"select 1 -- c\nGO\nselect 2", {L"select 1 -- c", L"select 2"}},
    {"DollarQuote",
     L"create function f() returns int as $$ begin return 1; end; $$ language plpgsql; select f()",
     {L"create function f() returns int as $$ begin return 1; end; $$ language plpgsql",
      L"select f()"}},
    {"TaggedDollarQuote", L"do $body$ begin perform 1; $$ still; end $body$; y",
     {L"do $body$ begin perform 1; $$ still; end $body$", L"y"}},
    {"DollarParameterIsNoQuote", L"select $1; select $2", {L"select $1", L"select $2"}},
    {"DollarInIdentifierIsNoQuote", L"select a$$b; y", {L"select a$$b", L"y"}},
    {"UnterminatedQuoteRunsToEnd", L"select 1; select 'abc; def", {L"select 1", L"select 'abc; def"}},
    {"UnterminatedDoubleQuote", L"select \"x;", {L"select \"x;"}},
    {"UnterminatedBlockComment", L"select 1 /* ; ;", {L"select 1 /* ; ;"}},
    {"UnterminatedDollarQuote", L"do $$ a; b", {L"do $$ a; b"}},
    {"LoneDollar", L"select '$' || $ ; y", {L"select '$' || $", L"y"}},
    {"NonAscii", L"select 'Grüße; 漢字 \U0001F600'; select 2", {L"select 'Grüße; 漢字 \U0001F600'", L"select 2"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ParseCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(SqlStringLiteralTest, QuotesAreDoubledInsideSingleQuotes) {
  EXPECT_EQ(L"''", SqlStringLiteral(L""));
  EXPECT_EQ(L"'/traces/a.trc'", SqlStringLiteral(L"/traces/a.trc"));
  EXPECT_EQ(L"'C:\\o''brien''s.trc'", SqlStringLiteral(L"C:\\o'brien's.trc"));
  EXPECT_EQ(L"''''''", SqlStringLiteral(L"''"));
}

}  // namespace
