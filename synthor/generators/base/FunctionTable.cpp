#include "synthor/generators/base/FunctionTable.h"

#include <mutex>
#include <shared_mutex>

#include "platform/Text.h"

namespace {

// Guards the process-wide table against additions after it was built.
std::shared_mutex& TableLock() {
  static std::shared_mutex lock;
  return lock;
}

FunctionTable& MutableInstance() {
  // A function-local static is built exactly once, also when several threads arrive together.
  static FunctionTable table = [] {
    FunctionTable filled;
    RegisterBuiltinFunctions(filled);
    RegisterGeneratorFunctions(filled);
    return filled;
  }();
  return table;
}

}  // namespace

const FunctionTable& FunctionTable::Instance() { return MutableInstance(); }

bool FunctionTable::RegisterGenerator(std::wstring_view name, int opCode, GeneratorFactory factory) {
  FunctionTable& table = MutableInstance();
  std::unique_lock<std::shared_mutex> lock(TableLock());
  return table.AddGenerator(name, opCode, factory);
}

// Entries are never removed and an unordered_map keeps its elements in place when it grows, so
// the returned pointer stays valid after the lock is released.
const FunctionEntry* FunctionTable::Find(std::wstring_view name) const {
  const std::wstring key = platform::ToLower(name);
  std::shared_lock<std::shared_mutex> lock(TableLock());
  auto it = entries_.find(key);
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
