#include "synthor/engine/builtins/BuiltinArgs.h"
#include "synthor/generators/base/FunctionTable.h"

// Every family of the engine's own functions adds its names here; a name nobody registered makes
// a pattern fail with error 100.
void RegisterBuiltinFunctions(FunctionTable& table) {
  RegisterTextFunctions(table);
  RegisterRandomFunctions(table);
  RegisterDateTimeFunctions(table);
  RegisterDataFunctions(table);
}
