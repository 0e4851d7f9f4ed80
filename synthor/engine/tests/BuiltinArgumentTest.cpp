// Every compile-time check of the built-in functions: the code and the exact text a pattern fails
// with, and that arguments reach the functions as split by the call syntax.
#include <gtest/gtest.h>

#include <vector>

#include "synthor/engine/NamedGen.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct ErrorCase {
  const wchar_t* pattern;
  int code;
  const wchar_t* text;
  bool prefixOnly = false;  // the rest of the text is the format checker's reason
};

const ErrorCase kErrors[] = {
    // Argument counts.
    {L"$pattern()", 3700, L"$Pattern expects single mandatory parameter"},
    {L"$upper(a,b)", 3500, L"$Upper expects single mandatory parameter"},
    {L"$lower()", 3400, L"$Lower expects single mandatory parameter"},
    {L"$first(x)", 5200, L"$First expects exactly two parameters"},
    {L"$last(x,1,2)", 5300, L"$Last expects exactly two parameters"},
    {L"$format(x)", 3300, L"$Format function expects exact 2 parameters"},
    {L"$quote()", 3600, L"$Quote expects at least one parameter"},
    {L"$vars(a,b)", 108, L"Variables: parameter list must contain 1 item."},
    {L"$variables()", 108, L"Variables: parameter list must contain 1 item."},
    {L"$truncate(x)", 106, L"Truncate: parameter list must contain 2 items."},
    {L"$truncate(x,0)", 107, L"Truncate: string size must be positive integer value."},
    {L"$truncate(x,-4)", 107, L"Truncate: string size must be positive integer value."},
    {L"$truncate(x,3000000000)", 107, L"Truncate: string size must be positive integer value."},
    {L"$group(1)", 102, L"Group: parameter list must contain 2 items."},
    {L"$group(3,2)", 101, L"Group: specified group 3 not found."},
    {L"$call()", 600, L"Function $Call expects one paremeter."},
    {L"$call(x)", 601, L"Call: named generators do not passed to pattern engine."},
    {L"$rstring(3)", 3000, L"RString: the function expects at least 2 parameters"},
    {L"$geometry(1,2)", 400, L"Function $Geometry expects not more than one parameter."},
    {L"$geometry(0)", 401, L"Geometry: parameter '0' is incorrect, expects positive integer."},
    {L"$geometry(many)", 401,
     L"Geometry: parameter 'many' is incorrect, expects positive integer."},
    {L"$geography(1,2)", 500, L"Function $Geography has no parameters."},
    {L"$cvt(a,b)", 4400, L"$CVT expects at least three parameters"},
    {L"$cvt(a,b,CSV)", 4402, L"Invalid target format. XML or JSON expected."},
    {L"$cvt(abc,item,xml)", 4401, L"Pattern provides no data."},
    // User formats: one conversion that fits the value, nothing else.
    {L"$format(x,%n)", 3301, L"$Format: format '%n' cannot be used: conversion %n is not allowed"},
    {L"$format(x,%o)", 3301, L"$Format: format '%o' cannot be used: conversion %o is not allowed"},
    {L"$format(x,%d%d)", 3301, L"$Format: format '%d%d' cannot be used: ", true},
    {L"$format(x,%*d)", 3301, L"$Format: format '%*d' cannot be used: ", true},
    {L"$format(x,100%)", 3301, L"$Format: format '100%' cannot be used: ", true},
    {L"$rint(1,10,%s)", 5500, L"$RInt: format '%s' cannot be used: ", true},
    {L"$rint(1,10,%f)", 5500, L"$RInt: format '%f' cannot be used: ", true},
    {L"$rint(1,10,%hd)", 5500, L"$RInt: format '%hd' cannot be used: ", true},
    {L"$rint(1,10,plain)", 5500, L"$RInt: format 'plain' cannot be used: ", true},
    {L"$rint(1,10,%d%%%d)", 5500, L"$RInt: format '%d%%%d' cannot be used: ", true},
    {L"$rfloat(0,1,2,%d)", 5600, L"$RFloat: format '%d' cannot be used: ", true},
    {L"$rfloat(0,1,2,%E)", 5600,
     L"$RFloat: format '%E' cannot be used: conversion %E is not allowed"},
    {L"$rfloat(0,1,2,%f%f)", 5600, L"$RFloat: format '%f%f' cannot be used: ", true},
    {L"$rfloat(0,1,2,%.9999f)", 5600, L"$RFloat: format '%.9999f' cannot be used: ", true},
    // Time formats, bounds and constants.
    {L"$rtime(HH)", 302, L"Incorrect or incomplete time format 'HH'"},
    {L"$rtime(MM:SS)", 302, L"Incorrect or incomplete time format 'MM:SS'"},
    {L"$rtime(HH:MM,25:00)", 300, L"'From' time '25:00' does not correspond to format 'HH:MM'"},
    {L"$rtime(HH:MM,9:30)", 300, L"'From' time '9:30' does not correspond to format 'HH:MM'"},
    {L"$rtime(HH:MM,,12:61)", 301, L"'To' time '12:61' does not correspond to format 'HH:MM'"},
    {L"$rtime(HH:MM:SS.sss,,12:00:00.x)", 301,
     L"'To' time '12:00:00.x' does not correspond to format 'HH:MM:SS.sss'"},
    {L"$time(24:00:00)", 303, L"Time constant '24:00:00' does not correspond to format 'HH:MM:SS'"},
    {L"$time(10:5,HH:mm)", 303, L"Time constant '10:5' does not correspond to format 'HH:mm'"},
    {L"$time(ab:00:00)", 303, L"Time constant 'ab:00:00' does not correspond to format 'HH:MM:SS'"},
    // Date formats, bounds and constants.
    {L"$rdate(HH)", 208, L"Invalid date format 'HH'"},
    {L"$rdate(DD.MM.YYYY,1.1.2000)", 200,
     L"'From' date '1.1.2000' does not correspond to format 'DD.MM.YYYY'"},
    {L"$rdate(DD.MM.YYYY,,31.12.20500)", 201,
     L"'To' date '31.12.20500' does not correspond to format 'DD.MM.YYYY'"},
    {L"$rdate(DD.MM.YYYY,xx.01.2000)", 204,
     L"Could not recognize date format 'DD.MM.YYYY' for 'from' date [xx.01.2000]"},
    {L"$rdate(DD.MM.YYYY,00.01.2000)", 204,
     L"Could not recognize date format 'DD.MM.YYYY' for 'from' date [00.01.2000]"},
    {L"$rdate(DD-mon-YY,01-xyz-99)", 204,
     L"Could not recognize date format 'DD-mon-YY' for 'from' date [01-xyz-99]"},
    {L"$rdate(DD.MM.YYYY,,31.02.2000)", 205,
     L"Could not recognize date format 'DD.MM.YYYY' for 'to' date [31.02.2000]"},
    {L"$rdate(DD.MM.YYYY,,01.00.2000)", 205,
     L"Could not recognize date format 'DD.MM.YYYY' for 'to' date [01.00.2000]"},
    {L"$rdate(DD.MM.YYYY,01.01.20x0)", 206, L"Invalid long year in the date format 'DD.MM.YYYY'"},
    {L"$rdate(DD.MM.YY,,01.01.x0)", 207, L"Invalid short year in the date format 'DD.MM.YY'"},
    {L"$rdate(DD/MM/C/YY,01/01/x/05)", 207, L"Invalid short year in the date format 'DD/MM/C/YY'"},
    {L"$date(31.04.2000)", 304,
     L"Date constant '31.04.2000' does not correspond to format 'DD.MM.YYYY'."},
    {L"$date(29.02.2001)", 304,
     L"Date constant '29.02.2001' does not correspond to format 'DD.MM.YYYY'."},
    {L"$date(01.13.2000)", 304,
     L"Date constant '01.13.2000' does not correspond to format 'DD.MM.YYYY'."},
    {L"$date(1.1.2000)", 304,
     L"Date constant '1.1.2000' does not correspond to format 'DD.MM.YYYY'."},
    {L"$date(12:00,HH:MM)", 304, L"Date constant '12:00' does not correspond to format 'HH:MM'."},
};

class BuiltinErrors : public EngineFixture, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(BuiltinErrors, FailWithCodeAndText) {
  const ErrorCase& c = GetParam();
  EXPECT_EQ(RenderError(c.pattern), c.code) << platform::ToUtf8(c.pattern);
  const std::wstring text = engine.Error();
  if (c.prefixOnly) {
    EXPECT_TRUE(platform::StartsWith(text, c.text) && text.size() > std::wstring(c.text).size())
        << platform::ToUtf8(text);
  } else {
    EXPECT_EQ(text, c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(Functions, BuiltinErrors, ::testing::ValuesIn(kErrors),
                         testsupport::NameBy<&ErrorCase::pattern>());

TEST_F(EngineFixture, CallNamesTheMissingGenerator) {
  NamedGen word{L"Word", L"x"};
  std::vector<NamedGen*> named{&word};
  engine.SetNamedGenerators(&named);
  EXPECT_EQ(Render(L"$call(WORD)"), L"x");
  EXPECT_EQ(RenderError(L"$call(words)"), 602);
  EXPECT_EQ(engine.Error(), L"Call: named generator 'words' not found.");
  EXPECT_EQ(RenderError(L"$call(word,x)"), 600);
}

// Values that show how an argument reached the function.
struct SplitCase {
  const wchar_t* pattern;
  const wchar_t* value;
};

const SplitCase kSplits[] = {
    // An argument that is wholly enclosed loses its parentheses (type 4: an integer, unquoted)...
    {L"$quote(x,(4),|)", L"x"},
    // ... one that merely starts and ends with them keeps them (no type number: quoted).
    {L"$quote(x,(4)(1),|)", L"|x|"},
    {L"$quote(x,(4)+(1),|)", L"|x|"},
    // The last argument keeps its parentheses in any case.
    {L"$quote(x,,(|))", L"(x("},
    // An empty quote character is the apostrophe.
    {L"$quote(x,,)", L"'x'"},
    {L"$quote(x,, ,1)", L"'x'"},
};

class ArgumentSplitting : public EngineFixture, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(ArgumentSplitting, Arguments) {
  EXPECT_EQ(Render(GetParam().pattern), GetParam().value) << platform::ToUtf8(GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Calls, ArgumentSplitting, ::testing::ValuesIn(kSplits),
                         testsupport::NameBy<&SplitCase::pattern>());

TEST(BuiltinNames, AreNotCaseSensitive) {
  // Two engines on the same seed draw the same letters whatever the spelling of the name.
  for (const wchar_t* spelling : {L"$UPPER(a{3}N)", L"$Upper(a{3}N)", L"$ uPPer (a{3}N)"}) {
    DSynthor a, b;
    a.Initialize(L"", kSeed, nullptr);
    b.Initialize(L"", kSeed, nullptr);
    for (int i = 0; i < 20; ++i) {
      DGValue lower, upper;
      ASSERT_EQ(a.Value(L"$upper(a{3}N)", &lower), 1);
      ASSERT_EQ(b.Value(spelling, &upper), 1) << b.Error();
      EXPECT_EQ(upper.value, lower.value);
      EXPECT_TRUE(Matches(upper.value, "[A-Z]{1,3}[0-9]"));
    }
    a.Terminate();
    b.Terminate();
  }
}

}  // namespace
}  // namespace engine_test
