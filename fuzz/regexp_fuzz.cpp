// Parses arbitrary text as a $regexp expression and produces a few values from it. Values are
// capped at 4096 units of work, so a huge count or a loop over empty groups fails at once instead
// of spending the fuzzer's time. A value must stay within the cap, and the only failure allowed is
// the engine's value-length error; nothing may crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/generators/recognition/ByRegExp.h"

namespace {

constexpr std::size_t kMaxValue = 4096;

struct FuzzEngine {
  FuzzEngine() {
    engine.Initialize(L"", 4242, nullptr);
    engine.SetMaxValueLength(kMaxValue);
  }
  ~FuzzEngine() { engine.Terminate(); }
  DSynthor engine;
};

DSynthor& Engine() {
  static FuzzEngine fuzz;
  return fuzz.engine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DSynthor& engine = Engine();
  const std::wstring text =
      platform::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  ByRegExp regexp(&engine);
  const int bars = regexp.Compile(text);
  if (bars < 0 || static_cast<std::size_t>(bars) > text.size()) std::abort();
  for (int i = 0; i < 3; ++i) {
    engine.SetError(0, nullptr);
    const std::wstring value = regexp.Generate();
    if (value.size() > kMaxValue) std::abort();
    const int code = engine.ErrorCode();
    if (code != 0 && (code != engine_errors::kTooLong || !value.empty())) std::abort();
  }
  return 0;
}
