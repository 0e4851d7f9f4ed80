// `$vars(text)`: the text with column references and variables replaced by their values.
#include "platform/Text.h"
#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/PatternExcerpt.h"

using namespace engine_errors;

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsNameChar(wchar_t c) {
  return IsDigit(c) || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_';
}

// Column names may carry SQL quoting; references name the bare column.
constexpr std::wstring_view kNameQuotes = L"\"[]'`";

}  // namespace

int CompiledItem::Variables(DGValue* out, DSynthor* eng) {
  const std::wstring& t = text;
  std::wstring result;
  bool failed = false;
  std::size_t i = 0;
  while (i < t.size()) {
    const wchar_t c = t[i];
    const wchar_t next = i + 1 < t.size() ? t[i + 1] : 0;
    if (c == L'@' && IsDigit(next)) {
      std::size_t end = i + 1;
      while (end < t.size() && IsDigit(t[end])) ++end;
      const long long n = platform::ToInt64(std::wstring_view(t).substr(i + 1, end - i - 1));
      if (n < 1 || static_cast<unsigned long long>(n) > eng->ColumnCount()) {
        eng->SetError(kColumnIndex, kVarsColumnIndexText);
        failed = true;
      } else {
        result += eng->CurrentValue(static_cast<std::size_t>(n - 1));
      }
      i = end;
    } else if (c == L'@' && next == L'\'') {
      const std::size_t close = t.find(L'\'', i + 2);
      if (close == std::wstring::npos) {  // no name after all: the rest is plain text
        result.append(t, i, std::wstring::npos);
        break;
      }
      const std::wstring name = t.substr(i + 2, close - i - 2);
      const auto& names = eng->ColumnNames();
      bool found = false;
      for (std::size_t k = 0; k < names.size(); ++k) {
        if (platform::Trim(names[k], kNameQuotes) == name) {
          result += eng->CurrentValue(k);
          found = true;
          break;
        }
      }
      if (!found) {
        eng->SetError(kColumnNotFound,
                      platform::Format(kVarsColumnNotFoundText, PatternExcerpt(name).c_str()));
        failed = true;
      }
      i = close + 1;
    } else if ((c == L'@' || c == L'#') && IsNameChar(next)) {
      std::size_t end = i + 1;
      while (end < t.size() && IsNameChar(t[end])) ++end;
      const std::wstring variable = t.substr(i, end - i);
      if (ValueCallback callback = DSynthor::Callback()) {
        int status = 0;
        const DGValue resolved = callback(variable, &status);
        if (status != 0) {
          eng->VariableError(status, variable);
          failed = true;
        } else {
          result += resolved.value;
        }
      }
      i = end;
    } else {
      result += c;
      ++i;
    }
    if (!eng->CanGrow(out->value.size(), result.size())) return 0;
  }
  if (!Append(eng, out, result)) return 0;
  return failed ? 0 : 1;
}
