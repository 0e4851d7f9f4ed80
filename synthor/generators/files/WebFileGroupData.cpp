#include "synthor/generators/files/WebFileGroupData.h"

#include <new>

#include "platform/Text.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"
#include "synthor/generators/files/WebFileData.h"

namespace {

constexpr int kTooFewParameters = 3900;
constexpr int kEmptyDelimiter = 3901;
constexpr int kCannotEvaluate = 3902;
constexpr int kOutOfRange = 3903;
constexpr int kNoValue = 3904;

}  // namespace

WebFileGroupData::WebFileGroupData(const std::vector<std::wstring>* args,
                                   CompiledPattern* pattern, DSynthor* engine,
                                   std::wstring* errorText, int* errorCode)
    : FileGroupData(engine) {
  if (!args || args->size() < 3) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"WebFileGroup: the function expects at least 3 parameters.");
    return;
  }
  ReadParameters(*args);
  std::wstring delimiter;
  if (!ReadDelimiter(*args, 5, &delimiter)) {
    ReportConstructionError(errorText, errorCode, kEmptyDelimiter,
                            L"WebFileGroup: the delimiter is empty.");
    return;
  }
  int failed = 0;
  const std::wstring text = DownloadFile((*args)[2], errorText, &failed);
  if (failed) {
    if (errorCode) *errorCode = failed;
    return;
  }
  try {
    for (const std::wstring& line : WebFileData::SplitLines(text))
      AddRow(line, delimiter, pattern, &columns_);
  } catch (const std::bad_alloc&) {
    std::vector<std::vector<std::wstring>>().swap(columns_);
  }
  ready = columns_.empty() ? 0 : 1;
}

std::wstring WebFileGroupData::Value(std::wstring* format) {
  const bool usable = ready && ownColumn >= 1 &&
                      static_cast<std::size_t>(ownColumn) <= columns_.size() &&
                      !columns_[static_cast<std::size_t>(ownColumn - 1)].empty();
  if (!usable) {
    if (engine_)
      engine_->SetError(kNoValue,
                        platform::Format(L"WebFileGroupData::Value empty - inited %d DefCol %d",
                                         ready, ownColumn));
    return std::wstring();
  }
  return FileGroupData::Value(format);
}

std::wstring WebFileGroupData::GroupValue(int column) {
  const bool inRange =
      ready && column >= 1 && static_cast<std::size_t>(column) <= columns_.size() &&
      currentRow >= 0 &&
      static_cast<std::size_t>(currentRow) < columns_[static_cast<std::size_t>(column - 1)].size();
  if (!inRange) {
    if (engine_) engine_->SetError(kOutOfRange, L"WebFileGroup: Group item is out of range");
    return std::wstring();
  }
  return FileGroupData::GroupValue(column);
}

void WebFileGroupData::ReportEvaluationError() {
  engine_->SetError(kCannotEvaluate, L"WebFileGroup: could not calculate value");
}

IGenerator* WebFileGroupData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow)
      WebFileGroupData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
