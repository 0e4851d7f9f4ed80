#pragma once
// The one way a text goes into an SQL statement as a value: a string literal in single quotes
// with every quote doubled. Backslashes need nothing: the servers the program talks to take them
// literally in such a literal (PostgreSQL with standard_conforming_strings, its default).
#include <string>
#include <string_view>

std::wstring SqlStringLiteral(std::wstring_view text);
