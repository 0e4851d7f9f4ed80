#include "testsupport/CaseNames.h"

namespace testsupport {

std::string CaseName(std::size_t index, std::wstring_view text) {
  constexpr std::size_t kMaxText = 40;
  std::string name = std::to_string(index);
  bool gap = true;  // the number is followed by one '_' before the text
  std::string readable;
  for (const wchar_t c : text) {
    const bool keep = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
    if (keep) {
      if (gap) readable += '_';
      readable += static_cast<char>(c);
      gap = false;
    } else {
      gap = true;
    }
    if (readable.size() >= kMaxText) break;
  }
  if (readable.empty()) readable = text.empty() ? "_empty" : "_symbols";
  return name + readable;
}

}  // namespace testsupport
