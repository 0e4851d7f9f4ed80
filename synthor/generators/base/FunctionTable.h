#pragma once
// The one table from a pattern function's name (`$name(...)`) to what compiles it: either a
// built-in compiler that appends its own item, or a generator factory whose object the engine
// wraps in a generator item. Names are matched without regard to case.
//
// The table is filled once per process, the first time it is used, by the registration functions
// below (each family of functions adds its names there). RegisterGenerator adds a name later on
// (a generator of the program's own, a test's); look-ups take a shared lock, which costs nothing
// noticeable as names are looked up only when a pattern is compiled.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "synthor/engine/SynthorExport.h"

class CDB_API;
class CompiledPattern;
class DSynthor;
class IGenerator;

// What a built-in compiler gets. `args` are already split and trimmed; `rawText` is everything
// between the call's outer parentheses (the expression of `$$(...)`, the expression of `regexp`).
struct FunctionCall {
  DSynthor* engine = nullptr;
  CompiledPattern* pattern = nullptr;
  const std::vector<std::wstring>* args = nullptr;
  const std::wstring* rawText = nullptr;
  void* context = nullptr;  // opaque, handed through from DSynthor::Compile
  int opCode = 0;           // the entry's op code
};

// What a generator factory gets. A factory never throws; on bad arguments it writes the engine's
// error pair (`errorText`, `errorCode`) and may still return an object, which the engine owns.
struct GeneratorCall {
  DSynthor* engine = nullptr;
  CompiledPattern* pattern = nullptr;
  const std::vector<std::wstring>* args = nullptr;
  const std::wstring* rawText = nullptr;
  void* context = nullptr;
  CDB_API* connection = nullptr;  // the engine's custom wrapper when set, else its default one
  std::wstring* errorText = nullptr;
  int* errorCode = nullptr;
  int opCode = 0;
};

// Returns 1 on success, 0 after setting the engine's error code and text.
using BuiltinCompiler = int (*)(const FunctionCall& call);
using GeneratorFactory = IGenerator* (*)(const GeneratorCall& call);

struct FunctionEntry {
  int opCode = 0;
  BuiltinCompiler compiler = nullptr;  // exactly one of the two is set
  GeneratorFactory factory = nullptr;
};

class SYNTHOR_API FunctionTable {
 public:
  // Adds a generator function to the process-wide table; false when the name is taken already.
  static bool RegisterGenerator(std::wstring_view name, int opCode, GeneratorFactory factory);

  // The process-wide table, filled on first use.
  static const FunctionTable& Instance();

  // nullptr when no function has that name.
  const FunctionEntry* Find(std::wstring_view name) const;

  // False when the name is taken already (the first registration stays).
  bool AddBuiltin(std::wstring_view name, int opCode, BuiltinCompiler compiler);
  bool AddGenerator(std::wstring_view name, int opCode, GeneratorFactory factory);

 private:
  bool Add(std::wstring_view name, const FunctionEntry& entry);
  std::unordered_map<std::wstring, FunctionEntry> entries_;
};

// Registration, called once while the process-wide table is built.
void RegisterBuiltinFunctions(FunctionTable& table);    // synthor/engine/BuiltinFunctions.cpp
void RegisterGeneratorFunctions(FunctionTable& table);  // synthor/generators/GeneratorFunctions.cpp
