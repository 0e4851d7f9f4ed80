#pragma once
// Factories of the choice, list and uniqueness generators (`$ifr`, `$if`, `$case`/`$switch`,
// `$list`, `$listpattern`, `$const`, `$unique`/`$uniq`) for the generator table, and the one way
// their constructors hand an error to the engine's error pair.
#include <string>

#include "synthor/generators/FunctionTable.h"

IGenerator* MakeIfData(const GeneratorCall& call);
IGenerator* MakeIf2Data(const GeneratorCall& call);
IGenerator* MakeCaseData(const GeneratorCall& call);
IGenerator* MakeListData(const GeneratorCall& call);
IGenerator* MakeListPatternData(const GeneratorCall& call);
IGenerator* MakeConstData(const GeneratorCall& call);
IGenerator* MakeUniqueData(const GeneratorCall& call);

// Either pointer may be null (a caller that does not want to know).
inline void ReportConstructionError(std::wstring* errorText, int* errorCode, int code,
                                    const std::wstring& text) {
  if (errorText) *errorText = text;
  if (errorCode) *errorCode = code;
}
