#pragma once
// Splits an SQL script into statements.
//
// A statement ends at a ';' or at a line that holds only GO (any case, blanks around), except
// inside '...' and "..." quotes, -- line comments, /* */ block comments and PostgreSQL dollar
// quotes ($$...$$, $tag$...$tag$). Quotes are doubled inside themselves ('it''s'), which needs no
// special case. A quote or comment that is never closed runs to the end of the text: nothing is
// lost and there is no error. The ';' and GO lines are not part of any statement; comments are
// kept; statements are trimmed and empty ones dropped.
#include <string>
#include <vector>

class CParse {
 public:
  // Fills Statements (replacing what it held) and returns their number. The int is reserved.
  int Parse(const std::wstring& text, int = 0);

  std::vector<std::wstring> Statements;
};
