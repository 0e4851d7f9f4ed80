// Evaluates arbitrary text as an expression: on its own (literals and operators only), through
// an engine (nested calls and column references), and as the `$$(...)` item of a pattern. One
// engine, seeded once, lives for the whole run; its columns hold a number, a date, a date-time
// and a time so that references reach every operand kind. Inputs are cut to 4096 characters and
// values capped at 4096 characters to keep the work per input small.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/expressions/MExpression.h"

namespace {

constexpr std::size_t kMaxInput = 4096;
constexpr std::size_t kMaxValue = 4096;

struct FuzzEngine {
  FuzzEngine() {
    engine.Initialize(L"", 4242, nullptr);
    engine.SetMaxValueLength(kMaxValue);
  }
  ~FuzzEngine() { engine.Terminate(); }

  void StartRow() {
    const wchar_t* names[] = {L"P1", L"[P2]", L"P3", L"P4"};
    const wchar_t* values[][2] = {{L"42", L""},
                                  {L"28.02.2004", L"DD.MM.YYYY"},
                                  {L"2001-12-31 23:59:30", L""},
                                  {L"10:00:00.250", L"HH:MM:SS.sss"}};
    engine.DisableDepCheck();
    for (int i = 0; i < 4; ++i) {
      engine.AddColumnName(names[i]);
      DGValue v;
      v.value = values[i][0];
      v.format = values[i][1];
      engine.SetValue(i, &v);
    }
  }

  DSynthor engine;
};

FuzzEngine& Fuzz() {
  static FuzzEngine fuzz;
  return fuzz;
}

bool IsEvaluatorCode(int code) {
  return code == 0 ||
         (code >= MExpression::kErrorCloseParenthesis && code <= MExpression::kErrorIntegerOverflow);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzEngine& fuzz = Fuzz();
  DSynthor& engine = fuzz.engine;
  std::wstring text =
      platform::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  if (text.size() > kMaxInput) text.resize(kMaxInput);

  MExpression alone;
  const DGValue lonely = alone.calc(text, nullptr);
  if (!IsEvaluatorCode(alone.ErrorCode())) std::abort();
  if (alone.ErrorCode() != 0 && alone.ErrorText().empty()) std::abort();
  // Without an engine the result holds no more than the text's own pieces joined up.
  if (lonely.value.size() > 64 * text.size() + 64) std::abort();

  fuzz.StartRow();
  MExpression withEngine(&engine);
  withEngine.calc(text.c_str(), &engine);
  if (!IsEvaluatorCode(withEngine.ErrorCode())) std::abort();
  if (withEngine.ErrorCode() != 0 && engine.ErrorCode() != withEngine.ErrorCode()) std::abort();

  DGValue value;
  const int ok = engine.Value(-1, L"$$(" + text + L")", &value, nullptr);
  if (ok != 0 && ok != 1) std::abort();
  if (!ok && engine.ErrorCode() == 0 && engine.Error().empty()) std::abort();
  if (value.value.size() > kMaxValue) std::abort();
  engine.Terminate();
  return 0;
}
