#pragma once
// The factories of the counter and sequence generators, for the table of generator names.
#include "synthor/generators/base/FunctionTable.h"

IGenerator* MakeIncData(const GeneratorCall& call);
IGenerator* MakeIncFloatData(const GeneratorCall& call);
IGenerator* MakeIncDateData(const GeneratorCall& call);
IGenerator* MakeIncTimeData(const GeneratorCall& call);
IGenerator* MakeIncCharData(const GeneratorCall& call);
IGenerator* MakeSeqData(const GeneratorCall& call);
