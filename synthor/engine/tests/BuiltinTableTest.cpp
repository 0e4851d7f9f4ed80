// The names a pattern can call: generator names with their op codes, what happens to a name whose
// generator does not exist yet, how the engine takes generators over (and $group finds them), and
// the help page chosen for a pattern.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/MaskOpCode.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/GeneratorFunctions.h"
#include "synthor/generators/base/IGenerator.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

// The op codes are part of the library's interface: callers and saved data use them.
const std::map<std::wstring, int> kOpCodes = {
    {L"inc", 32},
    {L"incfloat", 69},
    {L"incdate", 34},
    {L"inctime", 33},
    {L"incchar", 60},
    {L"sequence", 43},
    {L"seq", 43},
    {L"file", 27},
    {L"filegroup", 47},
    {L"webfile", 61},
    {L"webfilegroup", 62},
    {L"blob", 66},
    {L"xml", 31},
    {L"json", 67},
    {L"lib", 6},
    {L"library", 6},
    {L"libgroup", 39},
    {L"dll", 26},
    {L"script", 64},
    {L"scriptgroup", 65},
    {L"msaccess", 29},
    {L"msexcel", 28},
    {L"msexcelgroup", 46},
    {L"query", 44},
    {L"querygroup", 45},
    {L"table", 30},
    {L"tablegroup", 41},
    {L"tablegroupc", 42},
    {L"if", 38},
    {L"ifr", 35},
    {L"case", 63},
    {L"switch", 63},
    {L"list", 40},
    {L"listpattern", 56},
    {L"unique", 25},
    {L"uniq", 25},
    {L"const", 81},
    {L"regexp", 37},
    {L"byexample", 36},
    {L"rintn", 70},
    {L"rstringn", 71},
    {L"listn", 72},
    {L"repeat", 73},
    {L"makejsonarray", 74},
    {L"makejsonobject", 75},
    {L"makejsonitem", 76},
    {L"makejson", 77},
};

TEST(GeneratorNames, CarryTheirOpCodes) {
  std::set<std::wstring> seen;
  for (const GeneratorName& g : GeneratorNames()) {
    ASSERT_TRUE(seen.insert(g.name).second) << "twice: " << platform::ToUtf8(g.name);
    const auto expected = kOpCodes.find(g.name);
    ASSERT_NE(expected, kOpCodes.end()) << platform::ToUtf8(g.name);
    EXPECT_EQ(g.opCode, expected->second) << platform::ToUtf8(g.name);
  }
  EXPECT_EQ(seen.size(), kOpCodes.size());
}

TEST_F(EngineFixture, GeneratorNamesReachTheirGeneratorOrFailAsUnknown) {
  for (const GeneratorName& g : GeneratorNames()) {
    const std::wstring name = g.name;
    DGValue v;
    if (g.factory) {
      // Whatever its arguments make of it, the name itself is known.
      if (!engine.Value(L"$" + platform::ToUpper(name) + L"(1)", &v)) {
        EXPECT_NE(engine.ErrorCode(), 100) << platform::ToUtf8(name);
      }
      continue;
    }
    // Not built yet: a pattern calling it fails as calling an unknown name.
    EXPECT_EQ(RenderError(L"$" + name + L"(1)"), 100);
    EXPECT_EQ(engine.Error(),
              L"Function: could not recognize '" + name + L"' as correct function name.");
  }
}

TEST_F(EngineFixture, BuiltinNamesAreKnownAndTakeNoGeneratorName) {
  for (const wchar_t* name :
       {L"rstring", L"rint",  L"rfloat",    L"rtime", L"rdate",    L"today",    L"now",
        L"date",    L"time",  L"variables", L"vars",  L"truncate", L"first",    L"last",
        L"upper",   L"lower", L"guid",      L"group", L"pattern",  L"format",   L"quote",
        L"old",     L"cvt",   L"text",      L"call",  L"geometry", L"geography"}) {
    DGValue v;
    if (!engine.Value(std::wstring(L"$") + name + L"()", &v)) {
      EXPECT_NE(engine.ErrorCode(), 100) << platform::ToUtf8(name);
    }
    EXPECT_EQ(kOpCodes.count(name), 0u) << platform::ToUtf8(name);
  }
}

// A group generator whose rows are known in advance; it counts its own deletion.
class FixedGroup : public IGenerator {
 public:
  FixedGroup(int group, int* deleted) : deleted_(deleted) { groupId = group; }
  ~FixedGroup() override { ++*deleted_; }
  std::wstring Value(std::wstring*) override { return L"own"; }
  std::wstring GroupValue(int column) override { return L"column" + platform::FromInt(column); }

 private:
  int* deleted_;
};

TEST_F(EngineFixture, MadeGeneratorsBelongToTheEngineAndServeGroups) {
  int deleted = 0;
  {
    CompiledPattern pattern(&engine);
    EXPECT_EQ(engine.MakeGenerator(MASK_LIBGROUP, new FixedGroup(3, &deleted), &pattern), 1);
    ASSERT_EQ(pattern.items.size(), 1u);
    EXPECT_EQ(pattern.items[0]->kind, MASK_LIBGROUP);
    DGValue own;
    EXPECT_EQ(pattern.Render(&own, nullptr), 1);
    EXPECT_EQ(own.value, L"own");
    // The first generator of the group, in the order they were made, serves $group.
    EXPECT_EQ(engine.MakeGenerator(MASK_LIBGROUP, new FixedGroup(3, &deleted), &pattern), 1);
    EXPECT_EQ(Render(L"$group(3,2)-$group(3,5)"), L"column2-column5");
    EXPECT_EQ(RenderError(L"$group(4,1)"), 101);
    EXPECT_EQ(engine.Error(), L"Group: specified group 4 not found.");
    // A generator whose constructor reported an error is kept all the same; the compile fails.
    engine.SetError(1234, L"bad arguments");
    EXPECT_EQ(engine.MakeGenerator(MASK_LIST, new FixedGroup(0, &deleted), &pattern), 0);
    EXPECT_EQ(engine.GeneratorCount(), 3u);
    // One that could not be made leaves an item that reports it.
    engine.SetError(0, L"");
    EXPECT_EQ(engine.MakeGenerator(MASK_LIST, nullptr, &pattern), 1);
    DGValue missing;
    EXPECT_EQ(pattern.items.back()->Value(&missing, &engine, nullptr), 0);
    EXPECT_EQ(engine.ErrorCode(), 8);
    EXPECT_EQ(deleted, 0);
    engine.Terminate();
    EXPECT_EQ(deleted, 3);
  }
}

struct HelpCase {
  const wchar_t* pattern;
  const wchar_t* page;
};

const HelpCase kHelp[] = {
    {L"NNN", L"symbol.html"},
    {L"abc$rint()", L"symbol.html"},
    {L"A$rint()", L"symbol.html"},
    {L"x$RDATE()", L"rdate.html"},
    {L"$rintn(1)", L"rintn.html"},
    {L"$rint()", L"rint.html"},
    {L"$rstringn(1)", L"rstringn.html"},
    {L"$rstring(1,2)", L"rstring.html"},
    {L"$rfloat()", L"rfloat.html"},
    {L"$rtime()", L"rtime.html"},
    {L"$libgroup(x)", L"libgroup.html"},
    {L"$lib(x)", L"library_item.html"},
    {L"$library(x)", L"library_item.html"},
    {L"$filegroup(x)", L"filegroup.html"},
    {L"$file(x)", L"file.html"},
    {L"$query(x)", L"query.html"},
    {L"$today()", L"today.html"},
    {L"$now()", L"now.html"},
    {L"$ifr(x)", L"ifr.html"},
    {L"$if(x)", L"if.html"},
    {L"$incchar(x)", L"incchar.html"},
    {L"$incfloat(x)", L"incfloat.html"},
    {L"$incdate(x)", L"incdate.html"},
    {L"$inctime(x)", L"inctime.html"},
    {L"$inc(1)", L"inc.html"},
    {L"$format(x,y)", L"format.html"},
    {L"$guid()", L"guid.html"},
    {L"$listn(x)", L"listn.html"},
    {L"$list(x)", L"listf.html"},
    {L"$listpattern(x)", L"listpattern.html"},
    {L"$call(x)", L"call.html"},
    {L"$lower(x)", L"lower.html"},
    {L"$first(x,1)", L"first.html"},
    {L"$last(x,1)", L"$last.html"},
    {L"$old()", L"old.html"},
    {L"$msexcelgroup(x)", L"excel.html"},
    {L"$tablegroup(x)", L"table.html"},
    {L"$regexp(x)", L"regexp.html"},
    {L"$byexample(x)", L"byexample.html"},
    {L"$blob(x)", L"blob.html"},
    {L"$xml(x)", L"blob.html"},
    {L"$json(x)", L"json.html"},
    {L"$repeat(x)", L"repeat.html"},
    {L"$unique(x)", L"unique.html"},
    {L"$truncate(x,1)", L"truncate.html"},
    {L"$upper(x)", L"index.html"},
    {L"", L"index.html"},
    {L"x$text()", L"index.html"},
    // The first keyword of the list wins, wherever it stands in the pattern.
    {L"x$rint()$rdate()", L"rdate.html"},
};

class HelpPages : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpPages, ByPattern) {
  EXPECT_EQ(DSynthor::HelpByPattern(GetParam().pattern), GetParam().page)
      << platform::ToUtf8(GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Help, HelpPages, ::testing::ValuesIn(kHelp),
                         testsupport::NameBy<&HelpCase::pattern>());

}  // namespace
}  // namespace engine_test
