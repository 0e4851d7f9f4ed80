#include "synthor/engine/items/CompiledItemGenerator.h"

#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/generators/IGenerator.h"

using namespace engine_errors;

int CompiledItemGenerator::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (!generator) {
    eng->SetError(kNoGenerator, kNoGeneratorText);
    return 0;
  }
  const std::wstring next = generator->Value(&out->format);
  if (!Append(eng, out, next)) return 0;
  return generator->IsFault() ? 0 : 1;
}

int CompiledItemGenerator::nValues() { return generator ? generator->nValues() : 0; }

void CompiledItemGenerator::Reset() {
  if (generator) generator->Reset();
}
