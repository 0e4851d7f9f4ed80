#include "synthor/engine/items/CompiledItemRandom.h"

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/PatternExcerpt.h"

using namespace engine_errors;

bool CompiledItemRandom::ResolveBound(const std::wstring& bound, DSynthor* eng,
                                      std::wstring* value, std::wstring* format) {
  if (platform::StartsWith(bound, L"$") || platform::StartsWith(bound, L"@'")) {
    DGValue resolved;
    if (!eng->Value(bound, &resolved)) {
      const std::wstring why = eng->Error();
      eng->SetError(kNestedBound,
                    platform::Format(kNestedBoundText, PatternExcerpt(bound).c_str(), why.c_str()));
      return false;
    }
    *value = resolved.value;
    if (format) *format = resolved.format;
    return true;
  }
  if (platform::StartsWith(bound, L"#") || platform::StartsWith(bound, L"@")) {
    if (ValueCallback callback = DSynthor::Callback()) {
      int status = 0;
      const DGValue resolved = callback(bound, &status);
      if (status != 0) {
        eng->VariableError(status, bound);
        return false;
      }
      *value = resolved.value;
      if (format) *format = resolved.format;
      return true;
    }
  }
  *value = bound;
  if (format) format->clear();
  return true;
}
