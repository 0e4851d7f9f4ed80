#include "synthor/generators/FunctionTable.h"

// Each generator family adds its names here, for example
//   table.AddGenerator(L"inc", MASK_INC, &MakeIncData);
// Names not registered make a pattern fail with error 100 ("could not recognize ...").
void RegisterGeneratorFunctions(FunctionTable& table) { (void)table; }
