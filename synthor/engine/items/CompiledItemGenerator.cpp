#include "synthor/engine/items/CompiledItemGenerator.h"

#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/generators/base/IGenerator.h"

using namespace engine_errors;

int CompiledItemGenerator::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (!generator) {
    eng->SetError(kNoGenerator, kNoGeneratorText);
    return 0;
  }
  // A generator that cannot give its value says so through the engine's error and hands back an
  // empty text; only the error tells that empty text from an empty value, so it is judged from a
  // clean state and fails the item like any other failure.
  eng->SetError(0, nullptr);
  const std::wstring next = generator->Value(&out->format);
  if (eng->ErrorCode() != 0 || generator->IsFault()) return 0;
  return Append(eng, out, next) ? 1 : 0;
}

int CompiledItemGenerator::nValues() { return generator ? generator->nValues() : 0; }

void CompiledItemGenerator::Reset() {
  if (generator) generator->Reset();
}
