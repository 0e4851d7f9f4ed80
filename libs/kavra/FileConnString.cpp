#include "kavra/FileConnString.h"

#include <map>

#include "platform/Text.h"

namespace kavra_files {

namespace {

// key (lower case, trimmed) -> value, the first of each key winning.
std::map<std::wstring, std::wstring> Pairs(const std::wstring& text) {
  std::map<std::wstring, std::wstring> pairs;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t eq = text.find(L'=', i);
    std::size_t semi = text.find(L';', i);
    if (eq == std::wstring::npos) break;
    if (semi != std::wstring::npos && semi < eq) {  // a part without '='
      i = semi + 1;
      continue;
    }
    const std::wstring key = platform::ToLower(platform::Trim(text.substr(i, eq - i)));
    std::size_t v = eq + 1;
    while (v < text.size() && text[v] == L' ') ++v;
    std::wstring value;
    if (v < text.size() && (text[v] == L'{' || text[v] == L'"')) {
      const wchar_t close = text[v] == L'{' ? L'}' : L'"';
      std::size_t j = v + 1;
      for (; j < text.size(); ++j) {
        if (text[j] == close) {
          if (j + 1 < text.size() && text[j + 1] == close) {  // doubled: one literal character
            value += close;
            ++j;
            continue;
          }
          break;
        }
        value += text[j];
      }
      i = text.find(L';', j);
      i = i == std::wstring::npos ? text.size() : i + 1;
    } else {
      std::size_t end = text.find(L';', v);
      if (end == std::wstring::npos) end = text.size();
      value = platform::Trim(text.substr(v, end - v));
      i = end + 1;
    }
    pairs.emplace(key, value);
  }
  return pairs;
}

bool Contains(const std::wstring& text, const std::wstring& lowerPart) {
  return platform::ToLower(text).find(lowerPart) != std::wstring::npos;
}

std::wstring Get(const std::map<std::wstring, std::wstring>& pairs, const wchar_t* key) {
  auto it = pairs.find(key);
  return it == pairs.end() ? std::wstring() : it->second;
}

}  // namespace

bool ParseFileConnString(const std::wstring& text, FileSource* out) {
  const auto pairs = Pairs(text);
  const std::wstring provider = Get(pairs, L"provider");
  const std::wstring driver = Get(pairs, L"driver");
  FileSource source;
  if (Contains(provider, L"jet.oledb") || Contains(provider, L"ace.oledb")) {
    source.path = Get(pairs, L"data source");
    const std::wstring props = platform::ToLower(Get(pairs, L"extended properties"));
    std::wstring compact;
    for (wchar_t c : props)
      if (c != L' ') compact += c;
    source.headerRow = compact.find(L"hdr=no") == std::wstring::npos;
  } else if (Contains(driver, L"access driver") || Contains(driver, L"excel driver") ||
             Contains(driver, L"*.mdb") || Contains(driver, L"*.xls")) {
    source.path = Get(pairs, L"dbq");
    source.headerRow = Get(pairs, L"firstrowhasnames") != L"0";
  } else {
    return false;
  }
  if (source.path.empty()) return false;
  source.readOnly = Get(pairs, L"readonly") == L"1";
  if (out) *out = std::move(source);
  return true;
}

}  // namespace kavra_files
