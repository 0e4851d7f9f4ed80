// The XML form of the value library: import into a private SQLite file, and export.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <set>

#include "kavra/SqlLiteral.h"
#include "mervis/Log.h"
#include "mervis/XmlParser.h"
#include "mervis/XmlWriter.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/library/VLibrary.h"
#include "synthor/generators/library/VLibraryTables.h"

namespace vlibrary {

const std::vector<BuiltInTable>& BuiltInTables() {
  static const std::vector<BuiltInTable> tables = {
      {L"Cities", {L"Name", L"Country", L"State"}},
      {L"Colors", {L"Name"}},
      {L"Companies", {L"Name", L"ShortName", L"Domain"}},
      {L"Countries", {L"Name", L"Code2", L"Code3", L"Capital", L"Currency", L"CurrencyCode"}},
      {L"Departments", {L"Name"}},
      {L"FirstNames", {L"Name"}},
      {L"FullNames", {L"Name"}},
      {L"Industries", {L"Name"}},
      {L"LastNames", {L"Name"}},
      {L"Months", {L"Name", L"ShortName"}},
      {L"Occupations", {L"Name"}},
      {L"Phrases", {L"Phrase", L"Language"}},
      {L"Region", {L"Name"}},
      {L"Streets", {L"Name", L"Country"}},
      {L"US_States", {L"Name", L"Code", L"Capital"}},
      {L"ZipCodes", {L"ZipCode", L"Country", L"City", L"State"}},
  };
  return tables;
}

bool IsBuiltInTable(const std::wstring& name) {
  for (const BuiltInTable& table : BuiltInTables())
    if (platform::EqualsNoCase(name, table.name)) return true;
  return false;
}

bool IsXmlPath(const std::wstring& path) {
  if (path.size() < 5) return false;
  const std::wstring end = path.substr(path.size() - 3);
  return std::towlower(static_cast<wint_t>(end[0])) == L'x' &&
         std::towlower(static_cast<wint_t>(end[1])) == L'm' &&
         std::towlower(static_cast<wint_t>(end[2])) == L'l';
}

namespace {

std::wstring SystemText(int code) {
  const char* text = strerrordesc_np(code);
  return text ? platform::FromUtf8(text) : L"error " + platform::FromInt(code);
}

// Why `path` cannot be written: its own permissions, then those of the system for this user.
std::wstring PermissionProblem(const std::wstring& path, bool folder) {
  const std::string native = platform::NativePath(path);
  struct stat info {};
  if (stat(native.c_str(), &info) != 0) return SystemText(errno);
  if ((info.st_mode & 0222) == 0) return SystemText(EROFS);
  if (access(native.c_str(), folder ? (W_OK | X_OK) : W_OK) != 0) return SystemText(errno);
  return std::wstring();
}

}  // namespace

std::wstring WhyNotWritable(const std::wstring& path) {
  if (std::wstring problem = PermissionProblem(path, false); !problem.empty())
    return platform::Format(L"The value library '%ls' cannot be written: %ls", path.c_str(),
                            problem.c_str());
  std::wstring folder = platform::FolderPart(path);
  if (folder.empty()) folder = L".";
  // The file is replaced through a new file beside it, which the folder must allow.
  if (std::wstring problem = PermissionProblem(folder, true); !problem.empty())
    return platform::Format(L"The folder of the value library '%ls' cannot be written: %ls",
                            path.c_str(), problem.c_str());
  return std::wstring();
}

}  // namespace vlibrary

using vlibrary::BuiltInTables;

namespace {

// The group of the lists an XML library names none for.
constexpr const wchar_t* kDefaultGroup = L"Library";

// Builds the working copy of an XML library: its lists as tables, and the catalogue `_Index`
// that the database form keeps, with a group made for each group name met.
class WorkingCopy {
 public:
  explicit WorkingCopy(CDB_API& db) : db_(db) {}

  int Start() {
    int result = db_.Execute(
        L"create table _Index(ID integer, Name varchar(255), Parent integer, Column "
        L"varchar(255), Hidden integer, IsTable integer)");
    return result == 0 ? db_.Execute(L"begin") : result;
  }
  int Finish() { return db_.Execute(L"commit"); }

  int AddTable(const std::wstring& table, const std::vector<std::wstring>& columns,
               const std::wstring& group) {
    int groupId = 0;
    int result = GroupId(group.empty() ? kDefaultGroup : group, &groupId);
    std::wstring create = L"create table " + db_.QuoteTable(table) + L"(";
    for (std::size_t c = 0; c < columns.size(); ++c)
      create += (c ? L", " : L"") + db_.QuoteColumn(columns[c]) + L" varchar(255)";
    if (result == 0) result = db_.Execute(create + L")");
    const int tableId = next_++;
    if (result == 0)
      result = db_.Execute(platform::Format(L"insert into _Index values(%d,%ls,%d,null,0,1)",
                                            tableId, SqlStringLiteral(table).c_str(), groupId));
    for (const std::wstring& column : columns)
      if (result == 0)
        result = db_.Execute(platform::Format(L"insert into _Index values(%d,null,%d,%ls,0,0)",
                                              next_++, tableId, SqlStringLiteral(column).c_str()));
    insert_ = L"insert into " + db_.QuoteTable(table) + L" values(";
    return result;
  }

  // A row of the table added last.
  int AddRow(const std::vector<std::wstring>& values) {
    std::wstring list;
    for (std::size_t c = 0; c < values.size(); ++c)
      list += (c ? L"," : L"") + SqlStringLiteral(values[c]);
    return db_.Execute(insert_ + list + L")");
  }

 private:
  int GroupId(const std::wstring& name, int* id) {
    auto found = groups_.find(name);
    if (found != groups_.end()) {
      *id = found->second;
      return 0;
    }
    *id = next_++;
    groups_.emplace(name, *id);
    return db_.Execute(platform::Format(L"insert into _Index values(%d,%ls,0,null,0,0)", *id,
                                        SqlStringLiteral(name).c_str()));
  }

  CDB_API& db_;
  int next_ = 1;
  std::map<std::wstring, int> groups_;
  std::wstring insert_;
};

// Imports the built-in tables (elements named by the table) and the other lists (`list`
// elements with a `Name`) of a loaded XML library.
int ImportTables(XmlParser& reader, WorkingCopy& copy) {
  int result = 0;
  for (const auto& table : BuiltInTables()) {
    if (result != 0) break;
    // A table the file does not hold is no table of the library.
    if (reader.NodesByPath(platform::Format(L"//library/%ls", table.name)) <= 0) continue;
    const std::wstring group = reader.AttributeValue(0, L"Group");
    const int rows = reader.NodesByPath(platform::Format(L"//library/%ls/item", table.name));
    const std::vector<std::wstring> columns(table.columns.begin(), table.columns.end());
    result = copy.AddTable(table.name, columns, group);
    for (int row = 0; row < rows && result == 0; ++row) {
      std::vector<std::wstring> values;
      for (const std::wstring& column : columns)
        values.push_back(reader.AttributeValue(row, column));
      result = copy.AddRow(values);
    }
  }
  struct List {
    std::wstring name, group;
  };
  std::vector<List> lists;
  const int count = reader.NodesByPath(L"/library/list");
  for (int k = 0; k < count; ++k)
    lists.push_back({reader.AttributeValue(k, L"Name"), reader.AttributeValue(k, L"Group")});
  // By position: a name may hold any character, which a path could not quote.
  for (std::size_t k = 0; k < lists.size() && result == 0; ++k) {
    if (lists[k].name.empty()) {
      CLog::Bug2(platform::Format(L"The value library's list %zu has no name; left out.", k + 1));
      continue;
    }
    const int rows = reader.NodesByPath(platform::Format(L"/library/list[%zu]/item", k + 1));
    result = copy.AddTable(lists[k].name, {L"Name"}, lists[k].group);
    for (int row = 0; row < rows && result == 0; ++row)
      result = copy.AddRow({reader.AttributeValue(row, L"Name")});
  }
  return result;
}

// True when `value` may have been cut at the data source's value length while read.
bool MayBeCut(const std::wstring& value) {
  std::size_t units = value.size();
  for (wchar_t c : value)
    if (static_cast<unsigned long>(c) > 0xFFFF) ++units;
  return units + 1 >= CDB_API::kSqliteValueLength;
}

}  // namespace

int VLibrary::ImportXmlLocked(const std::wstring& path) {
  XmlParser reader;
  if (reader.LoadFile(path) != 0) {
    CLog::Bug2(platform::Format(L"Could not load XML Value Library [%ls]:\r\n%ls", path.c_str(),
                                reader.ErrorText().c_str()));
    return -1;
  }
  // The rows go into a private SQLite file, so columns, filters and the table of contents work
  // as for the database form.
  std::string name =
      platform::NativePath(platform::JoinPath(platform::TempFolder(), L"vlibraryXXXXXX"));
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    CLog::Bug2(platform::Format(L"Could not load XML Value Library [%ls]:\r\n%ls", path.c_str(),
                                L"no temporary file"));
    return -1;
  }
  close(fd);
  importFile_ = platform::FromUtf8(name);
  if (!source_->Open(importFile_, CDB_API::kSqliteFile, 0)) {
    CLog::Bug2(platform::Format(L"Could not load XML Value Library [%ls]:\r\n%ls", path.c_str(),
                                source_->LastError().c_str()));
    return -1;
  }
  WorkingCopy copy(*source_);
  int result = copy.Start();
  if (result == 0) result = ImportTables(reader, copy);
  if (result == 0) result = copy.Finish();
  if (result != 0) {
    CLog::Bug2(platform::Format(L"Could not load XML Value Library [%ls]:\r\n%ls", path.c_str(),
                                source_->LastError().c_str()));
    return -1;
  }
  return 0;
}

int VLibrary::ExportXML(const std::wstring& path) {
  int result = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    error_.clear();
    result = ExportXmlLocked(path);
  }
  ShowNotices();
  return result;
}

int VLibrary::ExportXmlLocked(const std::wstring& path) {
  if (!opened_ || !source_) {
    error_ = platform::Format(L"The value library '%ls' is not open.", path_.c_str());
    return -1;
  }
  // A syntax check reads only the first rows of a table: what it read is no library to write.
  if (DSynthor::GetCheckSyntaxMode() != 0) {
    error_ = L"The value library is not written while patterns are only being checked.";
    return -1;
  }
  std::vector<std::wstring> catalogued;
  const bool known =
      source_->GetQuery(L"select Name from _Index where IsTable=1 order by ID", &catalogued) == 0;
  Columns membership;
  std::map<std::wstring, std::wstring> groupOf;
  if (source_->GetQuery(L"select a.Name, b.Name from _Index a, _Index b where a.Parent=b.ID and "
                        L"a.IsTable=1 and b.IsTable=0",
                        &membership) == 0 &&
      membership.size() == 2)
    for (std::size_t k = 0; k < membership[0].size(); ++k)
      groupOf.emplace(membership[0][k], membership[1][k]);
  auto isCatalogued = [&](const std::wstring& table) {
    return std::any_of(catalogued.begin(), catalogued.end(),
                       [&](const std::wstring& c) { return platform::EqualsNoCase(c, table); });
  };
  auto groupAttribute = [&](const std::wstring& table) {
    auto found = groupOf.find(table);
    return found == groupOf.end()
               ? std::wstring()
               : L" Group=\"" + XmlWriter::EscapeAttribute(found->second) + L"\"";
  };
  // Reads a table's columns; false (logged) when it cannot be read. A value that may have been
  // cut short is checked against the table, so that nothing is written shorter than it is.
  bool tooLong = false;
  auto read = [&](const std::wstring& table, const std::vector<std::wstring>& names,
                  Columns* columns) {
    if (source_->GetColumns(table, names, columns, nullptr) != 0 ||
        columns->size() != names.size()) {
      CLog::Bug2(platform::Format(L"Could not load '%ls': %ls", table.c_str(),
                                  source_->LastError().c_str()));
      NoticeLocked(L"Error", platform::Format(L"Could not load '%ls'", table.c_str()));
      return false;
    }
    for (std::size_t c = 0; c < names.size(); ++c)
      for (const std::wstring& value : (*columns)[c]) {
        if (!MayBeCut(value)) continue;
        std::vector<std::wstring> same;
        if (source_->GetQuery(L"select 1 from " + source_->QuoteTable(table) + L" where " +
                                  source_->QuoteColumn(names[c]) + L"=" + SqlStringLiteral(value),
                              &same) != 0 ||
            same.empty())
          tooLong = true;
      }
    return !tooLong;
  };

  std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<library Version=\"1.44\">\n";
  for (const auto& table : BuiltInTables()) {
    // A library whose catalogue does not list a built-in table does not have it.
    if (known && !isCatalogued(table.name)) continue;
    Columns columns;
    const std::vector<std::wstring> names(table.columns.begin(), table.columns.end());
    if (!read(table.name, names, &columns)) {
      if (tooLong) break;
      continue;
    }
    xml += platform::Format(L"<%ls%ls>\n", table.name, groupAttribute(table.name).c_str());
    for (std::size_t row = 0; row < columns.front().size(); ++row) {
      std::wstring item = L"<item";
      for (std::size_t c = 0; c < names.size(); ++c)
        item += L" " + names[c] + L"=\"" + XmlWriter::EscapeAttribute(columns[c][row]) + L"\"";
      xml += item + L"/>\n";
    }
    xml += platform::Format(L"</%ls>\n", table.name);
  }
  std::set<std::wstring> written;
  for (const std::wstring& table : catalogued) {
    if (tooLong) break;
    if (vlibrary::IsBuiltInTable(table) || !written.insert(platform::ToLower(table)).second)
      continue;
    Columns columns;
    if (!read(table, {L"Name"}, &columns)) continue;
    xml += L"<list Name=\"" + XmlWriter::EscapeAttribute(table) + L"\"" + groupAttribute(table) +
           L">\n";
    for (const std::wstring& value : columns.front())
      xml += L"<item Name=\"" + XmlWriter::EscapeAttribute(value) + L"\"/>\n";
    xml += L"</list>\n";
  }
  if (tooLong) {
    error_ = platform::Format(
        L"The value library holds a value longer than %zu characters, which cannot be written "
        L"exactly; '%ls' was not written.",
        CDB_API::kSqliteValueLength - 2, path.c_str());
    return -1;
  }
  xml += L"</library>\n";
  if (!platform::WriteFileBytes(path, platform::ToUtf8(xml))) {
    error_ = platform::Format(L"Could not write the value library '%ls'.", path.c_str());
    return -1;
  }
  return 0;
}
