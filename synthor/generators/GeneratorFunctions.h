#pragma once
// The names of the generator functions of patterns (`$inc(...)`, `$list(...)`, ...), each with
// its op code (the kind of the item that wraps the generator) and the factory that makes the
// generator. A name whose generator class is not built yet has no factory: it is not entered
// into the function table, so a pattern calling it fails with error 100.
#include <span>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/FunctionTable.h"

struct GeneratorName {
  const wchar_t* name;
  int opCode;
  GeneratorFactory factory;  // null until the generator class exists
};

// Every generator name, in the order of the table.
SYNTHOR_API std::span<const GeneratorName> GeneratorNames();
