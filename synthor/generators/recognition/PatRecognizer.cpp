#include "synthor/generators/recognition/PatRecognizer.h"

#include <algorithm>
#include <climits>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"

// Token types and how they render (m, M: the token's shortest and longest length):
//   0 mixed-case letters   $Rstring(m,M,5,0)
//   1 lower-case letters   a run of `a`
//   2 upper-case letters   a run of `A`
//   3 capitalised word     `A`, then a run of `a` one shorter
//   4 other text           <v1|v2|...>, each value literal
//   5 digits               a run of `N`
//   6 hex digits           a run of `X`
//   7 one value only       that value, literal

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsUpperHex(wchar_t c) { return c >= L'A' && c <= L'F'; }
// Cased letters by the library's own case tables, so that the result does not depend on the
// process locale.
bool IsUpper(wchar_t c) { return platform::ToLowerChar(c) != c; }
bool IsLower(wchar_t c) { return platform::ToUpperChar(c) != c; }
bool IsLetter(wchar_t c) { return IsUpper(c) || IsLower(c); }

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

int Length(const std::wstring& text) {
  return static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
}

int SaturatingAdd(int a, int b) {
  const long long sum = static_cast<long long>(a) + b;
  return static_cast<int>(std::clamp<long long>(sum, INT_MIN, INT_MAX));
}

// A mask character repeated m to M times, in the shortest repeat form.
std::wstring Run(wchar_t mask, int m, int M) {
  m = std::max(m, 0);
  M = std::max(M, 0);
  if (m != M) return platform::Format(L"%lc{%d:%d}", mask, m, M);
  if (m == 1) return std::wstring(1, mask);
  return platform::Format(L"%lc{=%d}", mask, m);
}

// Function arguments are split on parentheses and square brackets without regard to escapes, so
// an escaped one without its partner would still end a call early or swallow the next argument.
// Such a character is taken from a balanced pair instead; partnered ones are merely escaped.
std::wstring LoneBracket(wchar_t c) {
  switch (c) {
    case L'(': return L"$first(\\(\\),1)";
    case L')': return L"$last(\\(\\),1)";
    case L'[': return L"$first(\\[\\],1)";
    default: return L"$last(\\[\\],1)";
  }
}

// Marks every `open`/`close` in `text` that has no partner.
void MarkLone(const std::wstring& text, wchar_t open, wchar_t close, std::vector<bool>* lone) {
  std::vector<std::size_t> opened;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == open) {
      opened.push_back(i);
    } else if (text[i] == close) {
      if (opened.empty()) (*lone)[i] = true;
      else opened.pop_back();
    }
  }
  for (const std::size_t i : opened) (*lone)[i] = true;
}

// A pattern that renders `text` exactly, at top level, in a `<...>` alternative and as a
// function argument alike.
std::wstring LiteralPattern(const std::wstring& text) {
  std::vector<bool> lone(text.size(), false);
  MarkLone(text, L'(', L')', &lone);
  MarkLone(text, L'[', L']', &lone);
  std::wstring pattern;
  pattern.reserve(text.size() + text.size() / 4);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lone[i]) pattern += LoneBracket(text[i]);
    else pattern += DSynthor::QuoteForGenerator(std::wstring(1, text[i]));
  }
  return pattern;
}

// `pattern` as one argument of a `$List` call: the splitter trims blanks at the ends and cuts at
// commas, unless the argument is wrapped in parentheses, which it then removes.
std::wstring AsArgument(const std::wstring& pattern) {
  const bool wrap = pattern.find(L',') != std::wstring::npos ||
                    (!pattern.empty() && (IsBlank(pattern.front()) || IsBlank(pattern.back())));
  return wrap ? L"(" + pattern + L")" : pattern;
}

// Values that a `<...>` list cannot hold (it has no escapes: `|` and `>` always end an
// alternative) are drawn by an equally weighted `$List` instead.
std::wstring Alternatives(const std::vector<std::wstring>& values) {
  const bool listSafe = std::none_of(values.begin(), values.end(), [](const std::wstring& v) {
    return v.find_first_of(L"|>") != std::wstring::npos;
  });
  if (listSafe) {
    std::wstring list = L"<";
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i > 0) list += L'|';
      list += LiteralPattern(values[i]);
    }
    return list + L">";
  }
  // Weights are percentages of 100 draws; the first value takes what the division leaves over.
  const int n = static_cast<int>(std::min<std::size_t>(values.size(), INT_MAX));
  const int share = std::max(1, 100 / n);
  std::wstring list = L"$List(P";
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int weight = i == 0 ? std::max(1, 100 - share * (n - 1)) : share;
    list += L',';
    list += AsArgument(LiteralPattern(values[i]));
    list += L',' + platform::FromInt(weight);
  }
  return list + L")";
}

// Digit runs, letter runs and single other characters.
std::vector<std::wstring> SplitToItems(const std::wstring& text) {
  std::vector<std::wstring> parts;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i + 1;
    if (IsDigit(text[i])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
    } else if (IsLetter(text[i])) {
      while (j < text.size() && IsLetter(text[j])) ++j;
    }
    parts.push_back(text.substr(i, j - i));
    i = j;
  }
  return parts;
}

bool IsLetterType(int type) { return type >= PatToken::kMixedLetters && type <= PatToken::kCapitalised; }

bool Mergeable(int type) {
  return type == PatToken::kLowerLetters || type == PatToken::kUpperLetters ||
         type == PatToken::kDigits || type == PatToken::kHexDigits;
}

}  // namespace

// ---- PatRecognizerValue ----

PatRecognizerValue::PatRecognizerValue(const wchar_t* text, int count)
    : text(text ? text : L""), count(count) {}

// ---- PatToken ----

PatToken::PatToken(const std::wstring& text)
    : type(Classify(text)), values{text}, minLength(Length(text)), maxLength(Length(text)) {}

int PatToken::Classify(const std::wstring& text) {
  if (std::all_of(text.begin(), text.end(), IsDigit)) return kDigits;
  if (std::all_of(text.begin(), text.end(), [](wchar_t c) { return IsDigit(c) || IsUpperHex(c); }))
    return kHexDigits;
  if (std::all_of(text.begin(), text.end(), IsLetter)) {
    const auto rest = text.begin() + 1;
    const bool upperFollows = std::any_of(rest, text.end(), IsUpper);
    const bool lowerFollows = std::any_of(rest, text.end(), IsLower);
    const bool lowerFirst = IsLower(text.front());
    if (!upperFollows) return lowerFirst ? kLowerLetters : kCapitalised;
    if (!lowerFirst && !lowerFollows) return kUpperLetters;
    return kMixedLetters;
  }
  return kOther;
}

void PatToken::AddValue(const std::wstring& text) {
  if (std::find(values.begin(), values.end(), text) != values.end()) return;
  values.push_back(text);
}

std::wstring PatToken::Render(int* budget) const {
  const bool limited = budget && *budget != kNoBudget;
  if (limited && *budget <= 0) return std::wstring();
  int most = maxLength;
  if (limited) most = std::min(most, *budget);
  const int least = std::min(minLength, most);
  int used = most;
  std::wstring pattern;
  switch (type) {
    case kMixedLetters:
      pattern = platform::Format(L"$Rstring(%d,%d,5,0)", least, most);
      break;
    case kLowerLetters:
      pattern = Run(L'a', least, most);
      break;
    case kUpperLetters:
      pattern = Run(L'A', least, most);
      break;
    case kCapitalised:
      pattern = L"A" + Run(L'a', least - 1, most - 1);
      break;
    case kDigits:
      pattern = Run(L'N', least, most);
      break;
    case kHexDigits:
      pattern = Run(L'X', least, most);
      break;
    case kConstant:
      pattern = values.empty() ? std::wstring() : LiteralPattern(values.front());
      used = values.empty() ? 0 : Length(values.front());
      break;
    default: {
      pattern = Alternatives(values);
      used = 0;
      for (const std::wstring& v : values) used = std::max(used, Length(v));
      break;
    }
  }
  // Spent budget stops at 0: below it would read as "no budget".
  if (limited) *budget = std::max(0, *budget - used);
  return pattern;
}

// ---- PatItem ----

bool PatItem::Accepts(const PatItem& other) {
  bool changed = false;
  for (std::size_t i = 0; i < tokens.size() && i < other.tokens.size(); ++i) {
    PatToken& mine = *tokens[i];
    const PatToken& theirs = *other.tokens[i];
    if (IsLetterType(theirs.type) && mine.type == PatToken::kHexDigits) {
      mine.type = theirs.type;
      changed = true;
    } else if (theirs.type == PatToken::kHexDigits && IsLetterType(mine.type)) {
      changed = true;
    }
    if (theirs.minLength < mine.minLength) {
      mine.minLength = theirs.minLength;
      changed = true;
    }
    if (theirs.maxLength > mine.maxLength) {
      mine.maxLength = theirs.maxLength;
      changed = true;
    }
  }
  return changed;
}

bool PatItem::Equals(const PatItem& other) const {
  if (tokens.size() != other.tokens.size()) return false;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i]->type != other.tokens[i]->type) return false;
  }
  return true;
}

void PatItem::Merge(const PatItem& other) {
  // Lengths were widened by Accepts already; only new texts are taken here.
  for (std::size_t i = 0; i < tokens.size() && i < other.tokens.size(); ++i) {
    for (const std::wstring& v : other.tokens[i]->values) tokens[i]->AddValue(v);
  }
  weight = SaturatingAdd(weight, other.weight);
}

std::wstring PatItem::Render(int maxLength) const {
  int budget = maxLength >= 1 ? maxLength : PatToken::kNoBudget;
  std::wstring pattern;
  // Neighbouring constants are written as one text, so that a bracket pair split over several
  // tokens stays a pair instead of two lone brackets.
  std::wstring constants;
  for (const auto& token : tokens) {
    if (token->type == PatToken::kConstant && !token->values.empty()) {
      if (budget == PatToken::kNoBudget || budget > 0) {
        constants += token->values.front();
        if (budget != PatToken::kNoBudget)
          budget = std::max(0, budget - Length(token->values.front()));
      }
      continue;
    }
    pattern += LiteralPattern(constants);
    constants.clear();
    pattern += token->Render(&budget);
  }
  return pattern + LiteralPattern(constants);
}

// ---- PatRecognizer ----

void PatRecognizer::Add(const std::wstring* text, int count) {
  if (!text) return;
  // A weight below 1 would make a `$List` weight that the list rejects.
  auto sample = std::make_unique<PatRecognizerValue>(L"", std::max(count, 1));
  sample->text = *text;  // whole, also past an embedded NUL
  samples_.push_back(std::move(sample));
}

std::unique_ptr<PatItem> PatRecognizer::MakeItem(const PatRecognizerValue& sample,
                                                 bool split) const {
  auto item = std::make_unique<PatItem>();
  item->weight = sample.count;
  if (!split) {
    for (const wchar_t c : sample.text)
      item->tokens.push_back(std::make_unique<PatToken>(std::wstring(1, c)));
    return item;
  }
  for (const std::wstring& part : SplitToItems(sample.text)) {
    auto token = std::make_unique<PatToken>(part);
    if (!item->tokens.empty()) {
      PatToken& last = *item->tokens.back();
      if (last.type == token->type && Mergeable(token->type)) {
        last.minLength = SaturatingAdd(last.minLength, 1);
        last.maxLength = SaturatingAdd(last.maxLength, 1);
        continue;
      }
    }
    item->tokens.push_back(std::move(token));
  }
  return item;
}

void PatRecognizer::MergeOrAppend(std::unique_ptr<PatItem> item) {
  for (const auto& existing : items_) {
    if (existing->tokens.size() != item->tokens.size()) continue;
    // Accepts widens the existing item as it looks, so it runs even where the types are equal.
    const bool accepts = existing->Accepts(*item);
    if (accepts || existing->Equals(*item)) {
      existing->Merge(*item);
      return;
    }
  }
  items_.push_back(std::move(item));
}

void PatRecognizer::Recognize() {
  items_.clear();
  // Samples of one length line up character by character; otherwise they line up by runs.
  bool split = false;
  for (const auto& sample : samples_) {
    if (sample->text.size() != samples_.front()->text.size()) split = true;
  }
  for (const auto& sample : samples_) MergeOrAppend(MakeItem(*sample, split));
  for (const auto& item : items_) {
    for (const auto& token : item->tokens) {
      if (token->values.size() == 1) token->type = PatToken::kConstant;
    }
  }
}

std::wstring PatRecognizer::ToGenerator(int minPercent, int maxLength) const {
  if (items_.size() == 1) return items_.front()->Render(maxLength);
  long long total = 0;
  for (const auto& item : items_) {
    if (item->weight > 1) total += item->weight;
  }
  if (total == 0 || items_.size() > kMaxGeneratorItems) return std::wstring();
  std::wstring list = L"$List(P,";
  std::wstring only;
  int appended = 0;
  for (const auto& item : items_) {
    const long long percent = item->weight * 100LL / total;
    if (item->weight == 1) continue;
    if (minPercent >= 1 && percent < minPercent) continue;
    const std::wstring pattern = item->Render(maxLength);
    if (pattern.empty()) return std::wstring();
    if (appended > 0) list += L',';
    list += AsArgument(pattern);
    list += L',' + platform::FromInt(percent);
    if (list.size() > kMaxGeneratorText) return std::wstring();
    only = pattern;
    ++appended;
  }
  // A list without items would not compile.
  if (appended == 0) return std::wstring();
  if (appended == 1) return only;
  return list + L")";
}
