#include "parlemont/ReportTemplate.h"

#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace parlemont {
namespace {

const wchar_t* const kStandardPlaceholders[] = {L"TITLE", L"LANGUAGE", L"CHARSET", L"AUTHOR",
                                                L"DESCRIPTION"};

bool IsPlaceholderChar(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
}

}  // namespace

std::wstring FindTemplate(const std::wstring& name, const std::wstring& reportFile) {
  const std::wstring file = name.empty() ? std::wstring(kDefaultTemplate) : name;
  if (platform::StartsWith(file, L"/")) return platform::FileExists(file) ? file : L"";
  const std::wstring candidates[] = {
      platform::JoinPath(platform::ProgramFolder(), file),
      platform::JoinPath(platform::FolderPart(reportFile), file),
  };
  for (const std::wstring& candidate : candidates)
    if (platform::FileExists(candidate)) return candidate;
  return L"";
}

std::wstring MergeTemplate(const std::wstring& templateText,
                           const std::map<std::wstring, std::wstring>& values,
                           const std::wstring& body) {
  std::map<std::wstring, std::wstring> all = values;
  for (const wchar_t* name : kStandardPlaceholders) all.try_emplace(name);
  all[L"BODY"] = body;

  std::wstring out;
  out.reserve(templateText.size() + body.size() + 256);
  bool bodyPlaced = false;
  size_t i = 0;
  while (i < templateText.size()) {
    const size_t open = templateText.find(L'%', i);
    if (open == std::wstring::npos) break;
    size_t close = open + 1;
    while (close < templateText.size() && IsPlaceholderChar(templateText[close])) ++close;
    if (close < templateText.size() && templateText[close] == L'%' && close > open + 1) {
      auto it = all.find(templateText.substr(open + 1, close - open - 1));
      if (it != all.end()) {
        out.append(templateText, i, open - i);
        out += it->second;
        if (it->first == L"BODY") bodyPlaced = true;
        i = close + 1;
        continue;
      }
    }
    // Not a placeholder ("width: 100%;"): keep the percent sign and look on after it.
    out.append(templateText, i, open + 1 - i);
    i = open + 1;
  }
  if (i < templateText.size()) out.append(templateText, i);

  if (!bodyPlaced) {
    const size_t end = platform::ToLower(out).rfind(L"</body>");
    if (end == std::wstring::npos)
      out += body;
    else
      out.insert(end, body);
  }
  return out;
}

}  // namespace parlemont
