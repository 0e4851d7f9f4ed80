#include "synthor/generators/files/WebFileData.h"

#include <new>

#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kNoParameters = 3800;
constexpr int kCannotEvaluate = 3802;

}  // namespace

std::vector<std::wstring> WebFileData::SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  if (text.empty()) return lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t feed = text.find(L'\n', start);
    std::wstring line = text.substr(start, feed == std::wstring::npos ? feed : feed - start);
    while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) line.pop_back();
    lines.push_back(std::move(line));
    // A text that ends with its line feed has no line after it, as a file read line by line.
    if (feed == std::wstring::npos || feed + 1 == text.size()) break;
    start = feed + 1;
  }
  return lines;
}

WebFileData::WebFileData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                         DSynthor* engine, std::wstring* errorText, int* errorCode)
    : FileData(engine) {
  if (!args || args->empty()) {
    if (errorText) *errorText = L"WebFileData: the function expects at least one parameter.";
    if (errorCode) *errorCode = kNoParameters;
    return;
  }
  ReadFlags(*args, 1);
  int failed = 0;
  const std::wstring text = DownloadFile((*args)[0], errorText, &failed);
  if (failed) {
    if (errorCode) *errorCode = failed;
    return;
  }
  lines_ = SplitLines(text);
  for (const std::wstring& line : lines_) DSynthor::CheckForQuotes(line, pattern);
  ready = lines_.empty() ? 0 : 1;
}

void WebFileData::ReportEvaluationError(const std::wstring&) {
  engine_->SetError(kCannotEvaluate, L"WebFileData: could not calculate item.");
}

IGenerator* WebFileData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow)
      WebFileData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
