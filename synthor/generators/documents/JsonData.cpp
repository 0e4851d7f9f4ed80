#include "synthor/generators/documents/JsonData.h"

#include <new>

#include "mervis/JsonParser.h"
#include "mervis/Macros.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kParameters = 4300;
constexpr int kInaccessible = 4301;
constexpr int kFileNotLoaded = 4302;
constexpr int kWebNotLoaded = 4303;
constexpr std::size_t kMinWebLength = 8;

}  // namespace

JsonData::JsonData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                   DSynthor* engine, std::wstring* errorText, int* errorCode)
    : DocumentData(engine) {
  if (!args || args->size() != 2) {
    ReportConstructionError(errorText, errorCode, kParameters,
                            L"JSONData: the function has two parameters.");
    return;
  }
  const std::wstring& given = (*args)[0];
  const std::wstring source = PathMacros(given);
  const std::wstring& path = (*args)[1];
  JsonParser parser;
  try {
    if (IsWebSource(source, kMinWebLength)) {
      const std::wstring text = DownloadFile(source, errorText, errorCode);
      if (text.empty()) return;
      if (parser.ValueFromString(text, path, &values_) != 0) {
        ReportConstructionError(
            errorText, errorCode, kWebNotLoaded,
            L"JSONData: could not load JSON from web source. " + parser.ErrorText());
        return;
      }
    } else {
      if (!platform::FileExists(source)) {
        ReportConstructionError(
            errorText, errorCode, kInaccessible,
            platform::Format(L"JSONData: '%ls' file inaccessible or does not exist.",
                             given.c_str()));
        return;
      }
      if (parser.ValueFromFile(source, path, &values_) != 0) {
        ReportConstructionError(errorText, errorCode, kFileNotLoaded,
                                L"JSONData: could not load JSON file. " + parser.ErrorText());
        return;
      }
    }
  } catch (const std::bad_alloc&) {
    values_.clear();
  }
  for (const std::wstring& value : values_) DSynthor::CheckForQuotes(value, pattern);
  ready = values_.empty() ? 0 : 1;
}

IGenerator* JsonData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow)
      JsonData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
