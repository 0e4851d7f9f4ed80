#include "synthor/generators/choices/If2Data.h"

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/expressions/MExpression.h"
#include "synthor/generators/choices/ChoiceGenerators.h"

If2Data::If2Data(const std::vector<std::wstring>* params, DSynthor* engine,
                 std::wstring* errorText, int* errorCode)
    : IfData(engine), expression_(engine) {
  if (!params || params->size() != 3) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  // Read as the text evaluator always read it: up to the first NUL.
  condition_ = ExpressionProgram((*params)[0].c_str());
  CompileBranches(*params, errorText, errorCode);
}

std::wstring If2Data::Value(std::wstring* format) {
  if (!ready) return std::wstring();
  expression_.Evaluate(condition_, engine_, &lastResult_);
  return Branch(platform::ToInt(lastResult_.value) >= 1, format);
}

IGenerator* MakeIf2Data(const GeneratorCall& call) {
  return new If2Data(call.args, call.engine, call.errorText, call.errorCode);
}
