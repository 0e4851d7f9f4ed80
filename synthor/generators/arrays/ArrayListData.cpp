#include "synthor/generators/arrays/ArrayListData.h"

#include "synthor/generators/arrays/ArrayGenerators.h"
#include "synthor/generators/base/GeneratorSupport.h"

ArrayListData::ArrayListData(const std::vector<std::wstring>* params, DSynthor* engine,
                             std::wstring* errorText, int* errorCode)
    : ArrayData(engine) {
  if (!params || params->size() < 5) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  const std::vector<std::wstring>& p = *params;
  // The items become one <a|b|...> list of the pattern language, so each pick is a fresh draw.
  std::wstring nested = L"<";
  for (std::size_t i = 4; i < p.size(); ++i) {
    if (i > 4) nested += L'|';
    nested += p[i];
  }
  nested += L'>';
  if (!CompileNested(nested, kCompile, kCompileText, errorText, errorCode)) return;
  ReadShape(p, 0, 1, 2, 3);
  ready = 1;
}

IGenerator* MakeArrayListData(const GeneratorCall& call) {
  return new ArrayListData(call.args, call.engine, call.errorText, call.errorCode);
}
