#pragma once
// Macros in file names and paths. A macro is a name between two dollar signs; names are
// case-sensitive, and an unknown "$NAME$" stays in the text as it is.
//
// DateAndTimeMacros, from the local time at the call (one reading for the whole text):
//   $DATE$      YYYY-MM-DD
//   $TIME$      HH-MM-SS (dashes, so the result is a valid file name)
//   $DATETIME$  YYYYMMDD_HHMMSS
//   $YEAR$ (4 digits)  $MONTH$ $DAY$ $HOUR$ $MINUTE$ $SECOND$ (2 digits each)
//
// PathMacros:
//   $HOME$      the home folder
//   $PROGRAM$   the folder of the running program
//   $TEMP$      the temporary-files folder
//   $CONFIG$    the settings folder
//   $STATE$     the folder of logs and other state
//   $DATA$      the user's data folder ($XDG_DATA_HOME)
//   ~/          at the very start: the home folder
// Folders come without a trailing '/', so "$HOME$/file.txt" is written with its own separator.
#include <string>

// `a` and `b` are reserved and ignored.
std::wstring DateAndTimeMacros(const std::wstring& pattern, int a = 0, int b = 0);
std::wstring PathMacros(const std::wstring& path);
