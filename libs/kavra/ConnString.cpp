#include "kavra/ConnString.h"

#include <optional>

#include "platform/Text.h"

std::vector<ConnStringPart> ParseConnString(const std::wstring& s) {
  std::vector<ConnStringPart> parts;
  size_t i = 0;
  while (i < s.size()) {
    const size_t eq = s.find(L'=', i);
    const size_t semi = s.find(L';', i);
    if (eq == std::wstring::npos || (semi != std::wstring::npos && semi < eq)) {
      if (semi == std::wstring::npos) break;
      i = semi + 1;
      continue;
    }
    ConnStringPart part;
    part.Key = platform::Trim(std::wstring_view(s).substr(i, eq - i));
    part.ValueBegin = eq + 1;
    size_t p = part.ValueBegin;
    while (p < s.size() && (s[p] == L' ' || s[p] == L'\t')) ++p;
    size_t searchFrom = part.ValueBegin;
    if (p < s.size() && s[p] == L'{') {
      // Skip the braced text, "}}" being a '}' inside it.
      size_t q = p + 1;
      for (;;) {
        const size_t close = s.find(L'}', q);
        if (close == std::wstring::npos) {
          q = s.size();
          break;
        }
        if (close + 1 < s.size() && s[close + 1] == L'}') {
          q = close + 2;
          continue;
        }
        q = close + 1;
        break;
      }
      searchFrom = q;
    }
    const size_t end = s.find(L';', searchFrom);
    part.ValueEnd = end == std::wstring::npos ? s.size() : end;
    parts.push_back(part);
    i = part.ValueEnd < s.size() ? part.ValueEnd + 1 : s.size();
  }
  return parts;
}

std::wstring ConnStringValue(const std::wstring& s, const std::wstring& key) {
  for (const ConnStringPart& part : ParseConnString(s)) {
    if (!platform::EqualsNoCase(part.Key, key)) continue;
    std::wstring value =
        platform::Trim(std::wstring_view(s).substr(part.ValueBegin, part.ValueEnd - part.ValueBegin));
    if (value.size() >= 2 && value.front() == L'{' && value.back() == L'}')
      value = platform::ReplaceAll(std::wstring_view(value).substr(1, value.size() - 2), L"}}", L"}");
    return value;
  }
  return std::wstring();
}

bool IsPasswordKey(const std::wstring& key) {
  return platform::EqualsNoCase(key, L"PWD") || platform::EqualsNoCase(key, L"Password");
}

namespace {

// `s` with each password value passed through `change` (given the key and the value as
// written), from the last attribute to the first so that earlier offsets stay valid.
template <typename Change>
std::wstring ReplacePasswordValues(const std::wstring& s, Change change) {
  std::wstring result = s;
  const std::vector<ConnStringPart> parts = ParseConnString(s);
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    if (!IsPasswordKey(it->Key)) continue;
    const std::wstring written = s.substr(it->ValueBegin, it->ValueEnd - it->ValueBegin);
    result.replace(it->ValueBegin, it->ValueEnd - it->ValueBegin, change(it->Key, written));
  }
  return result;
}

// The value as written of the first attribute named `key`; nullopt when there is none.
std::optional<std::wstring> WrittenValue(const std::wstring& s, const std::wstring& key) {
  for (const ConnStringPart& part : ParseConnString(s))
    if (platform::EqualsNoCase(part.Key, key))
      return s.substr(part.ValueBegin, part.ValueEnd - part.ValueBegin);
  return std::nullopt;
}

}  // namespace

std::wstring MaskPasswords(const std::wstring& s, const std::wstring& mask) {
  return ReplacePasswordValues(s, [&](const std::wstring&, const std::wstring& written) {
    // An empty password hides nothing, and showing it empty says that there is none.
    return platform::Trim(written).empty() ? written : mask;
  });
}

std::wstring UnmaskPasswords(const std::wstring& edited, const std::wstring& original,
                             const std::wstring& mask) {
  return ReplacePasswordValues(edited, [&](const std::wstring& key, const std::wstring& written) {
    if (written != mask) return written;
    return WrittenValue(original, key).value_or(written);
  });
}
