// Recognises a pattern from samples taken from the input (one per line), writes it as one pattern
// and as one pattern per item, and renders them. What is checked beyond "no crash, no leak":
// every pattern written compiles and renders, failing only on the engine's own limits (value
// length, nesting, memory), and a single sample renders back exactly as it was given.
// The same lines are also handed to $byexample as its arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/recognition/PatRecognizer.h"

namespace {

constexpr std::size_t kMaxValue = 4096;
constexpr std::size_t kMaxSamples = 64;

struct FuzzEngine {
  FuzzEngine() {
    engine.Initialize(L"", 4242, nullptr);
    engine.SetMaxValueLength(kMaxValue);
  }
  ~FuzzEngine() { engine.Terminate(); }
  DSynthor engine;
};

FuzzEngine& Fuzz() {
  static FuzzEngine fuzz;
  return fuzz;
}

bool IsEngineLimit(int code) { return code == 114 || code == 115 || code == 117; }

// Renders `pattern` a few times; aborts on a failure that is not an engine limit, and on a value
// other than `exact` when that is given.
void RenderOrAbort(DSynthor& engine, const std::wstring& pattern, bool listErrors,
                   const std::wstring* exact) {
  for (int i = 0; i < 3; ++i) {
    DGValue value;
    if (!engine.Value(-1, pattern, &value, nullptr)) {
      const int code = engine.ErrorCode();
      // A $List reports an item's failure as its own (2204), whatever the item's reason.
      if (!IsEngineLimit(code) && !(listErrors && code == 2204)) std::abort();
      return;
    }
    if (value.value.size() > kMaxValue) std::abort();
    if (exact && value.value != *exact) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DSynthor& engine = Fuzz().engine;
  const std::wstring input =
      platform::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  std::vector<std::wstring> samples = platform::Split(input, L'\n');
  if (samples.size() > kMaxSamples) samples.resize(kMaxSamples);

  PatRecognizer recognizer;
  for (std::size_t i = 0; i < samples.size(); ++i)
    recognizer.Add(&samples[i], 1 + static_cast<int>(i % 3));
  recognizer.Recognize();

  for (const auto& item : recognizer.Items()) RenderOrAbort(engine, item->Render(), false, nullptr);
  // The input's size picks the share and length limits, so every input keeps one meaning.
  const int minPercent = static_cast<int>(size % 50);
  const int maxLength = size % 7 == 0 ? 0 : static_cast<int>(size % 40);
  const std::wstring pattern = recognizer.ToGenerator(minPercent, maxLength);
  if (pattern.size() > PatRecognizer::kMaxGeneratorText && recognizer.Items().size() > 1)
    std::abort();
  RenderOrAbort(engine, pattern, true,
                samples.size() == 1 && maxLength == 0 ? &samples.front() : nullptr);

  std::wstring call = L"$byexample(";
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (i > 0) call += L',';
    call += samples[i];
  }
  DGValue value;
  engine.Value(-1, call + L")", &value, nullptr);
  if (value.value.size() > kMaxValue) std::abort();
  engine.Terminate();
  return 0;
}
