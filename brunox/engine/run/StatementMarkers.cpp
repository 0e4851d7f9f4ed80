#include "brunox/engine/run/StatementMarkers.h"

#include "kavra/Parse.h"
#include "platform/Text.h"

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The number of characters after text[at] ('?') that name a value, 0 when none does.
size_t MarkerLength(std::wstring_view text, size_t at, size_t valueCount, size_t* number) {
  size_t digits = 0;
  while (at + 1 + digits < text.size() && IsDigit(text[at + 1 + digits])) ++digits;
  if (digits == 0 || text[at + 1] == L'0') return 0;
  // Longest first; the numbers only shrink as the run gets shorter.
  size_t best = 0;
  size_t value = 0;
  for (size_t length = 1; length <= digits; ++length) {
    value = value * 10 + static_cast<size_t>(text[at + length] - L'0');
    if (value > valueCount) break;
    best = length;
    *number = value;
  }
  return best;
}

std::vector<std::wstring> SplitScript(const std::wstring& text, bool useParser) {
  if (!useParser) {
    if (platform::Trim(text).empty()) return {};
    return {text};
  }
  CParse parser;
  parser.Parse(text, 0);
  return std::move(parser.Statements);
}

bool IsLoneMarker(const std::wstring& statement) {
  const std::wstring trimmed = platform::Trim(statement);
  if (trimmed.size() < 2 || trimmed[0] != L'?') return false;
  for (size_t i = 1; i < trimmed.size(); ++i)
    if (!IsDigit(trimmed[i])) return false;
  return true;
}

}  // namespace

std::wstring FillMarkers(std::wstring_view text, const std::vector<std::wstring>& values) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t mark = text.find(L'?', i);
    if (mark == std::wstring_view::npos) break;
    out.append(text.substr(i, mark - i));
    size_t number = 0;
    const size_t length = MarkerLength(text, mark, values.size(), &number);
    if (length == 0) {
      out += L'?';
      i = mark + 1;
    } else {
      out += values[number - 1];
      i = mark + 1 + length;
    }
  }
  if (i < text.size()) out.append(text.substr(i));
  return out;
}

ScriptStatements::ScriptStatements(std::wstring script, bool useParser)
    : script_(std::move(script)), useParser_(useParser) {
  statements_ = SplitScript(script_, useParser_);
  if (useParser_) {
    for (const std::wstring& statement : statements_)
      if (IsLoneMarker(statement)) splitAfterFill_ = true;
  }
  if (splitAfterFill_) statements_.clear();
}

const std::vector<std::wstring>& ScriptStatements::Fill(const std::vector<std::wstring>* values) {
  const bool any = values && !values->empty();
  if (splitAfterFill_) {
    filled_ = SplitScript(any ? FillMarkers(script_, *values) : script_, true);
    return filled_;
  }
  // A script without values is the same in every round: no copy of it.
  if (!any) return statements_;
  filled_.resize(statements_.size());
  for (std::size_t i = 0; i < statements_.size(); ++i)
    filled_[i] = FillMarkers(statements_[i], *values);
  return filled_;
}
