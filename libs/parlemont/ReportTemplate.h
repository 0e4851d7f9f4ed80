#pragma once
// The page template: an HTML file holding the page head with placeholders and the place of the
// body. Placeholders are names of capital letters, digits and '_' between percent signs:
//   %TITLE% %LANGUAGE% %CHARSET% %AUTHOR% %DESCRIPTION%  always replaced ("" when not given)
//   %BODY%                                             the report content
//   any other %NAME%                                   replaced when a property of that name is set
// Without %BODY% the content goes just before </body>, or at the end.
#include <map>
#include <string>

namespace parlemont {

inline constexpr const wchar_t* kDefaultTemplate = L"head.htm";

// Where a template is looked for:
//   - an absolute name is taken as it is;
//   - otherwise first in the program folder (where the program ships "head.htm"), then in the
//     folder of the report file, so that a report can carry a template of its own.
// "" when there is none.
std::wstring FindTemplate(const std::wstring& name, const std::wstring& reportFile);

// `values` maps placeholder names without the percent signs to HTML-ready texts. Replacement is one
// pass over the template: a value that itself holds "%BODY%" stays as it is.
std::wstring MergeTemplate(const std::wstring& templateText,
                           const std::map<std::wstring, std::wstring>& values,
                           const std::wstring& body);

}  // namespace parlemont
