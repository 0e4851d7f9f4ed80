#include "synthor/generators/If2Data.h"

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/expressions/MExpression.h"
#include "synthor/generators/ChoiceGenerators.h"

If2Data::If2Data(const std::vector<std::wstring>* params, DSynthor* engine,
                 std::wstring* errorText, int* errorCode)
    : IfData(engine) {
  if (!params || params->size() != 3) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  condition_ = (*params)[0];
  CompileBranches(*params, errorText, errorCode);
}

std::wstring If2Data::Value(std::wstring* format) {
  if (!ready) return std::wstring();
  MExpression expression(engine_);
  lastResult_ = expression.calc(condition_, engine_).value;
  return Branch(platform::ToInt(lastResult_) >= 1, format);
}

IGenerator* MakeIf2Data(const GeneratorCall& call) {
  return new If2Data(call.args, call.engine, call.errorText, call.errorCode);
}
