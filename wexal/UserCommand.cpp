#include "wexal/UserCommand.h"

#include "platform/Text.h"

namespace wexal {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The active placeholder that starts at `at`, or nullptr.
const Placeholder* PlaceholderAt(std::wstring_view text, size_t at,
                                 const std::vector<Placeholder>& placeholders) {
  if (text[at] != L'%') return nullptr;
  for (const Placeholder& p : placeholders)
    if (p.active && !p.name.empty() && text.substr(at, p.name.size()) == p.name) return &p;
  return nullptr;
}

}  // namespace

bool SplitCommandTemplate(std::wstring_view text, std::vector<std::wstring>& args,
                          std::wstring& error) {
  args.clear();
  std::wstring current;
  bool inArgument = false;
  bool quoted = false;
  for (wchar_t c : text) {
    if (quoted) {
      if (c == L'"')
        quoted = false;
      else
        current += c;
    } else if (IsBlank(c)) {
      if (inArgument) args.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else if (c == L'"') {
      quoted = true;
      inArgument = true;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (quoted) {
    args.clear();
    error = L"a double quote is not closed";
    return false;
  }
  if (inArgument) args.push_back(std::move(current));
  return true;
}

std::wstring FillPlaceholders(std::wstring_view text, const std::vector<Placeholder>& placeholders,
                              bool shown) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (const Placeholder* p = PlaceholderAt(text, i, placeholders)) {
      out += shown ? p->shown : p->value;
      i += p->name.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::wstring ShellWithReferences(std::wstring_view text,
                                 const std::vector<Placeholder>& placeholders) {
  enum class Quote { None, Double, Single } quote = Quote::None;
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const wchar_t c = text[i];
    if (quote != Quote::Single && c == L'\\') {
      // An escaped character is literal, a '%' included.
      out += c;
      if (i + 1 < text.size()) out += text[i + 1];
      i += 2;
      continue;
    }
    if (const Placeholder* p = PlaceholderAt(text, i, placeholders)) {
      const std::wstring reference = L"${" + p->variable + L"}";
      if (quote == Quote::Double)
        out += reference;
      else if (quote == Quote::Single)
        out += L"'\"" + reference + L"\"'";
      else
        out += L"\"" + reference + L"\"";
      i += p->name.size();
      continue;
    }
    if (c == L'"' && quote != Quote::Single)
      quote = quote == Quote::Double ? Quote::None : Quote::Double;
    else if (c == L'\'' && quote != Quote::Double)
      quote = quote == Quote::Single ? Quote::None : Quote::Single;
    out += c;
    ++i;
  }
  return out;
}

bool ShellCommandOf(std::wstring_view text, std::wstring& shellText) {
  constexpr std::wstring_view kInterpreter = L"cmd.exe ";
  if (text.size() < kInterpreter.size() ||
      !platform::EqualsNoCase(text.substr(0, kInterpreter.size()), kInterpreter))
    return false;
  shellText = std::wstring(text.substr(kInterpreter.size()));
  return true;
}

}  // namespace wexal
