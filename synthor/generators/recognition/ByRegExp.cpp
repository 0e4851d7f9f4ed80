#include "synthor/generators/recognition/ByRegExp.h"

#include <algorithm>
#include <cstdint>

#include "synthor/engine/DSynthor.h"

namespace {

// What "." and "\w" draw from: Next(37) picks the index.
constexpr wchar_t kWordChars[] = L"_ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
// What "\s" draws from: Next(6) picks the index.
constexpr wchar_t kSpaceChars[] = L" \f\n\r\t\v";

bool IsClassEscape(wchar_t c) {
  return c == L'd' || c == L's' || c == L'w' || (c >= L'1' && c <= L'9');
}

// The position of the ")" that closes a "(" just before `p`, counting parentheses only; `end`
// when it is missing.
std::size_t MatchingParenthesis(const std::wstring& text, std::size_t p, std::size_t end) {
  int depth = 1;
  for (; p < end; ++p) {
    if (text[p] == L'(') {
      ++depth;
    } else if (text[p] == L')' && --depth == 0) {
      return p;
    }
  }
  return end;
}

// Reads the counts of "{min,max}" from `p` (just after the "{") up to the "}" or `end`, and
// returns the position of that "}" (or `end`). Without a "," both counts are the one number.
// Digits stop counting at the cap, so no count can overflow.
std::size_t ReadCounts(const std::wstring& text, std::size_t p, std::size_t end, int* min,
                       int* max) {
  int counts[2] = {0, 0};
  bool comma = false;
  for (; p < end && text[p] != L'}'; ++p) {
    const wchar_t c = text[p];
    if (c == L',') {
      comma = true;
    } else if (c >= L'0' && c <= L'9') {
      int& n = counts[comma ? 1 : 0];
      n = std::min(n * 10 + static_cast<int>(c - L'0'), ByRegExp::kMaxRepeat);
    }
  }
  *min = counts[0];
  *max = comma ? counts[1] : counts[0];
  return p;
}

}  // namespace

ByRegExp::ByRegExp(DSynthor* engine) : engine_(engine) { top_.sequences.resize(1); }

ByRegExp::~ByRegExp() = default;

int ByRegExp::Compile(const std::wstring& text) {
  top_ = Alternatives();
  Parse(text, 0, text.size(), 0, &top_);
  return static_cast<int>(top_.sequences.size()) - 1;
}

void ByRegExp::Parse(const std::wstring& text, std::size_t begin, std::size_t end, int depth,
                     Alternatives* into) {
  into->sequences.clear();
  into->sequences.emplace_back();
  std::size_t p = begin;
  while (p < end) {
    const wchar_t c = text[p];
    Item item;
    item.character = c;
    if (c == L'\\') {
      item.escaped = true;  // a "\" at the end stands for itself
      if (p + 1 < end) {
        item.character = text[p + 1];
        if (IsClassEscape(item.character)) item.kind = Item::Kind::kClass;
        ++p;
      }
      ++p;
    } else if (c == L'^' || c == L'$') {
      ++p;
      continue;
    } else if (c == L'|') {
      into->sequences.emplace_back();
      ++p;
      continue;
    } else if (c == L'[') {
      item.kind = Item::Kind::kSet;
      p = ReadSet(text, p + 1, end, &item.set);
      if (p < end) ++p;
    } else if (c == L'{') {
      item.kind = Item::Kind::kRepeat;
      p = ReadCounts(text, p + 1, end, &item.repeatMin, &item.repeatMax);
      if (p < end) ++p;
    } else if (c == L'(' && depth < kMaxGroupDepth) {
      const std::size_t close = MatchingParenthesis(text, p + 1, end);
      item.kind = Item::Kind::kGroup;
      item.group = std::make_unique<Alternatives>();
      Parse(text, p + 1, close, depth + 1, item.group.get());
      p = close < end ? close + 1 : end;
    } else {
      if (c == L'.') item.kind = Item::Kind::kClass;
      ++p;
    }
    into->sequences.back().push_back(std::move(item));
  }
}

std::size_t ByRegExp::ReadSet(const std::wstring& text, std::size_t p, std::size_t end,
                              std::vector<SetEntry>* set) {
  while (p < end && text[p] != L']') {
    SetEntry entry;
    const wchar_t c = text[p];
    if (c == L'\\') {
      if (p + 1 >= end) {
        entry.literal = c;
        ++p;
      } else {
        const wchar_t next = text[p + 1];
        if (next == L'd' || next == L's' || next == L'w') {
          entry.classChar = next;
        } else {
          entry.literal = next;
        }
        p += 2;
      }
    } else if (p + 2 < end && text[p + 1] == L'-' && text[p + 2] != L']') {
      // A "-" before the closing "]" is an ordinary character, as in other dialects.
      entry.isRange = true;
      entry.first = c;
      entry.last = text[p + 2];
      p += 3;
    } else {
      entry.literal = c;
      ++p;
    }
    set->push_back(entry);
  }
  return p;
}

std::wstring ByRegExp::Generate() {
  std::wstring out;
  if (!engine_) return out;
  // Values of one expression tend to be alike in length; growing a short text step by step
  // would cost more than drawing its characters.
  out.reserve(lastSize_);
  out_ = &out;
  spent_ = 0;
  captured_ = 0;
  const bool ok = ProduceAlternatives(top_);
  out_ = nullptr;
  if (!ok) out.clear();
  lastSize_ = std::min(out.size(), kMaxReserve);
  return out;
}

bool ByRegExp::ProduceAlternatives(const Alternatives& alternatives) {
  const int bars = static_cast<int>(alternatives.sequences.size()) - 1;
  const Sequence& chosen = alternatives.sequences[bars >= 1 ? engine_->random.Next(bars + 1) : 0];
  if (chosen.empty()) return Spend(1);
  return ProduceSequence(chosen);
}

bool ByRegExp::ProduceSequence(const Sequence& sequence) {
  const auto isQuantifier = [](const Item& item) {
    return item.kind == Item::Kind::kLiteral && !item.escaped &&
           (item.character == L'?' || item.character == L'+' || item.character == L'*');
  };
  // The item a following "{...}" repeats; none at the start and after a "{...}".
  const Item* last = nullptr;
  for (std::size_t i = 0; i < sequence.size(); ++i) {
    const Item& item = sequence[i];
    if (item.kind == Item::Kind::kRepeat) {
      if (!last) {
        if (!Spend(1)) return false;
        continue;
      }
      const int count = RepeatCount(item);
      for (int k = 1; k < count; ++k) {
        if (!ProduceOnce(*last)) return false;
      }
      last = nullptr;
      continue;
    }
    int times = 1;
    if (i + 1 < sequence.size() && isQuantifier(sequence[i + 1])) {
      ++i;
      switch (sequence[i].character) {
        case L'?':
          times = engine_->random.Next(2);
          break;
        case L'+':
          times = engine_->random.Next(7) + 1;
          break;
        default:
          times = engine_->random.Next(8);
          break;
      }
    }
    if (times == 0 && !Spend(1)) return false;
    for (int k = 0; k < times; ++k) {
      if (!ProduceOnce(item)) return false;
    }
    last = &item;
  }
  return true;
}

bool ByRegExp::ProduceOnce(const Item& item) {
  switch (item.kind) {
    case Item::Kind::kLiteral:
      return Append(item.character);
    case Item::Kind::kClass:
      return ProduceClass(item.character);
    case Item::Kind::kSet:
      return ProduceSet(item.set);
    case Item::Kind::kGroup:
      return ProduceGroup(*item.group);
    case Item::Kind::kRepeat:
      break;  // handled by the sequence
  }
  return true;
}

bool ByRegExp::ProduceClass(wchar_t classChar) {
  DGRandom& random = engine_->random;
  switch (classChar) {
    case L'd':
      return Append(random.NextDigit());
    case L's':
      return Append(kSpaceChars[random.Next(6)]);
    case L'.':
    case L'w':
      return Append(kWordChars[random.Next(37)]);
    default:
      break;
  }
  // A back reference; a group that has not begun, or has not ended, gives nothing.
  const int index = classChar - L'1';
  if (index < 0 || index >= captured_ || captures_[index].empty()) return Spend(1);
  const std::wstring& text = captures_[index];
  if (!Spend(text.size())) return false;
  out_->append(text);
  return true;
}

bool ByRegExp::ProduceSet(const std::vector<SetEntry>& set) {
  if (set.empty()) return Spend(1);
  const SetEntry& entry = set[engine_->random.Next(static_cast<int>(set.size()))];
  if (entry.classChar != 0) return ProduceClass(entry.classChar);
  if (!entry.isRange) return Append(entry.literal);
  // A range written backwards gives its first character.
  const int64_t width = static_cast<int64_t>(entry.last) - entry.first + 1;
  if (width <= 1) return Append(entry.first);
  return Append(static_cast<wchar_t>(entry.first + engine_->random.Next64(width)));
}

bool ByRegExp::ProduceGroup(const Alternatives& group) {
  // Groups are numbered in the order they begin, as back references count them elsewhere; the
  // text is recorded when the group ends.
  int slot = -1;
  if (captured_ < kBackReferences) {
    slot = captured_++;
    captures_[slot].clear();
  }
  const std::size_t start = out_->size();
  if (!ProduceAlternatives(group)) return false;
  if (slot >= 0) captures_[slot].assign(*out_, start, std::wstring::npos);
  return true;
}

int ByRegExp::RepeatCount(const Item& repeat) {
  const int min = repeat.repeatMin;
  if (min == 0 && repeat.repeatMax == 0) return 0;  // "{0}": the item's one occurrence stays
  const int max = repeat.repeatMax == 0 ? min + 7 : repeat.repeatMax;
  if (max <= min) return max;
  return min + engine_->random.Next(max - min + 1);
}

bool ByRegExp::Append(wchar_t c) {
  if (!Spend(1)) return false;
  out_->push_back(c);
  return true;
}

bool ByRegExp::Spend(std::size_t units) {
  if (!engine_->CanGrow(spent_, units)) return false;
  spent_ += units;
  return true;
}
