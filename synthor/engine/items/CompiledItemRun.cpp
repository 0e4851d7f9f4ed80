#include "synthor/engine/items/CompiledItemRun.h"

#include <climits>
#include <typeinfo>

#include "synthor/engine/DSynthor.h"
#include "synthor/engine/items/CompiledItemCharList.h"

namespace {

// A class piece whose count is never drawn: Next64 draws nothing for an empty or reversed span.
bool FixedCount(const CompiledItemRun::Piece& piece) { return piece.maxCount <= piece.minCount; }

bool Single(const CompiledItemRun::Piece& piece) {
  return FixedCount(piece) && piece.minCount == 1;
}

}  // namespace

void CompiledItemRun::Add(const Piece& piece) {
  const int64_t most =
      piece.kind == MASK_CHAR ? 1 : MostCharacters(piece.minCount, piece.maxCount);
  most_ += most;
  Segment* last = segments_.empty() ? nullptr : &segments_.back();
  if (piece.kind == MASK_CHAR) {
    if (!last || last->kind != MASK_CHAR) {
      segments_.push_back({MASK_CHAR, 0, 0, false, literals_.size(), 0});
      last = &segments_.back();
    }
    literals_.push_back(piece.character);
    ++last->literalLength;
    return;
  }
  if (!FixedCount(piece)) fixedLength_ = false;
  if (Single(piece) && last && last->kind == piece.kind && last->singles &&
      last->minCount < INT_MAX) {
    last->minCount = ++last->maxCount;
    return;
  }
  segments_.push_back({piece.kind, piece.minCount, piece.maxCount, Single(piece), 0, 0});
}

int CompiledItemRun::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  std::wstring& v = out->value;
  const std::size_t limit = eng->MaxValueLength();
  if (most_ > static_cast<int64_t>(limit) || v.size() > limit - static_cast<std::size_t>(most_))
    return ValueBySegment(out, eng);
  if (fixedLength_) {
    // Every character has its place before the first is drawn.
    std::size_t at = v.size();
    v.resize(at + static_cast<std::size_t>(most_));
    wchar_t* p = v.data();
    for (const Segment& s : segments_) {
      if (s.kind == MASK_CHAR) {
        literals_.copy(p + at, s.literalLength, s.literalStart);
        at += s.literalLength;
      } else {
        const std::size_t n = s.minCount < 0 ? 0 : static_cast<std::size_t>(s.minCount);
        DrawCharClass(eng->random, s.kind, p + at, n);
        at += n;
      }
    }
    return 1;
  }
  for (const Segment& s : segments_) {
    if (s.kind == MASK_CHAR)
      v.append(literals_, s.literalStart, s.literalLength);
    else
      AppendCharClass(eng, out, s.kind, s.minCount, s.maxCount);  // fits: see above
  }
  return 1;
}

int CompiledItemRun::ValueBySegment(DGValue* out, DSynthor* eng) {
  std::wstring& v = out->value;
  for (const Segment& s : segments_) {
    if (s.kind != MASK_CHAR && !s.singles) {
      if (!AppendCharClass(eng, out, s.kind, s.minCount, s.maxCount)) return 0;
      continue;
    }
    // One character per piece: as many as there is room for, then the error of the next.
    const std::size_t n = s.kind == MASK_CHAR ? s.literalLength : static_cast<std::size_t>(s.minCount);
    const std::size_t limit = eng->MaxValueLength();
    const std::size_t room = v.size() < limit ? limit - v.size() : 0;
    const std::size_t fit = n < room ? n : room;
    if (s.kind == MASK_CHAR) {
      v.append(literals_, s.literalStart, fit);
    } else {
      const std::size_t at = v.size();
      v.resize(at + fit);
      DrawCharClass(eng->random, s.kind, v.data() + at, fit);
    }
    if (fit < n) return eng->CanGrow(v.size(), 1) ? 1 : 0;  // sets the error
  }
  return 1;
}

namespace {

// The piece an item stands for, or false when the item is of another sort.
bool AsPiece(const CompiledItem& item, CompiledItemRun::Piece* piece) {
  if (typeid(item) == typeid(CompiledItem)) {
    if (item.kind != MASK_CHAR || item.text.size() != 1) return false;
    *piece = {MASK_CHAR, item.text[0], 1, 1};
    return true;
  }
  if (typeid(item) == typeid(CompiledItemCharList)) {
    const auto& run = static_cast<const CompiledItemCharList&>(item);
    *piece = {run.kind, 0, run.minCount, run.maxCount};
    return true;
  }
  return false;
}

}  // namespace

void FuseCharacterRuns(std::vector<std::unique_ptr<CompiledItem>>& items) {
  CompiledItemRun::Piece piece;
  std::size_t kept = 0;  // items [0, kept) are final; fused in place, without a second list
  std::size_t i = 0;
  while (i < items.size()) {
    std::size_t end = i;
    while (end < items.size() && AsPiece(*items[end], &piece)) ++end;
    if (end - i < 2) {
      items[kept++] = std::move(items[i++]);
      continue;
    }
    auto run = std::make_unique<CompiledItemRun>(items[i]->engine);
    for (; i < end; ++i) {
      AsPiece(*items[i], &piece);
      run->Add(piece);
    }
    items[kept++] = std::move(run);
  }
  items.resize(kept);
}
