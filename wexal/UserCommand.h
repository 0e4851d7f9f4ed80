#pragma once
// The command templates of the user-defined back end: a template is split into an argument
// vector first and the values are put into each argument afterwards, in one pass, so a value can
// neither add arguments nor bring placeholders or shell syntax of its own. A template for the
// shell gets references to environment variables in place of the placeholders instead of values.
#include <string>
#include <string_view>
#include <vector>

#include "wexal/WexalExport.h"

namespace wexal {

struct Placeholder {
  std::wstring name;      // as written in a template, "%USER%"
  std::wstring value;     // what the program gets
  std::wstring shown;     // what the log and error texts show instead (a masked password)
  std::wstring variable;  // the environment variable a shell command reads it from
  bool active = true;     // an inactive placeholder stays in the command as written
};

// Splits a command template: blanks separate arguments, double quotes group (and may join with
// unquoted text, as `a"b c"` gives one argument `ab c`; `""` gives an empty argument). Nothing
// else is special. False with `error` set when a quote is not closed.
WEXAL_EXPORT bool SplitCommandTemplate(std::wstring_view text, std::vector<std::wstring>& args,
                                       std::wstring& error);

// `text` with every active placeholder replaced by its value (or by its shown text).
WEXAL_EXPORT std::wstring FillPlaceholders(std::wstring_view text,
                                           const std::vector<Placeholder>& placeholders,
                                           bool shown);

// Shell text with every active placeholder replaced by a reference to its variable, quoted for
// the place it stands in (unquoted, inside double quotes, inside single quotes), so that the
// shell neither splits nor interprets the value.
WEXAL_EXPORT std::wstring ShellWithReferences(std::wstring_view text,
                                              const std::vector<Placeholder>& placeholders);

// The shell part of a template that asks for the command interpreter ("cmd.exe " and the shell
// command), or false when the template is an ordinary command.
WEXAL_EXPORT bool ShellCommandOf(std::wstring_view text, std::wstring& shellText);

}  // namespace wexal
