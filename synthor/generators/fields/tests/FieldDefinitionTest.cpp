// Field definitions: storing them in a named-value file, their values, and rows rendered as a
// comma list, delimited text, XML elements and JSON members.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mervis/SysReg.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/fields/OneDataRow.h"
#include "synthor/generators/fields/OneField.h"
#include "testsupport/TestEnv.h"

namespace engine_test {
namespace {

using platform::ToUtf8;

// A pattern that renders `text` as it stands: every character escaped.
std::wstring Literal(const std::wstring& text) {
  std::wstring pattern;
  for (const wchar_t c : text) {
    pattern += L'\\';
    pattern += c;
  }
  return pattern;
}

OneField MakeField(const std::wstring& name, const std::wstring& pattern) {
  OneField field;
  field.name = name;
  field.pattern = pattern;
  return field;
}

OneField SampleField() {
  OneField field = MakeField(L"Order.Id:x", L"<a,b|c:d>,1.2:$inc(),@");
  field.type = L"numeric(10:2)";
  field.size = -10;
  field.scale = 2;
  field.typeCode = 3;
  field.quoteMode = -1;
  field.enabled = 0;
  return field;
}

// ---- storing ----

TEST(OneFieldStore, SavedFieldLoadsBackEqualAndLeavesTheSection) {
  const std::wstring path = testsupport::NewScratchPath(L"fields.ini");
  const OneField saved = SampleField();
  {
    CSysReg reg(path);
    reg.Section(L"Other");
    MakeField(L"Id", L"$inc()").Save(&reg, 1);
    saved.Save(&reg, 2);
    EXPECT_EQ(reg.CurrentSection(), L"Other");
    ASSERT_TRUE(reg.Flush());
  }
  CSysReg reg(path);
  reg.Section(L"OneField");
  EXPECT_EQ(reg.Read(L"Field1", L""), L"Id,,0.0,12,0,1:$inc()");
  reg.Section(L"Other");
  OneField loaded;
  loaded.Load(&reg, 2);
  EXPECT_EQ(loaded != saved, 0) << ToUtf8(loaded.EntryText());
  EXPECT_EQ(loaded.pattern, saved.pattern);
  EXPECT_EQ(reg.CurrentSection(), L"Other");

  // Every compared member counts.
  const std::vector<void (*)(OneField&)> changes = {
      [](OneField& f) { f.name += L"x"; },    [](OneField& f) { f.type += L"x"; },
      [](OneField& f) { f.pattern += L"x"; }, [](OneField& f) { f.size++; },
      [](OneField& f) { f.scale++; },         [](OneField& f) { f.typeCode++; },
      [](OneField& f) { f.quoteMode++; },     [](OneField& f) { f.enabled++; },
  };
  for (std::size_t i = 0; i < changes.size(); ++i) {
    OneField changed = saved;
    changes[i](changed);
    EXPECT_EQ(changed != saved, 1) << "change " << i;
  }
  OneField caseOnly = saved;
  caseOnly.pattern = L"<A,b|c:d>,1.2:$inc(),@";
  EXPECT_EQ(caseOnly != saved, 1);
}

TEST(OneFieldStore, MalformedEntriesKeepWhatFollowsTheMissingSeparator) {
  const OneField base = SampleField();
  struct Case {
    const wchar_t* entry;
    void (*expect)(OneField&);  // what the entry changes in `base`
  };
  const Case cases[] = {
      {L"", [](OneField&) {}},
      {L"no separators at all", [](OneField&) {}},
      {L",int,1.2,3,4,5:p", [](OneField&) {}},  // empty name
      {L"n", [](OneField&) {}},
      {L"n,int", [](OneField& f) { f.name = L"n"; }},
      {L"n,,1.2,3,4,5:p", [](OneField& f) { f.name = L"n"; }},  // empty type
      {L"n,t,abc", [](OneField& f) { f.name = L"n", f.type = L"t", f.size = 0; }},
      // The '.' inside the pattern is not taken for the missing one among the numbers.
      {L"n,t,10,12,0,1:a.b,c", [](OneField& f) { f.name = L"n", f.type = L"t", f.size = 10; }},
      // An empty number reads as 0; the separator after it is then missing.
      {L"n,t,-7.x,,1,1:p",
       [](OneField& f) { f.name = L"n", f.type = L"t", f.size = -7, f.scale = 0, f.typeCode = 0; }},
      {L"n,t,99999999999999999999.-99999999999999999999,+8,1,1",
       [](OneField& f) {
         f.name = L"n", f.type = L"t", f.size = INT_MAX, f.scale = INT_MIN, f.typeCode = 8;
         f.quoteMode = 1, f.enabled = 1;
       }},
      {L"n,t,1.2,3,4,5:",
       [](OneField& f) {
         f.name = L"n", f.type = L"t", f.size = 1, f.scale = 2, f.typeCode = 3;
         f.quoteMode = 4, f.enabled = 5, f.pattern = L"";
       }},
  };
  for (const Case& c : cases) {
    OneField parsed = base;
    parsed.ParseEntry(c.entry);
    OneField expected = base;
    c.expect(expected);
    EXPECT_EQ(parsed != expected, 0) << ToUtf8(c.entry) << " gave " << ToUtf8(parsed.EntryText());
  }

  // The same through the file, also for an entry that is not there.
  const std::wstring path = testsupport::NewScratchPath(L"bad.ini");
  CSysReg reg(path);
  reg.Section(L"OneField");
  reg.Save(L"Field1", L"just a name");
  OneField loaded = base;
  loaded.Load(&reg, 1);
  loaded.Load(&reg, 2);
  loaded.Load(nullptr, 1);
  EXPECT_EQ(loaded != base, 0);
}

// ---- values ----

using OneFieldValue = EngineFixture;

TEST_F(OneFieldValue, ComesFromThePatternOrIsEmptyWhenDisabled) {
  OneField constant = MakeField(L"c", L"bcd");
  OneField digit = MakeField(L"d", L"N");
  DGValue value;
  value.value = L"old";
  ASSERT_EQ(constant.Value(0, &engine, &value), 1);
  EXPECT_EQ(value.value, L"bcd");
  EXPECT_NE(constant.Handle(), 0u);
  EXPECT_EQ(constant.CompiledBy(), &engine);
  ASSERT_EQ(digit.Value(1, &engine, &value), 1);
  EXPECT_TRUE(Matches(value.value, "[0-9]"));

  OneField disabled = MakeField(L"x", L"$nosuch(1)");
  disabled.enabled = 0;
  value.value = L"old";
  EXPECT_EQ(disabled.Value(0, &engine, &value), 1);
  EXPECT_EQ(value.value, L"");
  EXPECT_EQ(disabled.Handle(), 0u);

  disabled.enabled = 1;
  value.value = L"old";
  EXPECT_EQ(disabled.Value(0, &engine, &value), 0);
  EXPECT_EQ(value.value, L"");
  EXPECT_EQ(engine.ErrorCode(), 100);
  EXPECT_EQ(constant.Value(0, nullptr, &value), 0);
  EXPECT_EQ(constant.Value(0, &engine, nullptr), 0);

  // The quote flags of the pattern's text.
  OneField apostrophe = MakeField(L"q", L"O'Brien");
  ASSERT_EQ(apostrophe.Value(0, &engine, &value), 1);
  EXPECT_EQ(apostrophe.Quotes().apostrophe, 1);
  EXPECT_EQ(apostrophe.Quotes().comma, 0);
  EXPECT_EQ(constant.Quotes().apostrophe, 0);
}

TEST_F(OneFieldValue, NeverRendersThroughAHandleThatIsGone) {
  OneField field = MakeField(L"c", L"bcd");
  DGValue value;
  ASSERT_EQ(field.Value(0, &engine, &value), 1);
  const uint32_t handle = field.Handle();

  // The engine drops its patterns; the field's old handle now names another one.
  engine.Clear();
  DGValue other;
  ASSERT_EQ(engine.Value(L"zzz", &other), 1);
  ASSERT_EQ(engine.Compile(L"zzz", 1, -1, nullptr), handle);
  ASSERT_EQ(field.Value(0, &engine, &value), 1);
  EXPECT_EQ(value.value, L"bcd");

  // A new engine in the old one's place, with the same handle taken by another pattern.
  std::optional<DSynthor> second;
  second.emplace();
  second->Initialize(L"", kSeed, nullptr);
  ASSERT_EQ(field.Value(0, &*second, &value), 1);
  const DSynthor* address = &*second;
  second.reset();
  second.emplace();
  ASSERT_EQ(&*second, address);
  second->Initialize(L"", kSeed, nullptr);
  ASSERT_EQ(second->Value(L"zzz", &other), 1);
  ASSERT_EQ(field.Value(0, &*second, &value), 1);
  EXPECT_EQ(value.value, L"bcd");

  // A pattern changed after compiling is compiled anew.
  field.pattern = L"def";
  ASSERT_EQ(field.Value(0, &engine, &value), 1);
  EXPECT_EQ(value.value, L"def");
  second->Terminate();
}

TEST_F(OneFieldValue, UsedWithTwoEnginesInTurnKeepsEachEnginesSequence) {
  DSynthor other;
  other.Initialize(L"", kSeed, nullptr);
  OneField counter = MakeField(L"Id", L"$inc()");
  std::wstring seen;
  DGValue value;
  for (DSynthor* e : {&engine, &other, &engine, &engine, &other}) {
    ASSERT_EQ(counter.Value(0, e, &value), 1) << ToUtf8(e->Error());
    EXPECT_EQ(counter.CompiledBy(), e);
    seen += value.value;
  }
  EXPECT_EQ(seen, L"11232");
  other.Terminate();
}

TEST_F(OneFieldValue, CopiesStartUncompiledAndQuoted) {
  OneField field = MakeField(L"Id", L"$inc()");
  field.quote = 0;
  DGValue value;
  ASSERT_EQ(field.Value(0, &engine, &value), 1);
  ASSERT_EQ(field.Value(0, &engine, &value), 1);
  EXPECT_EQ(value.value, L"2");

  OneField copy(field);
  EXPECT_EQ(copy != field, 0);
  EXPECT_EQ(copy.Handle(), 0u);
  EXPECT_EQ(copy.CompiledBy(), nullptr);
  EXPECT_EQ(copy.quote, 1);
  // The copy finds the same compiled pattern again, so the sequence goes on.
  ASSERT_EQ(copy.Value(0, &engine, &value), 1);
  EXPECT_EQ(value.value, L"3");

  OneField assigned = MakeField(L"c", L"bcd");
  ASSERT_EQ(assigned.Value(0, &engine, &value), 1);
  assigned.quote = 0;
  assigned = field;
  EXPECT_EQ(assigned.Handle(), 0u);
  EXPECT_EQ(assigned.quote, 0);  // the receiver's own
  EXPECT_EQ(assigned.name, L"Id");
}

// ---- rows ----

class OneDataRowTest : public EngineFixture {
 protected:
  // A row of fields made from (name, pattern) pairs, owned by the fixture.
  OneDataRow& Row(std::vector<std::pair<std::wstring, std::wstring>> defs) {
    for (auto& [name, pattern] : defs) owned.push_back(MakeField(name, pattern));
    for (OneField& field : owned) row.fields.push_back(&field);
    return row;
  }
  std::vector<OneField> owned;
  OneDataRow row;
  OneDataRowParams params;
};

TEST_F(OneDataRowTest, RendersValuesRowByRow) {
  Row({{L"Id", L"$inc()"}, {L"Name", L"bcd"}, {L"Digit", L"N"}, {L"Off", L"zzz"}});
  owned[0].quoteMode = -1;
  owned[3].enabled = 0;
  params.delimited = params.xml = params.json = 1;
  params.delimiter = L"\t";
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(row.Make(&engine, &params), 1) << ToUtf8(engine.Error());
    const std::string n = std::to_string(i);
    EXPECT_TRUE(Matches(params.commaListResult, (n + ",'bcd','[0-9]'").c_str()))
        << ToUtf8(params.commaListResult);
    EXPECT_TRUE(Matches(params.delimitedResult, (n + "\tbcd\t[0-9]").c_str()));
    EXPECT_TRUE(Matches(params.xmlResult,
                        ("<Id>" + n + "</Id><Name>bcd</Name><Digit>[0-9]</Digit>").c_str()))
        << ToUtf8(params.xmlResult);
    EXPECT_TRUE(Matches(params.jsonResult,
                        ("\"Id\":\"" + n + "\",\"Name\":\"bcd\",\"Digit\":\"[0-9]\"").c_str()))
        << ToUtf8(params.jsonResult);
  }

  // Forms not asked for come out empty; the comma list alone is the default.
  OneDataRowParams defaults;
  defaults.xmlResult = L"stale";
  ASSERT_EQ(row.Make(&engine, &defaults), 1);
  EXPECT_TRUE(Matches(defaults.commaListResult, "4,'bcd','[0-9]'"));
  EXPECT_EQ(defaults.xmlResult, L"");
  EXPECT_EQ(defaults.delimitedResult, L"");

  // A copy of the row shares the fields.
  OneDataRow copy = row;
  ASSERT_EQ(copy.Make(&engine, &defaults), 1);
  EXPECT_TRUE(Matches(defaults.commaListResult, "5,'bcd','[0-9]'"));
  EXPECT_EQ(row.Make(nullptr, &defaults), 0);
  EXPECT_EQ(row.Make(&engine, nullptr), 0);
}

TEST_F(OneDataRowTest, XmlOfTwoFieldsHasNoEnclosingElement) {
  Row({{L"a", L"1"}, {L"b", L"x"}});
  params.commaList = 0;
  params.xml = 1;
  ASSERT_EQ(row.Make(&engine, &params), 1);
  EXPECT_EQ(params.xmlResult, L"<a>1</a><b>x</b>");
  EXPECT_EQ(params.commaListResult, L"");
}

TEST_F(OneDataRowTest, QuoteModeDecidesTheCommaListQuotes) {
  Row({{L"a", L"x"}, {L"b", L"x"}, {L"c", L"x"}, {L"d", L"x"}, {L"e", Literal(L"O'Brien's")}});
  owned[0].quoteMode = -1;  // clears a set flag
  owned[1].quoteMode = 1;
  owned[1].quote = 0;  // sets a cleared one
  owned[2].quote = 0;  // 0 leaves either as it is
  ASSERT_EQ(row.Make(&engine, &params), 1);
  EXPECT_EQ(params.commaListResult, L"x,'x',x,'x','O''Brien''s'");
}

TEST_F(OneDataRowTest, DelimitedValuesAreQuotedWhenTheyMustBe) {
  Row({{L"a", Literal(L"plain")},
       {L"b", Literal(L"a;b")},
       {L"c", Literal(L"say \"hi\"")},
       {L"d", Literal(L"two\nlines")},
       {L"e", Literal(L"cr\r")},
       {L"f", L""}});
  params.commaList = 0;
  params.delimited = 1;
  params.delimiter = L";";
  ASSERT_EQ(row.Make(&engine, &params), 1);
  EXPECT_EQ(params.delimitedResult, L"plain;\"a;b\";\"say \"\"hi\"\"\";\"two\nlines\";\"cr\r\";");
  params.delimiter = L"||";
  ASSERT_EQ(row.Make(&engine, &params), 1);
  EXPECT_EQ(params.delimitedResult, L"plain||a;b||\"say \"\"hi\"\"\"||\"two\nlines\"||\"cr\r\"||");
}

TEST_F(OneDataRowTest, FailingFieldLeavesAnEmptyValueAndFailsTheRow) {
  Row({{L"a", L"1"}, {L"b", L"$nosuch()"}, {L"c", L"3"}});
  params.json = 1;
  EXPECT_EQ(row.Make(&engine, &params), 0);
  // The failing field's error, not the empty one of the field after it.
  EXPECT_EQ(engine.ErrorCode(), 100);
  EXPECT_EQ(engine.Error(), L"Function: could not recognize 'nosuch' as correct function name.");
  EXPECT_EQ(params.commaListResult, L"'1','','3'");
  EXPECT_EQ(params.jsonResult, L"\"a\":\"1\",\"b\":\"\",\"c\":\"3\"");
}

// Names and values that XML and JSON must escape or mend, with what a reader gets back.
struct Awkward {
  std::wstring name;
  std::wstring value;
  std::wstring xmlName;   // the mended element name
  std::wstring xmlValue;  // the text an XML reader sees
};

const std::vector<Awkward>& AwkwardFields() {
  static const std::vector<Awkward> fields = {
      {L"quotes", L"say \"hi\" 'there'", L"quotes", L"say \"hi\" 'there'"},
      {L"amp", L"A&B &amp; C", L"amp", L"A&B &amp; C"},
      {L"tags", L"<b>x</b> ]]> <!--", L"tags", L"<b>x</b> ]]> <!--"},
      {L"slash", L"C:\\dir\\file \\u0041", L"slash", L"C:\\dir\\file \\u0041"},
      {L"wide", L"za\u017C\u00F3\u0142\u0107 \u65E5\u672C \U0001F600", L"wide",
       L"za\u017C\u00F3\u0142\u0107 \u65E5\u672C \U0001F600"},
      {L"lines", L"a\tb\nc\rd", L"lines", L"a\tb\nc\rd"},
      {L"control", L"bell\x07!", L"control", L"bell\uFFFD!"},
      {L"first name", L"1", L"first_name", L"1"},
      {L"1st", L"2", L"_1st", L"2"},
      {L"x:y", L"3", L"x_y", L"3"},
      {L"", L"4", L"_", L"4"},
      {L"<a&\"b\">", L"5", L"_a__b__", L"5"},
      {L"na\u00EFve\u00B7\u65E5", L"6", L"na\u00EFve\u00B7\u65E5", L"6"},
  };
  return fields;
}

// Every problem libxml2 reports while reading `xml`, and the document (null when it gave none).
xmlDocPtr ParseXml(const std::string& xml, std::vector<std::string>* problems) {
  xmlSetStructuredErrorFunc(problems, [](void* context, xmlErrorPtr error) {
    static_cast<std::vector<std::string>*>(context)->push_back(error->message ? error->message
                                                                              : "?");
  });
  xmlDocPtr doc =
      xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "row.xml", "UTF-8", XML_PARSE_NONET);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  return doc;
}

TEST_F(OneDataRowTest, XmlWithAwkwardNamesAndValuesParses) {
  for (const Awkward& f : AwkwardFields()) owned.push_back(MakeField(f.name, Literal(f.value)));
  Row({});
  params.commaList = 0;
  params.xml = 1;
  ASSERT_EQ(row.Make(&engine, &params), 1) << ToUtf8(engine.Error());

  std::vector<std::string> problems;
  xmlDocPtr doc = ParseXml("<row>" + ToUtf8(params.xmlResult) + "</row>", &problems);
  ASSERT_NE(doc, nullptr) << ToUtf8(params.xmlResult);
  for (const std::string& p : problems) ADD_FAILURE() << p;
  std::size_t i = 0;
  for (xmlNodePtr node = xmlDocGetRootElement(doc)->children; node; node = node->next) {
    ASSERT_EQ(node->type, XML_ELEMENT_NODE);
    ASSERT_LT(i, AwkwardFields().size());
    const Awkward& f = AwkwardFields()[i++];
    EXPECT_EQ(reinterpret_cast<const char*>(node->name), ToUtf8(f.xmlName));
    xmlChar* text = xmlNodeGetContent(node);
    EXPECT_EQ(reinterpret_cast<const char*>(text), ToUtf8(f.xmlValue)) << ToUtf8(f.name);
    xmlFree(text);
  }
  EXPECT_EQ(i, AwkwardFields().size());
  xmlFreeDoc(doc);
}

TEST_F(OneDataRowTest, JsonWithAwkwardNamesAndValuesParses) {
  for (const Awkward& f : AwkwardFields()) owned.push_back(MakeField(f.name, Literal(f.value)));
  Row({});
  params.commaList = 0;
  params.json = 1;
  ASSERT_EQ(row.Make(&engine, &params), 1) << ToUtf8(engine.Error());

  nlohmann::ordered_json members;
  ASSERT_NO_THROW(members = nlohmann::ordered_json::parse("{" + ToUtf8(params.jsonResult) + "}"))
      << ToUtf8(params.jsonResult);
  ASSERT_EQ(members.size(), AwkwardFields().size());
  std::size_t i = 0;
  for (const auto& [name, value] : members.items()) {
    const Awkward& f = AwkwardFields()[i++];
    EXPECT_EQ(name, ToUtf8(f.name));
    EXPECT_EQ(value.get<std::string>(), ToUtf8(f.value)) << ToUtf8(f.name);
  }
  // Non-ASCII text stays as it is rather than as \u escapes.
  EXPECT_NE(params.jsonResult.find(L"\u65E5\u672C"), std::wstring::npos);
}

}  // namespace
}  // namespace engine_test
