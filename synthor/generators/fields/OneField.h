#pragma once
// One column of a generated row: its name, type, size, the value pattern that fills it and whether
// it is used. A field is kept in a named-value file as one numbered entry of the section
// "OneField":
//
//   Field<n>=name,type,size.scale,typeCode,quoteMode,enabled:pattern
//
// for example "Field1=Id,integer,10.0,12,0,1:$inc()". The pattern is everything after the first
// ":" that follows the enabled flag, so it may hold commas and colons; the name and the type must
// not hold a comma, and an empty name or type cannot be read back (the entry stops there).
//
// The compiled pattern belongs to the engine that compiled it: the field remembers that engine and
// compiles again when it is asked for a value by another one, or when the engine has since
// dropped its patterns (Clear, Terminate), so it never renders through a handle that is gone.
#include <cstdint>
#include <string>

#include "synthor/engine/PatternLookup.h"
#include "synthor/engine/QuoteOptions.h"
#include "synthor/engine/SynthorExport.h"

class CSysReg;
class DGValue;
class DSynthor;

class SYNTHOR_API OneField {
 public:
  OneField() = default;
  // A copy has the definition only: it compiles its pattern again and starts quoted.
  OneField(const OneField& other);
  // Takes over the definition; the receiver forgets what it had compiled (its pattern may differ)
  // and keeps its own quote flag.
  OneField& operator=(const OneField& other);
  virtual ~OneField();

  // Reads entry `n` of the section "OneField". Parsing stops at the first separator that is
  // missing (or that starts its part: an empty name, type or number); every member from there on
  // keeps its value. Numbers read like _wtoi and saturate instead of overflowing. The file's
  // current section is left as it was.
  void Load(CSysReg* reg, int n);
  // Writes entry `n` of the section "OneField"; the file's current section is left as it was.
  void Save(CSysReg* reg, int n) const;
  // The entry text as Save writes it, and the parsing of one (what Load does with the text read).
  std::wstring EntryText() const;
  void ParseEntry(const std::wstring& entry);

  // The field's value for `column` of `engine`'s row, replacing what `value` held. A disabled
  // field gives an empty value and succeeds. 1 on success; 0 when the pattern does not compile
  // or render (the engine's error tells why).
  int Value(int column, DSynthor* engine, DGValue* value);

  // 1 when any of name, type, pattern (exact), size, scale, type code, quote mode or enabled
  // differs.
  int operator!=(const OneField& other) const;

  // The handle of the compiled pattern in CompiledBy()'s list; 0 = not compiled.
  uint32_t Handle() const { return lookup_.handle; }
  const DSynthor* CompiledBy() const { return engine_; }
  // What the pattern's text held that matters for quoting (apostrophe, double quote, comma),
  // known once the field has given a value.
  const QuoteOptions& Quotes() const { return quotes_; }

  std::wstring name;
  std::wstring type;
  std::wstring pattern;
  int size = 0;
  int scale = 0;
  int typeCode = 12;  // stored and compared; not interpreted here
  // 1: the value goes in single quotes in a row's comma list.
  int quote = 1;
  // Applied to `quote` when the pattern is compiled: -1 clears it, 1 sets it, 0 leaves it.
  int quoteMode = 0;
  int enabled = 1;

 protected:
  // Compiles the pattern for `engine` unless it is compiled for it already. 1 on success.
  int Compile(DSynthor* engine);
  // Takes over name, type, pattern, size, scale, type code, quote mode and enabled.
  void Copy(const OneField& other);

 private:
  void ForgetCompiled();

  DSynthor* engine_ = nullptr;  // not owned; only compared, never called through
  std::wstring compiledText_;   // the pattern text the handle was compiled from
  PatternLookup lookup_;        // the handle, checked by the engine before each rendering
  QuoteOptions quotes_;
};
