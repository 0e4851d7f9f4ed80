#include "brunox/engine/project/ProjectFileCheck.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"

namespace {

// Text files hold no NUL and hardly any other control characters; an executable, an image or a
// UTF-16 file without its byte-order mark is full of them.
bool LooksBinary(const std::wstring& text) {
  const auto controls = std::count_if(text.begin(), text.end(), [](wchar_t c) {
    return c < L' ' && c != L'\t' && c != L'\r' && c != L'\n' && c != L'\f';
  });
  return text.find(L'\0') != std::wstring::npos || controls * 100 > static_cast<long>(text.size());
}

}  // namespace

std::wstring ProjectFileProblem(const std::wstring& path) {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(platform::NativePath(path)), ec) && !ec)
    return platform::Format(L"Project file '%ls' not found.", path.c_str());

  std::wstring text;
  std::wstring error;
  if (!platform::ReadUserTextFile(path, text, &error)) return error;
  if (platform::Trim(text, L" \t\r\n\f\uFEFF").empty())
    return platform::Format(L"'%ls' is not a project file: it is empty.", path.c_str());
  if (LooksBinary(text))
    return platform::Format(L"'%ls' is not a project file: it holds binary data.", path.c_str());
  // The same reader the loader uses decides what counts as a section.
  const CSysReg file(path, 0);
  if (!file.HasSection(L"Package"))
    return platform::Format(L"'%ls' is not a project file: it has no [Package] section.",
                            path.c_str());
  return {};
}
