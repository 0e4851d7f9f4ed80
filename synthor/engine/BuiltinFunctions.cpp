#include "synthor/engine/BuiltinArgs.h"
#include "synthor/generators/FunctionTable.h"

// The date and time constants and ranges ($rdate, $rtime, $date, $time), $group, $text, $cvt
// and expressions ($$) join this list with the parts they depend on; until then a pattern that
// calls them fails with error 100.
void RegisterBuiltinFunctions(FunctionTable& table) {
  RegisterTextFunctions(table);
  RegisterRandomFunctions(table);
}
