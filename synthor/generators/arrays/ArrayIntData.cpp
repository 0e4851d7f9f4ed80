#include "synthor/generators/arrays/ArrayIntData.h"

#include "synthor/generators/arrays/ArrayGenerators.h"
#include "synthor/generators/base/GeneratorSupport.h"

ArrayIntData::ArrayIntData(const std::vector<std::wstring>* params, DSynthor* engine,
                           std::wstring* errorText, int* errorCode)
    : ArrayData(engine) {
  if (!params || params->size() < 5) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  const std::vector<std::wstring>& p = *params;
  const std::wstring nested = L"$Rint(" + p[0] + L"," + p[1] + L"," + p[2] + L")";
  if (!CompileNested(nested, kCompile, kCompileText, errorText, errorCode)) return;
  ReadShape(p, 3, 4, -1, 5);  // no quote: numbers stay bare
  ready = 1;
}

IGenerator* MakeArrayIntData(const GeneratorCall& call) {
  return new ArrayIntData(call.args, call.engine, call.errorText, call.errorCode);
}
