#include "mervis/Macros.h"

#include <ctime>
#include <functional>
#include <optional>

#include "platform/Folders.h"
#include "platform/Text.h"

namespace {

using Lookup = std::function<std::optional<std::wstring>(std::wstring_view name)>;

std::wstring Expand(const std::wstring& text, const Lookup& lookup) {
  std::wstring out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find(L'$', pos);
    if (open == std::wstring::npos) break;
    const size_t close = text.find(L'$', open + 1);
    if (close == std::wstring::npos) break;
    out.append(text, pos, open - pos);
    if (auto value = lookup(std::wstring_view(text).substr(open + 1, close - open - 1))) {
      out += *value;
      pos = close + 1;
    } else {
      // The closing '$' may open the next macro: "$unknown$DATE$".
      out += L'$';
      pos = open + 1;
    }
  }
  out.append(text, pos, std::wstring::npos);
  return out;
}

std::wstring TwoDigits(int v) { return platform::Format(L"%02d", v); }

}  // namespace

std::wstring DateAndTimeMacros(const std::wstring& pattern, int, int) {
  if (pattern.find(L'$') == std::wstring::npos) return pattern;
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  const int year = t.tm_year + 1900;
  const int month = t.tm_mon + 1;
  return Expand(pattern, [&](std::wstring_view name) -> std::optional<std::wstring> {
    if (name == L"DATE") return platform::Format(L"%04d-%02d-%02d", year, month, t.tm_mday);
    if (name == L"TIME") return platform::Format(L"%02d-%02d-%02d", t.tm_hour, t.tm_min, t.tm_sec);
    if (name == L"DATETIME")
      return platform::Format(L"%04d%02d%02d_%02d%02d%02d", year, month, t.tm_mday, t.tm_hour,
                              t.tm_min, t.tm_sec);
    if (name == L"YEAR") return platform::Format(L"%04d", year);
    if (name == L"MONTH") return TwoDigits(month);
    if (name == L"DAY") return TwoDigits(t.tm_mday);
    if (name == L"HOUR") return TwoDigits(t.tm_hour);
    if (name == L"MINUTE") return TwoDigits(t.tm_min);
    if (name == L"SECOND") return TwoDigits(t.tm_sec);
    return std::nullopt;
  });
}

std::wstring PathMacros(const std::wstring& path) {
  std::wstring text = path;
  if (platform::StartsWith(text, L"~/")) text = platform::HomeFolder() + text.substr(1);
  if (text.find(L'$') == std::wstring::npos) return text;
  return Expand(text, [](std::wstring_view name) -> std::optional<std::wstring> {
    if (name == L"HOME") return platform::HomeFolder();
    if (name == L"PROGRAM") return platform::ProgramFolder();
    if (name == L"TEMP") return platform::TempFolder();
    if (name == L"CONFIG") return platform::ConfigFolder();
    if (name == L"STATE") return platform::StateFolder();
    if (name == L"DATA") return platform::DataHome();
    return std::nullopt;
  });
}
