#include "synthor/generators/base/GeneratorSupport.h"

#include "synthor/engine/CompiledPattern.h"
#include "synthor/generators/base/FunctionTable.h"

const std::wstring& Param(const std::vector<std::wstring>* args, std::size_t index) {
  static const std::wstring kEmpty;
  return args && index < args->size() ? (*args)[index] : kEmpty;
}

void ReportConstructionError(std::wstring* errorText, int* errorCode, int code,
                             const std::wstring& text) {
  if (errorText) *errorText = text;
  if (errorCode) *errorCode = code;
}

DSynthor* EngineOf(const GeneratorCall& call) {
  return call.pattern && call.pattern->engine ? call.pattern->engine : call.engine;
}
