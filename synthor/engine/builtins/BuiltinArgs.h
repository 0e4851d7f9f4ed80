#pragma once
// Small helpers shared by the compilers of the built-in functions.
#include <cstddef>
#include <string>
#include <vector>

#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FunctionTable.h"

namespace builtin_args {

inline std::size_t Count(const FunctionCall& call) { return call.args ? call.args->size() : 0; }

// Argument i, or `fallback` when it is missing or empty.
inline std::wstring Arg(const FunctionCall& call, std::size_t i, const std::wstring& fallback = {}) {
  if (i >= Count(call) || (*call.args)[i].empty()) return fallback;
  return (*call.args)[i];
}

// A bound that is itself a pattern, evaluated anew for every value.
inline bool IsNestedBound(const std::wstring& bound) {
  return bound.size() > 1 && (bound[0] == L'$' || bound[0] == L'#' || bound[0] == L'@');
}

// Sets the engine's error and returns the compiler's failure result.
inline int Fail(const FunctionCall& call, int code, const std::wstring& text) {
  call.engine->SetError(code, text);
  return 0;
}

}  // namespace builtin_args

// Registration of the engine's own functions (called from RegisterBuiltinFunctions).
void RegisterTextFunctions(FunctionTable& table);      // BuiltinTextFunctions.cpp
void RegisterRandomFunctions(FunctionTable& table);    // BuiltinRandomFunctions.cpp
void RegisterDateTimeFunctions(FunctionTable& table);  // BuiltinDateTimeFunctions.cpp
void RegisterDataFunctions(FunctionTable& table);      // BuiltinDataFunctions.cpp
