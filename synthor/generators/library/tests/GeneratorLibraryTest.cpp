// The value library: the library file the build ships, read directly and through $lib, $libgroup
// and the phrases of $text; and a small library of the test's own for the exact rules (order of
// sequential reads, the cache, the length limit, errors).
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/TextPhrases.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/library/LibraryTreeSink.h"
#include "synthor/generators/base/UserNotice.h"
#include "synthor/generators/library/VLibrary.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/TestEnv.h"

namespace engine_test {
namespace {

using Values = std::vector<std::wstring>;

const std::wstring kShipped = platform::FromUtf8(BRUNOX_LIBRARY_FILE);

// A library of the test's own: ABC (three values), Five (five values), each with a catalogue
// entry, under one group.
std::wstring SmallLibrary() {
  const std::wstring path = testsupport::NewScratchPath(L"small.sqlite");
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(platform::ToUtf8(path).c_str(), &db), SQLITE_OK);
  for (const char* sql :
       {"create table _Index(ID integer, Name text, Parent integer, Column text, Hidden integer, "
        "IsTable integer)",
        "insert into _Index values(1, 'Test', 0, null, 0, 0)",
        "insert into _Index values(2, 'ABC', 1, null, 0, 1)",
        "insert into _Index values(3, null, 2, 'Name', 0, 0)",
        "insert into _Index values(4, null, 2, 'Extra', 0, 0)",
        "insert into _Index values(5, null, 2, 'Secret', 1, 0)",
        "create table ABC(Name text, Extra text)",
        "insert into ABC values('a', 'x'), ('b', 'y'), ('c', 'z')", "create table Five(Name text)",
        "insert into Five values('1'), ('2'), ('3'), ('4'), ('5')"})
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
  return path;
}

const wchar_t* const kBuiltIn[][2] = {
    {L"Cities", L"Name"},      {L"Colors", L"Name"},      {L"Companies", L"Domain"},
    {L"Countries", L"Code3"},  {L"Departments", L"Name"}, {L"FirstNames", L"Name"},
    {L"FullNames", L"Name"},   {L"Industries", L"Name"},  {L"LastNames", L"Name"},
    {L"Months", L"ShortName"}, {L"Occupations", L"Name"}, {L"Phrases", L"Phrase"},
    {L"Region", L"Name"},      {L"Streets", L"Country"},  {L"US_States", L"Code"},
    {L"ZipCodes", L"ZipCode"}};

TEST(ValueLibrary, ShippedLibraryHoldsEveryBuiltInList) {
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(kShipped, 1), 0);
  for (const auto& [table, column] : kBuiltIn) {
    Values values;
    ASSERT_EQ(library.LoadList(table, column, L"", &values), 0) << platform::ToUtf8(table);
    EXPECT_FALSE(values.empty()) << platform::ToUtf8(table);
    // Lists are distinct values.
    EXPECT_EQ(std::set<std::wstring>(values.begin(), values.end()).size(), values.size());
  }
  const Values toc = library.TableOfContents();
  EXPECT_NE(std::find(toc.begin(), toc.end(), L"Countries.CurrencyCode"), toc.end());
  EXPECT_EQ(std::find(toc.begin(), toc.end(), L"Cities.Name"), toc.end());
}

TEST(ValueLibrary, FiltersAreConditionsOnTheTable) {
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(kShipped, 0), 0);
  Values german;
  ASSERT_EQ(library.LoadList(L"Cities", L"Name", L"Country='Germany'", &german), 0);
  EXPECT_EQ(std::set<std::wstring>(german.begin(), german.end()),
            (std::set<std::wstring>{L"Berlin", L"Munich", L"Hamburg", L"Cologne"}));
  // An "or" in the user's condition stays inside it.
  Values two;
  ASSERT_EQ(library.LoadList(L"Countries", L"Name", L"Code2='NO' or Code2='SE'", &two), 0);
  EXPECT_EQ(two.size(), 2u);
  Values none;
  ASSERT_EQ(library.LoadList(L"Phrases", L"Phrase", L"Language='XX'", &none), 0);
  EXPECT_TRUE(none.empty());
  EXPECT_NE(library.LoadList(L"Cities", L"Name", L"no such column = 1", &none), 0);
}

TEST(ValueLibrary, SequentialReadsWrapWithinEachList) {
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(SmallLibrary(), 1), 0);
  std::wstring text;
  int code = 0;
  auto next = [&](const wchar_t* table) {
    return library.ListValue(table, L"Name", L"", 0, 1, &text, &code);
  };
  EXPECT_EQ(next(L"ABC"), L"a");
  EXPECT_EQ(next(L"ABC"), L"b");
  EXPECT_EQ(next(L"ABC"), L"c");
  EXPECT_EQ(next(L"ABC"), L"a");
  // The position is shared: the longer list moves it beyond the shorter one's end.
  EXPECT_EQ(next(L"Five"), L"2");
  EXPECT_EQ(next(L"Five"), L"3");
  EXPECT_EQ(next(L"Five"), L"4");
  EXPECT_EQ(next(L"ABC"), L"a");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(library.TableOfContents(), Values{L"ABC.Extra"});
}

TEST(ValueLibrary, RandomReadsDrawFromTheWholeList) {
  DSynthor engine;
  engine.Initialize(L"", kSeed, nullptr);
  VLibrary library(&engine);
  ASSERT_EQ(library.Open(kShipped, 0), 0);
  std::set<std::wstring> seen;
  std::wstring text;
  int code = 0;
  for (int i = 0; i < 200; ++i)
    seen.insert(library.ListValue(L"Months", L"Name", L"", 0, 0, &text, &code));
  EXPECT_EQ(seen.size(), 12u);
  EXPECT_EQ(code, 0);
}

TEST(ValueLibrary, ListsAreReadOnceAndCachedPerFilter) {
  const std::wstring path = SmallLibrary();
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(path, 0), 0);
  std::wstring text;
  int code = 0;
  EXPECT_EQ(library.ListValue(L"ABC", L"Extra", L"Name='b'", 0, 0, &text, &code), L"y");
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(platform::ToUtf8(path).c_str(), &writer), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(writer, "update ABC set Extra='changed'", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(writer);
  EXPECT_EQ(library.ListValue(L"ABC", L"Extra", L"Name='b'", 0, 0, &text, &code), L"y");
  // Another filter is another list.
  EXPECT_EQ(library.ListValue(L"ABC", L"Extra", L"Name='c'", 0, 0, &text, &code), L"changed");
  EXPECT_EQ(code, 0);
}

// A filter that takes another column's value makes a list per value: the cache keeps the lists
// used most recently and reads a list it let go again.
TEST(ValueLibrary, CacheLetsTheLeastRecentlyUsedListGo) {
  const std::wstring path = SmallLibrary();
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(path, 0), 0);
  std::wstring text;
  int code = 0;
  auto extra = [&](const std::wstring& filter) {
    return library.ListValue(L"ABC", L"Extra", filter, 0, 0, &text, &code);
  };
  EXPECT_EQ(extra(L"Name='a'"), L"x");
  EXPECT_EQ(extra(L"Name='b'"), L"y");
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(platform::ToUtf8(path).c_str(), &writer), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(writer, "update ABC set Extra=Extra||'2'", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(writer);
  // Name='a' stays in use while the cache fills up; Name='b' is the one left unused.
  for (std::size_t k = 0; k + 1 < VLibrary::kCachedLists; ++k) {
    EXPECT_EQ(extra(L"Name='c' and " + std::to_wstring(k) + L"=" + std::to_wstring(k)), L"z2");
    EXPECT_EQ(extra(L"Name='a'"), L"x");
  }
  EXPECT_EQ(extra(L"Name='b'"), L"y2");
  EXPECT_EQ(extra(L"Name='a'"), L"x");
  EXPECT_EQ(code, 0);
}

// The library's own failures reach the person through the message seam, each text once a minute
// however often it recurs.
TEST(ValueLibrary, FailuresAreShownOnceAMinute) {
  user_notice::ForgetShown();
  testsupport::RecordingUi ui;
  const std::wstring bare = testsupport::NewScratchPath(L"bare.sqlite");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(platform::ToUtf8(bare).c_str(), &db), SQLITE_OK);
  for (const char* sql :
       {"create table Colors(Name text)", "insert into Colors values('red')"})
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
  for (int i = 0; i < 3; ++i) {
    VLibrary library(nullptr);
    EXPECT_EQ(library.Open(bare, 1), -1);
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, L"Value Library Error");
  EXPECT_EQ(ui.messages[0].text, L"Load Table of Content:\nno such table: _Index");

  // A catalogued list whose table is gone is left out of an export, and said.
  const std::wstring path = SmallLibrary();
  ASSERT_EQ(sqlite3_open(platform::ToUtf8(path).c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, "insert into _Index values(6, 'Ghost', 1, null, 0, 1)", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(path, 0), 0);
  EXPECT_EQ(library.ExportXML(testsupport::NewScratchPath(L"one.xml")), 0);
  EXPECT_EQ(library.ExportXML(testsupport::NewScratchPath(L"two.xml")), 0);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].caption, L"Error");
  EXPECT_EQ(ui.messages[1].text, L"Could not load 'Ghost'");
  user_notice::ForgetShown();
}

TEST(ValueLibrary, ErrorsComeThroughTheErrorPair) {
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(SmallLibrary(), 0), 0);
  std::wstring text;
  int code = 0;
  EXPECT_EQ(library.ListValue(L"ABC", L"Name", L"", 0, 0, &text, &code), L"a");
  EXPECT_EQ(library.ListValue(L"Missing", L"Name", L"", 0, 0, &text, &code), L"");
  EXPECT_EQ(code, VLibrary::kListUnavailable);
  EXPECT_FALSE(text.empty());
  code = 0;
  EXPECT_EQ(library.ListValue(L"Five", L"Name", L"", 1, 0, &text, &code), L"1");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(library.ListValue(L"ABC", L"Extra", L"Name='a'", 0, 0, &text, &code), L"x");
  VLibrary missing(nullptr);
  EXPECT_NE(missing.Open(testsupport::NewScratchPath(L"none/library.sqlite"), 1), 0);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.ListValue(L"ABC", L"Name", L"", 0, 0, &text, &code), L"");
  EXPECT_EQ(code, VLibrary::kListUnavailable);
}

TEST(ValueLibrary, NoValueShortEnoughFailsAfterTenDraws) {
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(kShipped, 0), 0);
  std::wstring text;
  int code = 0;
  EXPECT_EQ(library.ListValue(L"Countries", L"Name", L"", 2, 1, &text, &code), L"");
  EXPECT_EQ(code, VLibrary::kNoValueShortEnough);
  EXPECT_EQ(text, L"VLibrary::ListValue could not find value with enough length.");
}

TEST(ValueLibrary, ListsWithQuotesInTheirNamesAreAddedAndDropped) {
  const std::wstring copy = testsupport::NewScratchPath(L"copy.sqlite");
  std::string bytes;
  ASSERT_TRUE(platform::ReadFileBytes(kShipped, bytes));
  ASSERT_TRUE(platform::WriteFileBytes(copy, bytes));
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(copy, 0, true), 0);
  const std::wstring table = L"Bob's \"best\" list";
  const Values values = {L"it's", L"say \"hi\"", L"a'); drop table Cities; --"};
  ASSERT_EQ(library.AddList(table, L"General", values), 0) << platform::ToUtf8(library.LastError());
  ASSERT_EQ(library.AppendTable(table, {L"one more"}), 0);
  Values read;
  ASSERT_EQ(library.LoadList(table, L"Name", L"", &read), 0);
  std::sort(read.begin(), read.end());
  Values expected = values;
  expected.push_back(L"one more");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(read, expected);
  ASSERT_EQ(library.LoadTOC(), 0);
  ASSERT_EQ(library.DropTable(table), 0) << platform::ToUtf8(library.LastError());
  EXPECT_NE(library.LoadList(table, L"Name", L"", &read), 0);
  EXPECT_EQ(library.LoadList(L"Cities", L"Name", L"", &read), 0);
  EXPECT_NE(library.DropTable(table), 0);
  // A library opened for reading refuses changes.
  VLibrary reader(nullptr);
  ASSERT_EQ(reader.Open(copy, 0), 0);
  EXPECT_NE(reader.AppendTable(L"Colors", {L"Mauve"}), 0);
}

TEST(ValueLibrary, ManyThreadsShareOneLibrary) {
  DSynthor engine;
  engine.Initialize(L"", kSeed, nullptr);
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(kShipped, 1), 0);
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&library, &failures, t] {
      std::wstring text;
      int code = 0;
      for (int i = 0; i < 200; ++i) {
        const wchar_t* table = (i + t) % 2 ? L"Cities" : L"Colors";
        if (library.ListValue(table, L"Name", L"", 0, i % 3 == 0, &text, &code).empty()) ++failures;
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

// Every value of every built-in table, row by row, in a fixed order.
std::set<std::wstring> AllRows(VLibrary& library) {
  std::set<std::wstring> rows;
  for (const auto& [table, column] : kBuiltIn) {
    (void)column;
    VLibrary::Columns columns;
    const Values names = {L"Name", L"Country", L"State"};
    Values all;
    if (std::wstring(table) == L"Cities") {
      EXPECT_EQ(library.LoadLists(table, names, &columns, L""), 0);
      for (std::size_t r = 0; r < columns[0].size(); ++r)
        rows.insert(columns[0][r] + L"|" + columns[1][r] + L"|" + columns[2][r]);
    }
    EXPECT_EQ(library.LoadList(table, column, L"", &all), 0) << platform::ToUtf8(table);
    for (const std::wstring& value : all) rows.insert(std::wstring(table) + L":" + value);
  }
  return rows;
}

TEST(ValueLibrary, XmlFormHoldsTheSameListsAndReadsBackEqual) {
  VLibrary shipped(nullptr);
  ASSERT_EQ(shipped.Open(kShipped, 1), 0);
  const std::wstring xml = testsupport::NewScratchPath(L"library.XML");
  ASSERT_EQ(shipped.ExportXML(xml), 0);
  VLibrary imported(nullptr);
  ASSERT_EQ(imported.Open(xml, 1), 0);
  EXPECT_TRUE(imported.IsXml());
  EXPECT_EQ(AllRows(imported), AllRows(shipped));
  EXPECT_EQ(imported.TableOfContents().size(), shipped.TableOfContents().size());
  // Columns and filters apply to an XML library too.
  Values german;
  ASSERT_EQ(imported.LoadList(L"Cities", L"Name", L"Country='Germany'", &german), 0);
  EXPECT_EQ(german.size(), 4u);
  std::wstring text;
  int code = 0;
  EXPECT_EQ(imported.ListValue(L"Countries", L"Capital", L"Code2='NO'", 0, 0, &text, &code),
            L"Oslo");
  EXPECT_EQ(imported.ListValue(L"NoSuchTable", L"Name", L"", 0, 0, &text, &code), L"");
  EXPECT_EQ(code, VLibrary::kListUnavailable);
}

TEST(ValueLibrary, XmlExportEscapesAnyText) {
  const std::wstring copy = testsupport::NewScratchPath(L"odd.sqlite");
  std::string bytes;
  ASSERT_TRUE(platform::ReadFileBytes(kShipped, bytes));
  ASSERT_TRUE(platform::WriteFileBytes(copy, bytes));
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(copy, 0, true), 0);
  const Values odd = {L"a & b",     L"<tag attr=\"x\">", L"it's",
                      L"tab\there", L"line\nbreak",      L"\u00E9t\u00E9 \u65E5\u672C"};
  ASSERT_EQ(library.AppendTable(L"Colors", odd), 0);
  const std::wstring xml = testsupport::NewScratchPath(L"odd.xml");
  ASSERT_EQ(library.ExportXML(xml), 0);
  VLibrary imported(nullptr);
  ASSERT_EQ(imported.Open(xml, 0), 0);
  Values colors;
  ASSERT_EQ(imported.LoadList(L"Colors", L"Name", L"", &colors), 0);
  for (const std::wstring& value : odd)
    EXPECT_NE(std::find(colors.begin(), colors.end(), value), colors.end())
        << platform::ToUtf8(value);
}

TEST(ValueLibrary, MalformedXmlLibraryIsRefused) {
  const std::wstring bad = testsupport::NewScratchPath(L"bad.xml");
  ASSERT_TRUE(platform::WriteFileBytes(
      bad, "<library Version=\"1.44\"><Colors><item Name=\"x\"></library"));
  VLibrary library(nullptr);
  EXPECT_EQ(library.Open(bad, 1), -1);
  EXPECT_FALSE(library.IsOpen());
  std::wstring text;
  int code = 0;
  EXPECT_EQ(library.ListValue(L"Colors", L"Name", L"", 0, 0, &text, &code), L"");
  EXPECT_EQ(code, VLibrary::kListUnavailable);
  // A well-formed file without the library's tables is an empty library.
  const std::wstring other = testsupport::NewScratchPath(L"other.xml");
  ASSERT_TRUE(
      platform::WriteFileBytes(other, "<other><Colors><item Name=\"x\"/></Colors></other>"));
  ASSERT_EQ(library.Open(other, 1), 0);
  EXPECT_TRUE(library.TableOfContents().empty());
  EXPECT_EQ(library.ListValue(L"Colors", L"Name", L"", 0, 0, &text, &code), L"");
}

// A tree that records what the library puts in it, as one text per node: "group", "group/list",
// "group/list/column", in the order added.
class RecordingTree : public LibraryTreeSink {
 public:
  NodeId AddNode(NodeId parent, const std::wstring& text, NodeKind kind) override {
    std::wstring path = text;
    if (parent != kRoot) {
      auto found = paths_.find(parent);
      if (found == paths_.end()) {
        ADD_FAILURE() << "unknown parent " << parent;
        return 0;
      }
      path = found->second + L"/" + text;
    }
    const int depth = static_cast<int>(std::count(path.begin(), path.end(), L'/'));
    EXPECT_EQ(static_cast<int>(kind), depth) << platform::ToUtf8(path);
    nodes.push_back(path);
    const NodeId id = static_cast<NodeId>(nodes.size()) * 7;  // any ids the sink likes
    paths_.emplace(id, path);
    return id;
  }
  Values nodes;

 private:
  std::map<NodeId, std::wstring> paths_;
};

// The nodes of `tree` at `depth` (0 groups, 1 lists, 2 columns) below `under` ("" for all).
Values NodesAt(const RecordingTree& tree, int depth, const std::wstring& under = L"") {
  Values found;
  for (const std::wstring& node : tree.nodes)
    if (std::count(node.begin(), node.end(), L'/') == depth && node.starts_with(under))
      found.push_back(node);
  return found;
}

Values Sorted(Values values) {
  std::sort(values.begin(), values.end());
  return values;
}

// A copy of the shipped library as an XML library of the test's own.
std::wstring XmlCopyOfShipped(const std::wstring& name) {
  VLibrary shipped(nullptr);
  EXPECT_EQ(shipped.Open(kShipped, 0), 0);
  const std::wstring xml = testsupport::NewScratchPath(name);
  EXPECT_EQ(shipped.ExportXML(xml), 0);
  return xml;
}

TEST(ValueLibrary, TreeHoldsGroupsListsAndColumnsInBothForms) {
  RecordingTree small;
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(SmallLibrary(), 0), 0);
  ASSERT_EQ(library.LoadTOC(&small), 0);
  // The hidden column stays out, and Name is the list itself.
  EXPECT_EQ(small.nodes, (Values{L"Test", L"Test/ABC", L"Test/ABC/Extra"}));

  RecordingTree database;
  ASSERT_EQ(library.Open(kShipped, 0), 0);
  ASSERT_EQ(library.LoadTOC(&database), 0);
  EXPECT_EQ(NodesAt(database, 0),
            (Values{L"Geography", L"People", L"Business", L"General", L"Text"}));
  EXPECT_EQ(NodesAt(database, 2, L"Geography/Cities/"),
            (Values{L"Geography/Cities/Country", L"Geography/Cities/State"}));
  EXPECT_EQ(NodesAt(database, 2, L"Text/Phrases/"),
            (Values{L"Text/Phrases/Phrase", L"Text/Phrases/Language"}));
  EXPECT_EQ(NodesAt(database, 1).size(), std::size(kBuiltIn));
  // The text form lists the same columns as "list.column".
  Values columns;
  for (const std::wstring& node : NodesAt(database, 2)) {
    std::wstring listColumn = node.substr(node.find(L'/') + 1);
    listColumn[listColumn.find(L'/')] = L'.';
    columns.push_back(listColumn);
  }
  EXPECT_EQ(columns, library.TableOfContents());

  // The XML form keeps the groups, so its tree is the same (in the file's order).
  RecordingTree xml;
  ASSERT_EQ(library.Open(XmlCopyOfShipped(L"tree.xml"), 0), 0);
  ASSERT_EQ(library.LoadTOC(&xml), 0);
  EXPECT_EQ(Sorted(xml.nodes), Sorted(database.nodes));

  // No catalogue: an error and an empty tree.
  const std::wstring bare = testsupport::NewScratchPath(L"bare.sqlite");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(platform::ToUtf8(bare).c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "create table Colors(Name text)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  RecordingTree none;
  ASSERT_EQ(library.Open(bare, 0), 0);
  EXPECT_EQ(library.LoadTOC(&none), -1);
  EXPECT_TRUE(none.nodes.empty());
}

std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadFileBytes(path, bytes));
  return bytes;
}

TEST(ValueLibrary, XmlLibraryIsChangedInItsFile) {
  const std::wstring xml = XmlCopyOfShipped(L"changed.xml");
  const std::wstring table = L"Bob's \"best\" <list> & more";
  const Values values = {L"it's", L"say \"hi\"", L"a'); drop table Colors; --", L"x&y<z>",
                         L"\u00E9t\u00E9"};
  Values colors;
  {
    VLibrary library(nullptr);
    ASSERT_EQ(library.Open(xml, 0, true), 0);
    ASSERT_EQ(library.AddList(table, L"General", values), 0)
        << platform::ToUtf8(library.LastError());
    ASSERT_EQ(library.AppendTable(table, {L"one \"more\""}), 0);
    ASSERT_EQ(library.AppendTable(L"Colors", {L"Mauve 'ish'"}), 0);
    ASSERT_EQ(library.DropTable(L"Months"), 0) << platform::ToUtf8(library.LastError());
    ASSERT_EQ(library.LoadList(L"Colors", L"Name", L"", &colors), 0);
    // A change that fails in one of its steps leaves the file as it was.
    const std::string before = FileBytes(xml);
    EXPECT_NE(library.AddList(L"Orphan", L"No such group", {L"x"}), 0);
    EXPECT_NE(library.LastError().find(L"No such group"), std::wstring::npos);
    EXPECT_NE(library.AddList(table, L"General", {L"again"}), 0) << "the list exists already";
    EXPECT_NE(library.DropTable(L"Months"), 0);
    // So does one whose file cannot be written at the end; the library is rolled back too.
    DSynthor::SetCheckSyntaxMode(1);
    EXPECT_EQ(library.AppendTable(L"Colors", {L"Teal"}), -1);
    DSynthor::SetCheckSyntaxMode(0);
    EXPECT_EQ(FileBytes(xml), before);
    Values now;
    ASSERT_EQ(library.LoadList(L"Colors", L"Name", L"", &now), 0);
    EXPECT_EQ(Sorted(now), Sorted(colors));
  }
  VLibrary reopened(nullptr);
  ASSERT_EQ(reopened.Open(xml, 1), 0);
  Values read;
  ASSERT_EQ(reopened.LoadList(table, L"Name", L"", &read), 0);
  Values expected = values;
  expected.push_back(L"one \"more\"");
  EXPECT_EQ(Sorted(read), Sorted(expected));
  ASSERT_EQ(reopened.LoadList(L"Colors", L"Name", L"", &read), 0);
  EXPECT_EQ(Sorted(read), Sorted(colors));
  EXPECT_NE(std::find(read.begin(), read.end(), L"Mauve 'ish'"), read.end());
  EXPECT_NE(reopened.LoadList(L"Months", L"Name", L"", &read), 0);
  RecordingTree tree;
  ASSERT_EQ(reopened.LoadTOC(&tree), 0);
  EXPECT_NE(std::find(tree.nodes.begin(), tree.nodes.end(), L"General/" + table), tree.nodes.end());
  EXPECT_EQ(std::find(tree.nodes.begin(), tree.nodes.end(), L"General/Months"), tree.nodes.end());
  // Every other list came through untouched.
  VLibrary shipped(nullptr);
  ASSERT_EQ(shipped.Open(kShipped, 0), 0);
  for (const auto& [name, column] : kBuiltIn) {
    if (std::wstring(name) == L"Months" || std::wstring(name) == L"Colors") continue;
    Values want, got;
    ASSERT_EQ(shipped.LoadList(name, column, L"", &want), 0);
    ASSERT_EQ(reopened.LoadList(name, column, L"", &got), 0) << platform::ToUtf8(name);
    EXPECT_EQ(Sorted(got), Sorted(want)) << platform::ToUtf8(name);
  }
  // Opened for reading: no changes, and the file stays.
  const std::string before = FileBytes(xml);
  EXPECT_EQ(reopened.AppendTable(L"Colors", {L"Teal"}), -1);
  EXPECT_EQ(FileBytes(xml), before);
}

TEST(ValueLibrary, ReadOnlyXmlLibraryIsLeftAsItWas) {
  const std::wstring xml = XmlCopyOfShipped(L"readonly.xml");
  const std::string file = platform::ToUtf8(xml);
  const std::string folder = platform::ToUtf8(platform::FolderPart(xml));
  const std::string before = FileBytes(xml);
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(xml, 0, true), 0);
  Values colors;
  ASSERT_EQ(library.LoadList(L"Colors", L"Name", L"", &colors), 0);
  struct Case {
    const char* what;
    const std::string& path;
    mode_t locked;
    mode_t open;
  };
  for (const Case& c : {Case{"file", file, 0444, 0644}, Case{"folder", folder, 0555, 0755}}) {
    ASSERT_EQ(chmod(c.path.c_str(), c.locked), 0);
    EXPECT_EQ(library.AddList(L"New", L"General", {L"a"}), -1) << c.what;
    EXPECT_NE(library.LastError().find(L"cannot be written"), std::wstring::npos)
        << platform::ToUtf8(library.LastError());
    EXPECT_EQ(library.AppendTable(L"Colors", {L"Teal"}), -1) << c.what;
    EXPECT_EQ(library.DropTable(L"Colors"), -1) << c.what;
    chmod(c.path.c_str(), c.open);
    EXPECT_EQ(FileBytes(xml), before) << c.what;
    // Nor did the library change.
    Values now;
    EXPECT_NE(library.LoadList(L"New", L"Name", L"", &now), 0);
    ASSERT_EQ(library.LoadList(L"Colors", L"Name", L"", &now), 0);
    EXPECT_EQ(Sorted(now), Sorted(colors));
  }
  // Writable again, the same change goes through.
  EXPECT_EQ(library.AppendTable(L"Colors", {L"Teal"}), 0) << platform::ToUtf8(library.LastError());
  EXPECT_NE(FileBytes(xml), before);
}

TEST(ValueLibrary, LongValuesAreNeverWrittenBackCut) {
  const std::wstring xml = testsupport::NewScratchPath(L"long.xml");
  const std::string longValue(3000, 'v');
  ASSERT_TRUE(platform::WriteFileBytes(xml, "<library><Colors><item Name=\"" + longValue +
                                                "\"/><item Name=\"red\"/></Colors></library>"));
  const std::string before = FileBytes(xml);
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(xml, 0, true), 0);
  EXPECT_EQ(library.AppendTable(L"Colors", {L"blue"}), -1);
  EXPECT_NE(library.LastError().find(L"longer than"), std::wstring::npos)
      << platform::ToUtf8(library.LastError());
  EXPECT_EQ(FileBytes(xml), before);
}

TEST(ValueLibrary, XmlListsOfTheirOwnAndBadOnes) {
  const std::wstring own = testsupport::NewScratchPath(L"own.xml");
  ASSERT_TRUE(platform::WriteFileBytes(own,
                                       "<library Version=\"1.44\">\n"
                                       "<Colors><item Name=\"red\"/></Colors>\n"
                                       "<list Name=\"It's &quot;x&quot;\" Group=\"Mine\"><item "
                                       "Name=\"a\"/><item Name=\"b\"/></list>\n"
                                       "<list><item Name=\"nameless\"/></list>\n"
                                       "<list Name=\"Empty\" Group=\"Mine\"/>\n"
                                       "</library>\n"));
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(own, 0), 0);
  Values values;
  ASSERT_EQ(library.LoadList(L"It's \"x\"", L"Name", L"", &values), 0);
  EXPECT_EQ(Sorted(values), (Values{L"a", L"b"}));
  ASSERT_EQ(library.LoadList(L"Empty", L"Name", L"", &values), 0);
  EXPECT_TRUE(values.empty());
  RecordingTree tree;
  ASSERT_EQ(library.LoadTOC(&tree), 0);
  EXPECT_EQ(tree.nodes,
            (Values{L"Library", L"Library/Colors", L"Mine", L"Mine/It's \"x\"", L"Mine/Empty"}));

  // A list that clashes with another is no library.
  const std::wstring clash = testsupport::NewScratchPath(L"clash.xml");
  ASSERT_TRUE(platform::WriteFileBytes(
      clash, "<library><Colors><item Name=\"red\"/></Colors><list Name=\"colors\"/></library>"));
  EXPECT_EQ(library.Open(clash, 0), -1);
  EXPECT_FALSE(library.IsOpen());
}

// The engine as the runner sets it up: the library path is the shipped file.
class LibraryGenerators : public EngineFixture {
 protected:
  void SetUp() override { ASSERT_EQ(engine.Initialize(kShipped, kSeed, nullptr), 1); }
};

TEST_F(LibraryGenerators, LibReadsAColumnOfAList) {
  const Values colors = [] {
    VLibrary library(nullptr);
    library.Open(kShipped, 0);
    Values v;
    library.LoadList(L"Colors", L"Name", L"", &v);
    return v;
  }();
  for (const std::wstring& value : Distinct(L"$lib(Colors)", 50))
    EXPECT_NE(std::find(colors.begin(), colors.end(), value), colors.end())
        << platform::ToUtf8(value);
  for (const std::wstring& code : Distinct(L"$library(Countries, Code2)", 30))
    EXPECT_EQ(code.size(), 2u);
  // Sequential: the list in its order from the first entry (compiling the pattern draws
  // nothing), then the first again.
  const Values listed = [] {
    VLibrary library(nullptr);
    library.Open(kShipped, 0);
    Values v;
    library.LoadList(L"Months", L"Name", L"", &v);
    return v;
  }();
  ASSERT_EQ(listed.size(), 12u);
  Values months;
  for (int i = 0; i < 13; ++i) months.push_back(Render(L"$lib(Months, Name, 0, 1)"));
  EXPECT_EQ(Values(months.begin(), months.end() - 1), listed);
  EXPECT_EQ(months.back(), listed.front());
  for (const std::wstring& city : Distinct(L"$lib(Cities, Name, 0, 0, Country='Japan')", 20))
    EXPECT_TRUE(city == L"Tokyo" || city == L"Osaka") << platform::ToUtf8(city);
}

TEST_F(LibraryGenerators, LibFilterTakesAnotherColumnsCurrentValue) {
  engine.AddColumnName(L"Country");
  DGValue country;
  country.value = L"Italy";
  engine.SetValue(0, &country);
  for (const std::wstring& city : Distinct(L"$lib(Cities, Name, 0, 0, Country='@'Country'')", 20))
    EXPECT_TRUE(city == L"Rome" || city == L"Milan" || city == L"Naples")
        << "[" << platform::ToUtf8(city) << "] " << engine.ErrorCode()
        << platform::ToUtf8(engine.Error());
}

TEST_F(LibraryGenerators, LibFilterFollowsTheColumnFromRowToRow) {
  engine.AddColumnName(L"Country");
  const std::wstring pattern = L"$lib(Cities, Name, 0, 0, Country='@'Country'')";
  DGValue country;
  // A quote in the value stays inside the literal: no such country, so no city and no error.
  country.value = L"It'aly";
  engine.SetValue(0, &country);
  EXPECT_EQ(Render(pattern), L"");
  country.value = L"Japan";
  engine.SetValue(0, &country);
  for (int i = 0; i < 10; ++i) {
    const std::wstring city = Render(pattern);
    EXPECT_TRUE(city == L"Tokyo" || city == L"Osaka") << platform::ToUtf8(city);
  }
  country.value = L"Italy";
  engine.SetValue(0, &country);
  const std::wstring city = Render(pattern);
  EXPECT_TRUE(city == L"Rome" || city == L"Milan" || city == L"Naples") << platform::ToUtf8(city);
}

TEST_F(LibraryGenerators, LibGroupKeepsTheColumnsOfOneRow) {
  for (int i = 0; i < 20; ++i) {
    const std::wstring row = Render(L"$libgroup(1, US_States, Code, Capital)=$group(1, 2)");
    EXPECT_TRUE(Matches(row, "[A-Z]{2}=[A-Za-z .]+")) << platform::ToUtf8(row);
  }
  const std::wstring japan = Render(L"$libgroup(2, Cities, Name, State, *, Country='Japan')");
  EXPECT_TRUE(japan == L"Tokyo" || japan == L"Osaka") << platform::ToUtf8(japan);
}

TEST_F(LibraryGenerators, BadCallsFailCleanly) {
  EXPECT_EQ(RenderError(L"$lib()"), 1800);
  EXPECT_EQ(RenderError(L"$libgroup(1, Cities)"), 1900);
  EXPECT_EQ(RenderError(L"$libgroup(1, Cities, , Country)"), 1900);
  EXPECT_EQ(RenderError(L"$lib(Cities, Name, 0, 0, \"Country='@'Country\")"), 1800);
  EXPECT_EQ(RenderError(L"$libgroup(1, NoSuchTable, Name)"), 1901);
  EXPECT_EQ(RenderError(L"$lib(NoSuchTable)"), 1850);
  // A misspelt column is an error naming it, never its own name as a value.
  EXPECT_EQ(RenderError(L"$lib(Colors, Colour)"), 1850);
  EXPECT_NE(engine.Error().find(L"Colour"), std::wstring::npos) << platform::ToUtf8(engine.Error());
  EXPECT_EQ(RenderError(L"$lib(Colors, \"Colour\")"), 1850);
  EXPECT_EQ(RenderError(L"$libgroup(1, Countries, Name, Captial)"), 1901);
  EXPECT_NE(engine.Error().find(L"Captial"), std::wstring::npos) << platform::ToUtf8(engine.Error());
  DGValue v;
  engine.Value(-1, L"$libgroup(1, Cities, Name)$group(1, 4)", &v, nullptr);
  EXPECT_EQ(engine.ErrorCode(), 1902);
  EXPECT_EQ(engine.Error(), L"LibGroupData: Group item is out of range");
}

TEST(LibraryGeneratorsWithoutLibrary, MissingLibraryFileIs1801) {
  DSynthor engine;
  engine.Initialize(testsupport::NewScratchPath(L"none/library.sqlite"), kSeed, nullptr);
  DGValue v;
  EXPECT_EQ(engine.Value(-1, L"$lib(Colors)", &v, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 1801);
  EXPECT_EQ(engine.Value(-1, L"$libgroup(1, Cities, Name)", &v, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 1901);
}

TEST_F(LibraryGenerators, TextPhrasesComeFromTheLibraryByLanguage) {
  VLibrary library(nullptr);
  ASSERT_EQ(library.Open(kShipped, 0), 0);
  Values german;
  ASSERT_EQ(library.LoadList(L"Phrases", L"Phrase", L"Language='DE'", &german), 0);
  ASSERT_FALSE(german.empty());
  const std::wstring text = engine.Phrases()->MakeText(120, L"DE");
  ASSERT_FALSE(text.empty());
  EXPECT_LT(text.size(), 120u);
  EXPECT_EQ(engine.Phrases()->PhraseCount(), german.size());
  // Every phrase of the text is German: the text is German phrases joined by single blanks.
  std::wstring rest = text;
  while (!rest.empty()) {
    bool found = false;
    for (const std::wstring& phrase : german) {
      if (rest.compare(0, phrase.size(), phrase) == 0 &&
          (rest.size() == phrase.size() || rest[phrase.size()] == L' ')) {
        rest.erase(0, std::min(rest.size(), phrase.size() + 1));
        found = true;
        break;
      }
    }
    ASSERT_TRUE(found) << platform::ToUtf8(rest);
  }
}

TEST_F(LibraryGenerators, TextPhrasesReadTheEnginesOwnLibrary) {
  // A language with a quote is one literal: it names no language and gives nothing.
  TextPhrases quoted(&engine);
  EXPECT_EQ(quoted.MakeText(120, L"D'E"), L"");
  EXPECT_EQ(quoted.PhraseCount(), 0u);
  // The phrases come through the library `$lib` uses, opened once for both.
  ASSERT_FALSE(engine.Phrases()->MakeText(120, L"DE").empty());
  ASSERT_TRUE(engine.Library()->IsOpen());
  EXPECT_EQ(engine.Library()->Path(), kShipped);
  EXPECT_FALSE(Render(L"$lib(Colors)").empty());
}

}  // namespace
}  // namespace engine_test
