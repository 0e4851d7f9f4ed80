#pragma once
// One compiled construct of a pattern. Rendering a pattern calls each item's Value in order; an
// item appends its text to the output value. The base class renders the kinds that need no state
// of their own (a literal character, an optional block, nested patterns and the functions that
// transform one, variables, GUIDs and spatial literals); the subclasses render the rest.
//
// Items are owned by their CompiledPattern. They never own generators or nested patterns: nested
// patterns are engine handles or texts compiled by the engine on use. The item classes are
// exported so that generators and tests outside the library can build and render patterns.
#include <cstdint>
#include <string>
#include <string_view>

#include "synthor/engine/DGValue.h"
#include "synthor/engine/PatternLookup.h"
#include "synthor/engine/MaskOpCode.h"
#include "synthor/engine/SynthorExport.h"

class DSynthor;
class QuoteOptions;

class SYNTHOR_API CompiledItem {
 public:
  explicit CompiledItem(DSynthor* engine, int kind = MASK_CHAR);
  virtual ~CompiledItem();
  CompiledItem(const CompiledItem&) = delete;
  CompiledItem& operator=(const CompiledItem&) = delete;

  // Renders the item and appends to `out`: 1 success, 0 failure (the engine's error code and
  // text say why). `engine` is the engine rendering now; `options` may be null.
  virtual int Value(DGValue* out, DSynthor* engine, QuoteOptions* options);
  // Value for a caller that computes with the value rather than shows it (an expression operand).
  // An item whose text would be the plain decimal of a 64-bit integer, under an empty or printf
  // format that says nothing about dates or times, may hand over the number instead: 2, the
  // number in *number, `out` untouched (the length limit still checked as if the text had been
  // appended). Otherwise what Value gives, the text appended.
  virtual int NumberOrValue(DGValue* out, DSynthor* engine, QuoteOptions* options,
                            int64_t* /*number*/) {
    return Value(out, engine, options);
  }
  // How many distinct values the item can give.
  virtual int nValues();
  // Restarts the item's sequence.
  virtual void Reset();

  std::wstring text;    // the argument: a literal character, a nested pattern, a bound, ...
  std::wstring format;  // output format or mask
  DSynthor* engine = nullptr;
  int kind = MASK_CHAR;
  DGValue scratch;      // nested evaluations land here
  int count = 0;        // $first / $last: how many characters
  int upperCase = 0;    // $guid
  int noDash = 0;       // $guid

 protected:
  // The engine to render with: the caller's, else the one the item was made for.
  DSynthor* Use(DSynthor* caller) {
    if (caller) engine = caller;
    return engine;
  }
  // Evaluates `text` as a pattern of its own (no column recorded) into `scratch`.
  int Nested(DSynthor* eng, QuoteOptions* options);
  // Appends within the engine's value-length limit; false (error set) when it would not fit.
  static bool Append(DSynthor* eng, DGValue* out, std::wstring_view piece);
  // Appends the text of `piece` and takes over its format, within the limit.
  static bool AppendTakingFormat(DSynthor* eng, DGValue* out, const DGValue& piece);

 private:
  PatternLookup lookup_;  // where `text` was found last, for Nested

  int Optional(DGValue* out, DSynthor* eng, QuoteOptions* options);
  int NestedPattern(DGValue* out, DSynthor* eng, QuoteOptions* options);
  int ChangeCase(DGValue* out, DSynthor* eng, QuoteOptions* options);
  int FirstOrLast(DGValue* out, DSynthor* eng, QuoteOptions* options);
  int Old(DGValue* out, DSynthor* eng);
  int Formatted(DGValue* out, DSynthor* eng, QuoteOptions* options);
  int Variables(DGValue* out, DSynthor* eng);              // CompiledItemVariables.cpp
  int Guid(DGValue* out, DSynthor* eng);                   // CompiledItemShapes.cpp
  int Geography(DGValue* out, DSynthor* eng);              // CompiledItemShapes.cpp
  int Geometry(DGValue* out, DSynthor* eng);               // CompiledItemShapes.cpp
};
