#pragma once
// The pattern engine. A caller makes one engine per generating thread, initialises it, optionally
// binds it to a database connection, names the columns of the row it fills, and then asks for one
// value at a time with a pattern text. Each distinct text is compiled once into a CompiledPattern
// kept under a numeric handle (0 is never valid); rendering a pattern appends its items' texts to
// a DGValue and records the value as the column's current value, so later patterns of the row can
// refer to it.
//
// Results are 1 for success and 0 for failure; the reason is the engine's error code and text
// (EngineErrors.h lists the engine's own codes). Nothing is thrown to the caller.
//
// Limits: compilations and renderings nest at most 64 levels deep (error 114, "Pattern: nesting
// is deeper than 64 levels."), and a value never grows beyond 16 MiB characters (error 115,
// checked before each piece is appended; SetMaxValueLength lowers the limit).
// An engine is used by one thread at a time and takes no locks; process-wide state (the function
// table, the value callback, the check-syntax flag, the library folder) is safe to share.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "synthor/engine/DGRandom.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/PatternLookup.h"
#include "synthor/engine/QuoteOptions.h"
#include "synthor/engine/SynthorExport.h"

class CDB;
class CDB_API;
class CompiledPattern;
class IGenerator;
class PatternCompiler;
class TextPhrases;
class VLibrary;
struct NamedGen;

// Resolves a variable name ("#name" or "@name") to a value; *status 0 = found, 1 = a bad
// modifier, 2 = not found.
using ValueCallback = DGValue (*)(const std::wstring& name, int* status);

class SYNTHOR_API DSynthor {
 public:
  DSynthor();
  // Releases everything, also when the caller did not call Terminate.
  virtual ~DSynthor();
  DSynthor(const DSynthor&) = delete;
  DSynthor& operator=(const DSynthor&) = delete;

  // ---- Life cycle ----
  // `seed` 0 draws a fresh seed; an explicit seed gives the same values every run. Only the first
  // Initialize seeds; later ones keep the sequence going. `reserved` has no effect. Returns 1.
  int Initialize(const std::wstring& libraryPath, uint32_t seed, ValueCallback callback,
                 int64_t reserved = 0);
  // Initialises this engine as a helper of `master` (its library path). Returns 1.
  int Initialize(DSynthor* master);
  int IsInitialized() const { return initialized_; }
  // The caller's connection stays the caller's; the engine only wraps it.
  void SetConnection(CDB* connection);
  void SetConnection(const std::wstring& dsn, const std::wstring& user,
                     const std::wstring& password);
  void AddColumnName(const std::wstring& name);
  // Deletes every compiled pattern (handles become invalid).
  void Clear();
  // Ends a row: Clear, then forgets the columns, deletes the generators (newest first) and the
  // custom connection wrapper. The engine stays initialised. Safe to call more than once.
  void Terminate();

  // ---- Values ----
  // Finds or compiles `text` and renders it into `value` (emptied first). column >= 0 records the
  // value as that column's; -1 records nothing.
  int Value(int column, const std::wstring& text, DGValue* value, QuoteOptions* options);
  // The same, remembering in `lookup` where `text` was found.
  int Value(int column, const std::wstring& text, PatternLookup* lookup, DGValue* value,
            QuoteOptions* options);
  // Value(-1, text, lookup, value, nullptr) with `value` emptied first, for a caller that
  // computes with the value (an expression operand): a pattern of one item may hand over its
  // value as a number instead (CompiledItem::NumberOrValue). 2: the number is in *number and
  // `value` holds only the format Value would have put in; 1: the text is in `value`; 0: failed,
  // as Value.
  int NumberOrValue(const std::wstring& text, PatternLookup* lookup, DGValue* value,
                    int64_t* number);
  // Renders a compiled pattern; `append` non-zero keeps what `value` holds.
  int Value(int column, uint32_t handle, DGValue* value, QuoteOptions* options, int append);
  int Value(const std::wstring& text, DGValue* value);
  int Value(const std::wstring& text, DGValue* value, QuoteOptions* options);
  // Compiles `text` (reuse: return the handle of an equal text compiled before) and renders it
  // once as a trial. 0 on failure; a pattern whose trial failed stays compiled.
  uint32_t Compile(const std::wstring& text, int reuse, int column, void* context);
  // The largest number of distinct values any item of the pattern can give.
  int nValues(const std::wstring& text);
  void Reset(uint32_t handle);
  // n rounds of rendering every pattern in order; each value text (also of a failed rendering)
  // is appended to `out`. 0 when an array is missing.
  int MakeValueArray(int n, const std::vector<std::wstring>* patterns,
                     std::vector<std::wstring>* out);
  void SetValue(int column, const DGValue* value);
  // Substitutes variables through the value callback ("$Vars(text)"); the text itself when there
  // is no callback or the substitution fails.
  std::wstring ResolveVars(const std::wstring& text);

  // ---- Errors ----
  int Error(std::wstring* text) const;  // copies the text when given; returns the code
  std::wstring Error() const { return errorText_; }
  int ErrorCode() const { return errorCode_; }
  void SetError(int code, const wchar_t* text);  // a null text keeps the old text
  void SetError(int code, const std::wstring& text);
  // Reports a value-callback failure for `name` (status 1 or 2).
  void VariableError(int status, const std::wstring& name);

  // ---- Options ----
  // Records every value as its column's, also where no construct needs it.
  void DisableDepCheck();
  void SetNamedGenerators(const std::vector<NamedGen*>* list) { namedGenerators_ = list; }
  // `text` is what `$old()` renders (none: empty). Neither pointer is owned.
  void SetOldValues(const std::vector<std::wstring>* values, const std::wstring* text);
  void SetAnsiMode(int mode) { ansiMode_ = mode; }
  // Lowers the value-length limit below the default of EngineErrors.h (fuzzing, tests).
  void SetMaxValueLength(std::size_t length);

  static int GetCheckSyntaxMode();
  static void SetCheckSyntaxMode(int mode);
  // Makes `text` literal for the compiler by escaping the characters it reads as constructs.
  static std::wstring QuoteForGenerator(const std::wstring& text);
  // The help page for a pattern ("rint.html", ..., "index.html").
  static std::wstring HelpByPattern(const std::wstring& pattern);
  // Sets the pattern's quote flags for each ' " , in `text`.
  static void CheckForQuotes(const std::wstring& text, CompiledPattern* pattern);

  // ---- For the compiler, the items and the generators inside the library ----
  // Compiles `text` into `pattern`'s items and quote flags. 1 success / 0 failure.
  int Compile(const std::wstring& text, CompiledPattern* pattern, void* context);
  // Wraps `generator` (may be null) in an item of kind `opCode` appended to `pattern`; the engine
  // takes ownership. 1 when the engine's error code is 0.
  int MakeGenerator(int opCode, IGenerator* generator, CompiledPattern* pattern);

  std::size_t ColumnCount() const { return columns_.size(); }
  const std::vector<std::wstring>& ColumnNames() const { return columnNames_; }
  // Empty texts for a column that does not exist.
  const std::wstring& CurrentValue(std::size_t column) const;
  const std::wstring& PreviousValue(std::size_t column) const;
  const std::wstring& ColumnFormat(std::size_t column) const;
  // Set by every construct whose value depends on other columns or nested values.
  void MarkDependent() { depFlag1_ = depFlag2_ = 1; }
  // True while a freshly compiled pattern is rendered once to prove it can give a value. A
  // generator whose position lives outside itself (so its Reset cannot take it back) must not
  // move it then.
  bool TrialRendering() const { return trialRendering_; }

  int BlockStart() const { return blockStart_; }
  int BlockEnd() const { return blockEnd_; }
  void SetBlockStart(int position) { blockStart_ = position; }
  void SetBlockEnd(int position) { blockEnd_ = position; }

  const std::wstring& OldText() const;
  const std::vector<NamedGen*>* NamedGenerators() const { return namedGenerators_; }
  std::size_t GeneratorCount() const { return generators_.size(); }
  IGenerator* Generator(std::size_t index) const { return generators_[index].get(); }
  CDB_API* CurrentConnection() const;
  VLibrary* Library() const { return library_.get(); }
  // The phrases of `$text`, loaded on first use and shared by every `$text` of this engine.
  TextPhrases* Phrases();
  const std::wstring& LibraryPath() const { return libraryPath_; }
  static ValueCallback Callback();

  // True when a value of `current` characters may grow by `extra`; else sets error 115. Inline:
  // every item asks before it appends.
  bool CanGrow(std::size_t current, std::size_t extra) {
    if (extra > maxValueLength_ || current > maxValueLength_ - extra) return TooLong();
    return true;
  }
  std::size_t MaxValueLength() const { return maxValueLength_; }
  // False when one more nested rendering would go beyond the nesting limit. Items that render a
  // nested pattern's text themselves ask this to fail exactly where the nested call would.
  // The pattern asked for is level 0 (depth 1): the limit counts the levels nested inside it.
  bool CanNestDeeper() const { return nestingDepth_ <= engine_errors::kMaxNesting; }

  DGRandom random;

 private:
  friend class PatternCompiler;

  struct ColumnValues {
    // The current value and the one before it; a new value overwrites the older text, so both
    // keep their memory.
    std::wstring texts[2];
    int currentText = 0;
    std::wstring format;
    const std::wstring& Current() const { return texts[currentText]; }
    const std::wstring& Previous() const { return texts[1 - currentText]; }
  };

  // Nesting of compilations and renderings; false (error 114 set) beyond the limit.
  bool EnterNested() {
    if (!CanNestDeeper()) return TooDeep();
    ++nestingDepth_;
    return true;
  }
  void LeaveNested() { --nestingDepth_; }
  bool TooDeep();  // sets error 114; false
  bool TooLong();  // sets error 115; false
  uint32_t FindPattern(const std::wstring& text) const;  // 0 when absent
  // The handle of `text`, compiled (for `column`) when absent; 0 when the compilation failed.
  uint32_t FindOrCompile(const std::wstring& text, int column);
  // The handle of `text` by `lookup` (brought up to date), compiled when absent; 0 when the
  // compilation failed.
  uint32_t FindByLookup(const std::wstring& text, int column, PatternLookup* lookup) {
    const uint32_t handle = lookup->handle;
    if (handle != 0 && lookup->generation == patternGeneration_ && handle < patterns_.size() &&
        (lookup->textIsFixed || SourceIs(handle, text)))
      return handle;
    return FindAgain(text, column, lookup);
  }
  bool SourceIs(uint32_t handle, const std::wstring& text) const;
  uint32_t FindAgain(const std::wstring& text, int column, PatternLookup* lookup);
  // Value by text once the handle is known: the first item's format, then the rendering.
  int ValueOfFound(int column, uint32_t handle, DGValue* value, QuoteOptions* options);
  uint32_t AddPattern(std::unique_ptr<CompiledPattern> pattern);
  void DeletePatterns();
  void DeleteGenerators();

  int blockStart_ = 0;
  int blockEnd_ = 0;
  std::vector<ColumnValues> columns_;
  std::vector<std::wstring> columnNames_;
  int depFlag1_ = 0;
  int depFlag2_ = 0;
  const std::vector<std::wstring>* oldValues_ = nullptr;
  const std::wstring* oldText_ = nullptr;
  // In creation order; freed newest first, as a generator may refer to one made before it.
  std::vector<std::unique_ptr<IGenerator>> generators_;
  std::unique_ptr<VLibrary> library_;
  std::unique_ptr<TextPhrases> phrases_;  // made on first use
  std::unique_ptr<CDB_API> defaultConnection_;
  std::unique_ptr<CDB_API> customConnection_;  // attached to the caller's connection
  std::wstring dsn_, user_, password_;
  const std::vector<NamedGen*>* namedGenerators_ = nullptr;
  std::vector<std::unique_ptr<CompiledPattern>> patterns_;  // position = handle
  // First handle of each source text, so a look-up never scans the list.
  std::unordered_map<std::wstring, uint32_t> patternIndex_;
  // Changes whenever the pattern list is emptied; unique across the engines of the process, so a
  // PatternLookup never takes one engine's handle for another's.
  uint64_t patternGeneration_;
  std::wstring libraryPath_;
  std::wstring errorText_;
  int errorCode_ = 0;
  int depCounter_ = 0;
  int seeded_ = 0;
  int initialized_ = 0;
  int ansiMode_ = 0;
  int nestingDepth_ = 0;
  bool trialRendering_ = false;
  std::size_t maxValueLength_;
};
