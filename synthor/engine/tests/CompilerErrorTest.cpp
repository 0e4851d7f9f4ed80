// Every syntax error of the pattern language: its code and its text, and which error a pattern
// with several faults reports.
#include <gtest/gtest.h>

#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct SyntaxCase {
  const wchar_t* pattern;
  bool withColumns;  // define the columns P1 and [P2] first
  int code;
  const wchar_t* text;
};

const SyntaxCase kSyntaxCases[] = {
    // Function calls.
    {L"$rint", false, 90, L"Function: parameter(s) missed."},
    {L"$rint(", false, 90, L"Function: parameter(s) missed."},
    {L"x$", false, 90, L"Function: parameter(s) missed."},
    {L"$rint(1, 10", false, 91, L"Function: brackets coordination error."},
    {L"$rint((1, 10)", false, 91, L"Function: brackets coordination error."},
    {L"$nosuch(1)", false, 100,
     L"Function: could not recognize 'nosuch' as correct function name."},
    {L"$ no such (1)", false, 100,
     L"Function: could not recognize 'nosuch' as correct function name."},
    // Lists.
    {L"<>", false, 104, L"List: <...> list is empty."},
    {L"<red|green", false, 112, L"List: <...> list closed incorrectly."},
    {L"x<", false, 112, L"List: <...> list closed incorrectly."},
    {L"<ok|A{x}>", false, 105, L"Incorrect repeater value."},
    // Repeaters.
    {L"A{x}", false, 105, L"Incorrect repeater value."},
    {L"A{=}", false, 105, L"Incorrect repeater value."},
    {L"A{", false, 105, L"Incorrect repeater value."},
    {L"N{3", false, 105, L"Incorrect repeater value."},
    {L"N{:3}", false, 105, L"Incorrect repeater value."},
    {L"N{=3:4}", false, 105, L"Incorrect repeater value."},
    {L"N{-1}", false, 105, L"Incorrect repeater value."},
    {L"N{99999999999999999999}", false, 105, L"Incorrect repeater value."},
    {L"N{1:99999999999}", false, 105, L"Incorrect repeater value."},
    {L"N{2:}", false, 111, L"Incorrect high border of the repeater."},
    // Optional blocks.
    {L"[abc", false, 113, L"Optional block list closed incorrectly"},
    {L"[abc\\]", false, 113, L"Optional block list closed incorrectly"},
    // Column references.
    {L"@1", false, 700, L"Column: definitions are not present."},
    {L"x@", true, 701, L"Column: column reference without column name."},
    {L"@@", true, 701, L"Column: column reference without column name."},
    {L"@3", true, 702, L"Column: invalid column index."},
    {L"@0", true, 702, L"Column: invalid column index."},
    {L"@99999999999999999999999", true, 702, L"Column: invalid column index."},
    {L"@x", true, 703, L"Column: column name without quotation."},
    {L"@'P1", true, 704, L"Column: column name quotation error."},
    {L"@'P(1'", true, 704, L"Column: column name quotation error."},
    {L"@'P\"1'", true, 704, L"Column: column name quotation error."},
    {L"@'p1'", true, 705, L"Column: specified column 'p1' not found."},
    // Several faults: the last one counts, a later success does not hide an earlier failure.
    {L"$nosuch(1)$rint(1,2)", false, 100,
     L"Function: could not recognize 'nosuch' as correct function name."},
    {L"<>[abc", false, 113, L"Optional block list closed incorrectly"},
    {L"[abc\\]<>", false, 113, L"Optional block list closed incorrectly"},
    {L"A{x}<ok|fine>", false, 105, L"Incorrect repeater value."},
};

class CompilerErrors : public EngineFixture, public ::testing::WithParamInterface<SyntaxCase> {};

TEST_P(CompilerErrors, ReportCodeAndText) {
  const SyntaxCase& c = GetParam();
  if (c.withColumns) {
    engine.AddColumnName(L"P1");
    engine.AddColumnName(L"[P2]");
  }
  DGValue value;
  value.value = L"left over";
  EXPECT_EQ(engine.Value(-1, c.pattern, &value, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), c.code);
  EXPECT_EQ(engine.Error(), c.text);
  EXPECT_EQ(value.value, L"") << "a failed compilation leaves no value";
  // No handle is kept for a text that did not compile.
  EXPECT_EQ(engine.Compile(c.pattern, 1, -1, nullptr), 0u);
}

INSTANTIATE_TEST_SUITE_P(Syntax, CompilerErrors, ::testing::ValuesIn(kSyntaxCases),
                         testsupport::NameBy<&SyntaxCase::pattern>());

// However long a pattern, an error quotes at most its first 200 characters and "…", at each level
// of nesting that quotes it.
TEST_F(EngineFixture, ErrorsQuoteLongPatternsShortened) {
  const std::wstring name = L"nosuch" + std::wstring(100000, L'x');
  EXPECT_EQ(RenderError(L"$" + name + L"(1)"), 100);
  EXPECT_EQ(engine.Error(), L"Function: could not recognize '" + name.substr(0, 200) +
                                L"\u2026' as correct function name.");
  EXPECT_EQ(RenderError(L"$$(1 + $$(2 / $" + name + L"(1)))"), 82);
  EXPECT_LT(engine.Error().size(), 1000u) << platform::ToUtf8(engine.Error().substr(0, 1000));
  EXPECT_EQ(RenderError(L"$$(" + std::wstring(100000, L'7') + L" / 0)"), 86);
  EXPECT_EQ(engine.Error(),
            L"Expression: division by zero in '" + std::wstring(200, L'7') + L"\u2026'");
}

// Texts that look odd but are valid.
const wchar_t* const kValidPatterns[] = {
    L"",           L"x>]|{} 9",
    L"A{}",        L"a{0}",
    L"N{5:2}",     L"\\",
    L"<a|>",       L"<|>",
    L"[]",         L"()#",
    L"$rint()",    L"$ r int (1,5)",
    L"$RINT(1,5)", L"\\$\\<\\[\\@\\(\\)\\#",
};

TEST_F(EngineFixture, ValidPatternsCompile) {
  for (const wchar_t* pattern : kValidPatterns) {
    DGValue value;
    EXPECT_EQ(engine.Value(-1, pattern, &value, nullptr), 1)
        << platform::ToUtf8(pattern) << ": " << platform::ToUtf8(engine.Error());
    EXPECT_EQ(engine.ErrorCode(), 0);
  }
}

}  // namespace
}  // namespace engine_test
