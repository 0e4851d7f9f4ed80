#pragma once
// Consecutive literal characters and character-class runs (`AAA-NN`, `X{=8}-`) fused into one
// item after compilation, so that a value costs one item call instead of one per character. Each
// piece keeps its own draws in its own order, so a fused pattern consumes exactly the random
// bytes the separate items did and gives the same values; near the value-length limit it also
// fails at the same character.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemRun : public CompiledItem {
 public:
  // A literal character (kind MASK_CHAR) or a character class with its counts.
  struct Piece {
    int kind = MASK_CHAR;
    wchar_t character = 0;
    int minCount = 1;
    int maxCount = 1;
  };

  explicit CompiledItemRun(DSynthor* engine) : CompiledItem(engine, MASK_CHAR) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  void Add(const Piece& piece);

 private:
  // Neighbouring pieces joined where that changes neither a draw nor the point where the length
  // limit stops the value: literal characters into one text, single characters of one class
  // into one count. A segment of one class with a repeater is one piece.
  struct Segment {
    int kind = MASK_CHAR;
    int minCount = 0;
    int maxCount = 0;
    bool singles = false;          // a class segment made of single-character pieces
    std::size_t literalStart = 0;  // MASK_CHAR: the text in literals_
    std::size_t literalLength = 0;
  };

  // Segment by segment, asking for room as the separate items did: used near the length limit,
  // where the point of failure decides what the value holds.
  int ValueBySegment(DGValue* out, DSynthor* eng);

  std::vector<Segment> segments_;
  std::wstring literals_;
  int64_t most_ = 0;         // the most characters all pieces together can add
  bool fixedLength_ = true;  // no piece draws its count: every value is most_ long
};

// Replaces every stretch of two or more literal-character and character-class items by one
// CompiledItemRun. Nothing else changes: other items keep their places and order.
void FuseCharacterRuns(std::vector<std::unique_ptr<CompiledItem>>& items);
