// The XML form of the value library: import into a private SQLite file, and export.
#include <unistd.h>

#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <memory>

#include "mervis/Log.h"
#include "mervis/XmlParser.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/generators/CDB_API.h"
#include "synthor/generators/VLibrary.h"
#include "synthor/generators/VLibraryTables.h"

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

std::wstring Literal(const std::wstring& text) {
  std::wstring quoted = L"'";
  for (wchar_t c : text) quoted += c == L'\'' ? std::wstring(L"''") : std::wstring(1, c);
  return quoted + L"'";
}

bool IsXmlPath(const std::wstring& path) {
  if (path.size() < 5) return false;
  const std::wstring end = path.substr(path.size() - 3);
  return std::towlower(static_cast<wint_t>(end[0])) == L'x' &&
         std::towlower(static_cast<wint_t>(end[1])) == L'm' &&
         std::towlower(static_cast<wint_t>(end[2])) == L'l';
}

std::wstring EscapeAttribute(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'&':
        out += L"&amp;";
        break;
      case L'<':
        out += L"&lt;";
        break;
      case L'>':
        out += L"&gt;";
        break;
      case L'"':
        out += L"&quot;";
        break;
      default:
        if (c < 0x20)
          out += platform::Format(L"&#%d;", static_cast<int>(c));
        else
          out += c;
    }
  }
  return out;
}

}  // namespace vlibrary

using vlibrary::BuiltInTables;
using vlibrary::Literal;

int VLibrary::ImportXmlLocked(const std::wstring& path) {
  XmlParser reader;
  if (reader.LoadFile(path) != 0) {
    CLog::Bug2(platform::Format(L"Could not load XML Value Library [%ls]:\r\n%ls", path.c_str(),
                                reader.ErrorText().c_str()));
    return -1;
  }
  // The rows go into a private SQLite file, so columns, filters and the table of contents work
  // as for the database form.
  std::string name = (std::filesystem::temp_directory_path() / "vlibraryXXXXXX").string();
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
  int result = source_->Execute(
      L"create table _Index(ID integer, Name varchar(255), Parent integer, Column varchar(255), "
      L"Hidden integer, IsTable integer)");
  if (result == 0) result = source_->Execute(L"insert into _Index values(1,'Library',0,null,0,0)");
  if (result == 0) result = source_->Execute(L"begin");
  int next = 2;
  for (const auto& table : BuiltInTables()) {
    if (result != 0) break;
    const int rows = reader.NodesByPath(platform::Format(L"//library/%ls/item", table.name));
    if (rows <= 0) continue;  // a table the file does not hold is no table of the library
    std::wstring create = L"create table " + source_->QuoteTable(table.name) + L"(";
    for (std::size_t c = 0; c < table.columns.size(); ++c)
      create += (c ? L", " : L"") + source_->QuoteColumn(table.columns[c]) + L" varchar(255)";
    result = source_->Execute(create + L")");
    const int tableId = next++;
    if (result == 0)
      result = source_->Execute(platform::Format(L"insert into _Index values(%d,%ls,1,null,0,1)",
                                                 tableId, Literal(table.name).c_str()));
    for (const wchar_t* column : table.columns)
      if (result == 0)
        result = source_->Execute(platform::Format(L"insert into _Index values(%d,null,%d,%ls,0,0)",
                                                   next++, tableId, Literal(column).c_str()));
    const std::wstring insert = L"insert into " + source_->QuoteTable(table.name) + L" values(";
    for (int row = 0; row < rows && result == 0; ++row) {
      std::wstring values;
      for (std::size_t c = 0; c < table.columns.size(); ++c)
        values += (c ? L"," : L"") + Literal(reader.AttributeValue(row, table.columns[c]));
      result = source_->Execute(insert + values + L")");
    }
  }
  if (result == 0) result = source_->Execute(L"commit");
  if (result != 0) {
    CLog::Bug2(platform::Format(L"Could not load XML Value Library [%ls]:\r\n%ls", path.c_str(),
                                source_->LastError().c_str()));
    return -1;
  }
  return 0;
}

int VLibrary::ExportXML(const std::wstring& path) {
  std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<library Version=\"1.44\">\n";
  for (const auto& table : BuiltInTables()) {
    Columns columns;
    const std::vector<std::wstring> names(table.columns.begin(), table.columns.end());
    if (LoadLists(table.name, names, &columns, L"") != 0 || columns.size() != names.size()) {
      CLog::Bug2(platform::Format(L"Could not load '%ls'", table.name));
      continue;
    }
    xml += platform::Format(L"<%ls>\n", table.name);
    for (std::size_t row = 0; row < columns.front().size(); ++row) {
      std::wstring item = L"<item";
      for (std::size_t c = 0; c < names.size(); ++c)
        item += L" " + names[c] + L"=\"" + vlibrary::EscapeAttribute(columns[c][row]) + L"\"";
      xml += item + L"/>\n";
    }
    xml += platform::Format(L"</%ls>\n", table.name);
  }
  xml += L"</library>\n";
  return platform::WriteFileBytes(path, platform::ToUtf8(xml)) ? 0 : -1;
}
