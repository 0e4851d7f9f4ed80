#include "synthor/generators/files/FileGroupData.h"

#include <new>

#include "mervis/Log.h"
#include "mervis/Macros.h"
#include "platform/Text.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FileLoaders.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kTooFewParameters = 1300;
constexpr int kCannotOpen = 1301;
constexpr int kCannotEvaluate = 1302;

constexpr int kEmptyDelimiter = 1303;

}  // namespace

std::vector<std::wstring> FileGroupData::SplitFields(const std::wstring& line,
                                                     const std::wstring& delimiter) {
  std::vector<std::wstring> fields;
  if (delimiter.empty()) {
    fields.push_back(line);
    return fields;
  }
  std::size_t fieldStart = 0;
  for (std::size_t match = line.find(delimiter); match != std::wstring::npos;
       match = line.find(delimiter, fieldStart)) {
    fields.push_back(line.substr(fieldStart, match - fieldStart));
    fieldStart = match + delimiter.size();
  }
  fields.push_back(line.substr(fieldStart));
  return fields;
}

void FileGroupData::AddRow(const std::wstring& line, const std::wstring& delimiter,
                           CompiledPattern* pattern,
                           std::vector<std::vector<std::wstring>>* columns) {
  const std::vector<std::wstring> fields = SplitFields(line, delimiter);
  if (fields.size() > columns->size()) columns->resize(fields.size());
  for (std::size_t k = 0; k < fields.size(); ++k) {
    DSynthor::CheckForQuotes(fields[k], pattern);
    (*columns)[k].push_back(fields[k]);
  }
}

bool FileGroupData::ReadDelimiter(const std::vector<std::wstring>& args, std::size_t index,
                                  std::wstring* delimiter) {
  *delimiter = L"\t";
  if (args.size() <= index || args[index].empty()) return true;
  // Delimiters are often written as `("; ")` so that blanks and commas survive argument splitting.
  *delimiter = platform::TrimRight(platform::TrimLeft(args[index], L"(\""), L")\"");
  return !delimiter->empty();
}

void FileGroupData::ReadParameters(const std::vector<std::wstring>& args) {
  groupId = platform::ToInt(args[0]);
  ownColumn = platform::ToInt(args[1]);
  if (args.size() > 3) {
    sequential_ = IsTrueParameter(args[3]) ? 1 : 0;
    if (engine_) engine_->MarkDependent();
  }
  if (args.size() > 4) {
    evaluate_ = IsTrueParameter(args[4]) ? 1 : 0;
    if (evaluate_ && engine_) engine_->MarkDependent();
  }
}

void FileGroupData::ReportEvaluationError() {
  engine_->SetError(kCannotEvaluate, L"FileGroup: could not calculate item.");
}

int FileGroupData::LoadGroupContent(const std::wstring& path,
                                    std::vector<std::vector<std::wstring>>* columns,
                                    CompiledPattern* pattern, const std::wstring& delimiter) {
  if (!columns) return 1;
  columns->clear();
  try {
    const bool opened = FileLoaders::ForEachLine(
        path, [&](const std::wstring& line) { AddRow(line, delimiter, pattern, columns); });
    return opened ? 0 : 1;
  } catch (const std::bad_alloc&) {
    std::vector<std::vector<std::wstring>>().swap(*columns);
    CLog::BugWithMsg(L"FileGroupData::LoadGroupContent out of memory");
    return 1;
  }
}

FileGroupData::FileGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                             DSynthor* engine, std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (!args || args->size() < 3) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"FileGroup: the function expects at least 3 parameters.");
    return;
  }
  ReadParameters(*args);
  std::wstring delimiter;
  if (!ReadDelimiter(*args, 5, &delimiter)) {
    ReportConstructionError(errorText, errorCode, kEmptyDelimiter,
                            L"FileGroup: the delimiter is empty.");
    return;
  }
  const std::wstring& file = (*args)[2];
  next_ = 0;
  if (LoadGroupContent(PathMacros(file), &columns_, pattern, delimiter) != 0) {
    ReportConstructionError(
        errorText, errorCode, kCannotOpen,
        platform::Format(L"FileGroupData: could not open source file '%ls'.", file.c_str()));
    return;
  }
  ready = !columns_.empty() && !columns_.front().empty() ? 1 : 0;
}

int FileGroupData::nValues() {
  return columns_.empty() ? 0 : static_cast<int>(columns_.front().size());
}

std::wstring FileGroupData::Value(std::wstring* format) {
  if (!ready || ownColumn < 1 || static_cast<std::size_t>(ownColumn) > columns_.size())
    return std::wstring();
  const std::vector<std::wstring>& column = columns_[static_cast<std::size_t>(ownColumn - 1)];
  const int n = static_cast<int>(column.size());
  if (n == 0) return std::wstring();
  const int row = sequential_ ? next_ % n : (engine_ ? engine_->random.Next(n) : 0);
  currentRow = row;
  next_ = (next_ + 1) % n;
  const std::wstring& entry = column[static_cast<std::size_t>(row)];
  if (!evaluate_ || !engine_) return entry;
  DGValue nested;
  if (!engine_->Value(entry, &nested)) {
    ReportEvaluationError();
    return std::wstring();
  }
  if (format) *format = nested.format;
  return nested.value;
}

std::wstring FileGroupData::GroupValue(int column) {
  if (!ready || column < 1 || static_cast<std::size_t>(column) > columns_.size())
    return std::wstring();
  const std::vector<std::wstring>& values = columns_[static_cast<std::size_t>(column - 1)];
  if (currentRow < 0 || static_cast<std::size_t>(currentRow) >= values.size())
    return std::wstring();
  return values[static_cast<std::size_t>(currentRow)];
}

IGenerator* FileGroupData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow)
      FileGroupData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
