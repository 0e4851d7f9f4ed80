#include "synthor/generators/arrays/ArrayRepeatData.h"

#include "synthor/generators/arrays/ArrayGenerators.h"
#include "synthor/generators/base/GeneratorSupport.h"

ArrayRepeatData::ArrayRepeatData(const std::vector<std::wstring>* params, DSynthor* engine,
                                 std::wstring* errorText, int* errorCode)
    : ArrayData(engine) {
  if (!params || params->size() != 5) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  ReadShape(*params, 0, 1, 2, 3);
  if (!CompileNested((*params)[4], kCompile, kCompileText, errorText, errorCode)) return;
  ready = 1;
}

IGenerator* MakeArrayRepeatData(const GeneratorCall& call) {
  return new ArrayRepeatData(call.args, call.engine, call.errorText, call.errorCode);
}
