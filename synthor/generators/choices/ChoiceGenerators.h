#pragma once
// Factories of the choice, list and uniqueness generators (`$ifr`, `$if`, `$case`/`$switch`,
// `$list`, `$listpattern`, `$const`, `$unique`/`$uniq`) for the generator table. Their
// constructors hand an error to the engine's error pair with ReportConstructionError.
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

IGenerator* MakeIfData(const GeneratorCall& call);
IGenerator* MakeIf2Data(const GeneratorCall& call);
IGenerator* MakeCaseData(const GeneratorCall& call);
IGenerator* MakeListData(const GeneratorCall& call);
IGenerator* MakeListPatternData(const GeneratorCall& call);
IGenerator* MakeConstData(const GeneratorCall& call);
IGenerator* MakeUniqueData(const GeneratorCall& call);
