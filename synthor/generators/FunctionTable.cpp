#include "synthor/generators/FunctionTable.h"

#include "platform/Text.h"

const FunctionTable& FunctionTable::Instance() {
  // A function-local static is built exactly once, also when several threads arrive together.
  static const FunctionTable table = [] {
    FunctionTable filled;
    RegisterBuiltinFunctions(filled);
    RegisterGeneratorFunctions(filled);
    return filled;
  }();
  return table;
}

const FunctionEntry* FunctionTable::Find(std::wstring_view name) const {
  auto it = entries_.find(platform::ToLower(name));
  return it == entries_.end() ? nullptr : &it->second;
}

bool FunctionTable::AddBuiltin(std::wstring_view name, int opCode, BuiltinCompiler compiler) {
  FunctionEntry entry;
  entry.opCode = opCode;
  entry.compiler = compiler;
  return compiler != nullptr && Add(name, entry);
}

bool FunctionTable::AddGenerator(std::wstring_view name, int opCode, GeneratorFactory factory) {
  FunctionEntry entry;
  entry.opCode = opCode;
  entry.factory = factory;
  return factory != nullptr && Add(name, entry);
}

bool FunctionTable::Add(std::wstring_view name, const FunctionEntry& entry) {
  return entries_.emplace(platform::ToLower(name), entry).second;
}
