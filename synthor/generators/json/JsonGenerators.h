#pragma once
// Factories of the JSON-building generators (`$makejsonarray`, `$makejsonobject`,
// `$makejsonitem`, `$makejson`) for the generator table. Inside a `$makejson` the call's context
// is the enclosing MakeJSData, through which items refer to each other by number.
#include "synthor/generators/base/FunctionTable.h"

IGenerator* MakeMakeJSArrayData(const GeneratorCall& call);
IGenerator* MakeMakeJSObjectData(const GeneratorCall& call);
IGenerator* MakeMakeJSItemData(const GeneratorCall& call);
IGenerator* MakeMakeJSData(const GeneratorCall& call);
