#pragma once
// Section and key names of ini files match without regard to ASCII case only: folding other
// letters too would make two names that the file keeps apart collide.
#include <string>
#include <string_view>

namespace mervis {

inline std::wstring FoldAsciiCase(std::wstring_view name) {
  std::wstring folded(name);
  for (wchar_t& c : folded)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return folded;
}

}  // namespace mervis
