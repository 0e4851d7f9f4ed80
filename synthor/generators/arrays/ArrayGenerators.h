#pragma once
// Factories of the array generators (`$rintn`, `$rstringn`, `$listn`, `$repeat`) for the table
// of generator names.
#include "synthor/generators/base/FunctionTable.h"

IGenerator* MakeArrayIntData(const GeneratorCall& call);
IGenerator* MakeArrayStringData(const GeneratorCall& call);
IGenerator* MakeArrayListData(const GeneratorCall& call);
IGenerator* MakeArrayRepeatData(const GeneratorCall& call);
