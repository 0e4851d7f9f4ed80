#include "synthor/engine/items/CompiledItemCVT.h"

#include <vector>

#include "platform/Text.h"
#include "synthor/engine/builtins/BuiltinErrors.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/IGenerator.h"

using namespace builtin_errors;

namespace {

// Conversions inside conversions each build a whole engine; the depth is counted per thread,
// because every engine (and so every helper engine) belongs to one thread.
thread_local int t_conversionDepth = 0;

class DepthGuard {
 public:
  DepthGuard() { ++t_conversionDepth; }
  ~DepthGuard() { --t_conversionDepth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
};

}  // namespace

int CompiledItemCVT::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (t_conversionDepth >= kCvtMaxNesting) {
    eng->SetError(kCvtTooDeep, platform::Format(kCvtTooDeepText, kCvtMaxNesting));
    return 0;
  }
  DepthGuard depth;
  std::wstring document;
  {
    DSynthor helper;
    helper.Initialize(eng);
    helper.SetNamedGenerators(eng->NamedGenerators());
    helper.SetMaxValueLength(eng->MaxValueLength());
    DGValue inner;
    if (!helper.Value(text, &inner)) {
      // The reason of the helper engine is the reason of this value.
      const int code = helper.ErrorCode();
      eng->SetError(code != 0 ? code : kCvtNoData, code != 0 ? helper.Error() : kCvtNoDataText);
      helper.Terminate();
      return 0;
    }
    IGenerator* first = helper.GeneratorCount() > 0 ? helper.Generator(0) : nullptr;
    const std::vector<std::wstring>* values = first ? first->AllData() : nullptr;
    if (!values || values->empty()) {
      eng->SetError(kCvtNoData, kCvtNoDataText);
      helper.Terminate();
      return 0;
    }
    document = WriteCvtDocument(*values, elementName, target);
    helper.Terminate();
  }
  return Append(eng, out, document) ? 1 : 0;
}
