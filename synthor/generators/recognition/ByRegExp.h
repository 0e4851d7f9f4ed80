#pragma once
// Random text from a small regular-expression dialect. The expression is parsed once into items;
// each Generate draws one text that the expression describes, from the engine's random numbers.
// Only generation is supported, there is no matching.
//
// The dialect: literal characters; "." and "\w" (one of "_", "A"-"Z", "0"-"9"), "\d", "\s"; sets
// "[...]" of characters, ranges "a-z" and the classes above ("^" is an ordinary character there);
// groups "(...)" with alternatives "|" of their own; "?" (0 or 1), "+" (1 to 7), "*" (0 to 7) after
// an item; "{n}", "{n,m}", "{n,}" (n to n + 7) after an item, where a count of 0 or 1 leaves the
// item's one occurrence; back references "\1" to "\9" to the groups in the order they begin in
// the value (a group not produced yet gives nothing). "^" and "$" outside sets are ignored. Any
// other escaped character is that character, so "\?" is a question mark, not a quantifier.
// Nothing is ever an error: a malformed expression still gives texts (an unclosed set, group or
// count runs to the end; a "\" at the end is itself).
//
// Bounds, so that no expression can make a value run away: counts are read as at most
// kMaxRepeat; groups nest at most kMaxGroupDepth deep (a "(" deeper than that is a literal); and
// a value costs what it appends, at least one unit for every occurrence that appends nothing,
// against the engine's value-length limit, beyond which Generate stops with the engine's error
// 115 (so even a loop over empty groups ends quickly).
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"

class DSynthor;

class SYNTHOR_API ByRegExp {
 public:
  static constexpr int kMaxRepeat = 65536;
  static constexpr int kMaxGroupDepth = 64;
  static constexpr int kBackReferences = 9;  // \1 to \9

  explicit ByRegExp(DSynthor* engine);
  virtual ~ByRegExp();
  ByRegExp(const ByRegExp&) = delete;
  ByRegExp& operator=(const ByRegExp&) = delete;

  // Parses `text`, replacing what an earlier Compile made; returns the number of "|" at the top.
  int Compile(const std::wstring& text);
  // One random text. Empty, with the engine's error 115 set, when the value outgrows the
  // engine's value-length limit.
  std::wstring Generate();

 private:
  struct SetEntry {
    wchar_t literal = 0;
    wchar_t classChar = 0;  // 'd', 's' or 'w'
    bool isRange = false;   // first..last
    wchar_t first = 0;
    wchar_t last = 0;
  };
  struct Alternatives;
  struct Item {
    enum class Kind { kLiteral, kClass, kSet, kGroup, kRepeat };
    Kind kind = Kind::kLiteral;
    wchar_t character = 0;  // the literal, or the class: '.', 'd', 's', 'w', '1'..'9'
    bool escaped = false;   // an escaped "?", "+" or "*" is only a character
    std::vector<SetEntry> set;
    std::unique_ptr<Alternatives> group;
    int repeatMin = 0;
    int repeatMax = 0;  // 0: open
  };
  using Sequence = std::vector<Item>;
  struct Alternatives {
    std::vector<Sequence> sequences;  // one per alternative, so never empty
  };

  static void Parse(const std::wstring& text, std::size_t begin, std::size_t end, int depth,
                    Alternatives* into);
  // Reads a set's entries from `p` (just after the "[") and returns the position of its "]", or
  // `end` when it is missing.
  static std::size_t ReadSet(const std::wstring& text, std::size_t p, std::size_t end,
                             std::vector<SetEntry>* set);

  bool ProduceAlternatives(const Alternatives& alternatives);
  bool ProduceSequence(const Sequence& sequence);
  bool ProduceOnce(const Item& item);
  bool ProduceClass(wchar_t classChar);
  bool ProduceSet(const std::vector<SetEntry>& set);
  bool ProduceGroup(const Alternatives& group);
  int RepeatCount(const Item& repeat);
  bool Append(wchar_t c);
  // Charges `units` against the value-length limit; false (error 115 set) beyond it.
  bool Spend(std::size_t units);

  DSynthor* engine_ = nullptr;
  Alternatives top_;
  // State of the value being produced.
  std::wstring* out_ = nullptr;
  std::size_t spent_ = 0;
  int captured_ = 0;  // groups begun so far, up to kBackReferences
  std::array<std::wstring, kBackReferences> captures_;
  // The length of the last value, reserved for the next one (at most kMaxReserve).
  static constexpr std::size_t kMaxReserve = 4096;
  std::size_t lastSize_ = 0;
};
