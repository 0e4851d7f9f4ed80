#include "synthor/generators/arrays/ArrayStringData.h"

#include "synthor/generators/arrays/ArrayGenerators.h"
#include "synthor/generators/base/GeneratorSupport.h"

ArrayStringData::ArrayStringData(const std::vector<std::wstring>* params, DSynthor* engine,
                                 std::wstring* errorText, int* errorCode)
    : ArrayData(engine) {
  if (!params || params->size() < 4) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  const std::vector<std::wstring>& p = *params;
  const std::wstring nested = L"$RString(" + p[0] + L"," + p[1] + L")";
  if (!CompileNested(nested, kCompile, kCompileText, errorText, errorCode)) return;
  ReadShape(p, 2, 3, 4, 5);
  ready = 1;
}

IGenerator* MakeArrayStringData(const GeneratorCall& call) {
  return new ArrayStringData(call.args, call.engine, call.errorText, call.errorCode);
}
