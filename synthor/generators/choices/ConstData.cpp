#include "synthor/generators/choices/ConstData.h"

#include "synthor/generators/choices/ChoiceGenerators.h"

ConstData::ConstData(const std::vector<std::wstring>* params, CompiledPattern*,
                     std::wstring* errorText, int* errorCode) {
  if (!params || params->size() != 1) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  text_ = params->front();
  ready = 1;
}

std::wstring ConstData::Value(std::wstring*) { return text_; }

IGenerator* MakeConstData(const GeneratorCall& call) {
  return new ConstData(call.args, call.pattern, call.errorText, call.errorCode);
}
