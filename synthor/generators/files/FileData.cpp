#include "synthor/generators/files/FileData.h"

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

constexpr int kNoParameters = 1200;
constexpr int kCannotOpen = 1201;
constexpr int kCannotEvaluate = 1202;

}  // namespace

int FileData::LoadFileContent(const std::wstring& path, std::vector<std::wstring>* lines,
                              CompiledPattern* pattern) {
  if (!lines) return -1;
  lines->clear();
  try {
    const bool opened = FileLoaders::ForEachLine(path, [&](const std::wstring& line) {
      DSynthor::CheckForQuotes(line, pattern);
      lines->push_back(line);
    });
    return opened ? 0 : -1;
  } catch (const std::bad_alloc&) {
    const std::size_t stored = lines->size();
    std::vector<std::wstring>().swap(*lines);
    CLog::BugWithMsg(platform::Format(L"FileData::LoadFileContent out of memory [%d]",
                                      static_cast<int>(stored)));
    return -1;
  }
}

FileData::FileData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                   DSynthor* engine, std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (!args || args->empty()) {
    ReportConstructionError(errorText, errorCode, kNoParameters,
                            L"FileData: the function expects at least one parameter.");
    return;
  }
  ReadFlags(*args, 1);
  const std::wstring& file = (*args)[0];
  if (LoadFileContent(PathMacros(file), &lines_, pattern) != 0) {
    ReportConstructionError(
        errorText, errorCode, kCannotOpen,
        platform::Format(L"FileData: could not access or open source file '%ls'.", file.c_str()));
    return;
  }
  ready = lines_.empty() ? 0 : 1;
}

void FileData::ReadFlags(const std::vector<std::wstring>& args, std::size_t first) {
  if (args.size() > first) {
    sequential_ = IsTrueParameter(args[first]) ? 1 : 0;
    if (engine_) engine_->MarkDependent();
  }
  if (args.size() > first + 1) {
    evaluate_ = IsTrueParameter(args[first + 1]) ? 1 : 0;
    if (evaluate_ && engine_) engine_->MarkDependent();
  }
}

void FileData::ReportEvaluationError(const std::wstring& line) {
  engine_->SetError(kCannotEvaluate,
                    platform::Format(L"FileData: could not calculate item '%ls' of the list",
                                     line.c_str()));
}

std::wstring FileData::Value(std::wstring* format) {
  if (!ready || lines_.empty()) return std::wstring();
  const int n = static_cast<int>(lines_.size());
  const int index = sequential_ ? next_ % n : (engine_ ? engine_->random.Next(n) : 0);
  next_ = (next_ + 1) % n;
  const std::wstring& line = lines_[static_cast<std::size_t>(index)];
  if (!evaluate_ || !engine_) return line;
  DGValue nested;
  if (!engine_->Value(line, &nested)) {
    ReportEvaluationError(line);
    return std::wstring();
  }
  if (format) *format = nested.format;
  return nested.value;
}

IGenerator* FileData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow)
      FileData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
