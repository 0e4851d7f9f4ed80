#include "synthor/generators/documents/XmlData.h"

#include <new>

#include "mervis/Macros.h"
#include "mervis/XmlParser.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kParameters = 2500;
constexpr int kInaccessible = 2501;
constexpr int kFileNotLoaded = 2502;
constexpr int kWebNotLoaded = 2503;
constexpr int kNoData = 2504;
constexpr std::size_t kMinWebLength = 9;

}  // namespace

XmlData::XmlData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                 DSynthor* engine, std::wstring* errorText, int* errorCode)
    : DocumentData(engine) {
  if (!args || args->size() != 2) {
    ReportConstructionError(errorText, errorCode, kParameters,
                            L"XMLData: the function has two parameters.");
    return;
  }
  const std::wstring source = PathMacros((*args)[0]);
  const std::wstring& path = (*args)[1];
  XmlParser parser;
  if (IsWebSource(source, kMinWebLength)) {
    const std::wstring text = DownloadFile(source, errorText, errorCode);
    if (text.empty()) return;
    if (parser.LoadString(text) != 0) {
      ReportConstructionError(
          errorText, errorCode, kWebNotLoaded,
          L"XMLData: could not load XML from web source. " + parser.ErrorText());
      return;
    }
  } else {
    if (!platform::FileExists(source)) {
      ReportConstructionError(
          errorText, errorCode, kInaccessible,
          platform::Format(L"XMLData: '%ls' file inaccessible or does not exist.", source.c_str()));
      return;
    }
    if (parser.LoadFile(source) != 0) {
      ReportConstructionError(errorText, errorCode, kFileNotLoaded,
                              L"XMLData: could not load XML file. " + parser.ErrorText());
      return;
    }
  }
  const int count = parser.NodesByPath(path);
  if (count < 0) {
    ReportConstructionError(
        errorText, errorCode, kNoData,
        platform::Format(L"XMLData: no data found for path '%ls'", path.c_str()) + L". " +
            parser.ErrorText());
    return;
  }
  try {
    values_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      values_.push_back(parser.Value(i));
      DSynthor::CheckForQuotes(values_.back(), pattern);
    }
  } catch (const std::bad_alloc&) {
    values_.clear();
  }
  if (values_.empty()) {
    ReportConstructionError(
        errorText, errorCode, kNoData,
        platform::Format(L"XMLData: no data found for path '%ls'", path.c_str()));
    return;
  }
  ready = 1;
}

IGenerator* XmlData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow)
      XmlData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
