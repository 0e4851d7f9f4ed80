// Compiles and renders arbitrary text as a value pattern. One engine, seeded once, lives for the
// whole run; each input is rendered once into each of two columns and outside any column, and the
// row is then ended, so state carried from input to input is exercised as well. Values are capped
// at 4096 characters: every construct meets the cap before it does the work, so a huge repeat
// count fails at once instead of spending the fuzzer's time; the engine must neither crash, hang
// nor leak.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/NamedGen.h"

namespace {

constexpr std::size_t kMaxValue = 4096;

struct FuzzEngine {
  FuzzEngine() {
    engine.Initialize(L"", 4242, nullptr);
    engine.SetMaxValueLength(kMaxValue);
    named = {&digits, &self, &twice};
    engine.SetNamedGenerators(&named);
  }
  ~FuzzEngine() { engine.Terminate(); }

  DSynthor engine;
  // Named patterns for $call: a plain one and two that call themselves.
  NamedGen digits{L"digits", L"N{1:5}"};
  NamedGen self{L"self", L"x$call(self)"};
  NamedGen twice{L"twice", L"$call(twice)$call(twice)"};
  std::vector<NamedGen*> named;
};

FuzzEngine& Fuzz() {
  static FuzzEngine fuzz;
  return fuzz;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DSynthor& engine = Fuzz().engine;
  const std::wstring pattern =
      platform::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  engine.AddColumnName(L"P1");
  engine.AddColumnName(L"[P2]");
  QuoteOptions quotes;
  for (int column = -1; column < 2; ++column) {
    DGValue value;
    const int ok = engine.Value(column, pattern, &value, &quotes);
    if (ok != 0 && ok != 1) std::abort();
    if (!ok && engine.ErrorCode() == 0 && engine.Error().empty()) {
      // Every failure names its reason, except rendering an item whose own check failed
      // silently; none of the engine's constructs does that.
      std::abort();
    }
    if (value.value.size() > kMaxValue) std::abort();
  }
  engine.nValues(pattern);
  engine.Terminate();
  return 0;
}
