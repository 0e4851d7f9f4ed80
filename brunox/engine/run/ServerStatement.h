#pragma once
// Some servers refuse a statement that ends in ';': they get every statement without its trailing
// semicolons. A run and the task dialog's statement test both send through these, so that a test
// sends what a run sends.
#include <string>

#include "kavra/CDB.h"
#include "platform/Text.h"

// Whether the server behind `db` is one of those (a worker asks once, for its own connection).
inline bool RefusesTrailingSemicolon(const CDB& db) { return db.ServerProperty() == 3; }

// `text` as it is sent: `text` itself, or when `withoutSemicolon` a copy without its trailing
// semicolons, kept in `trimmed` (the result refers to one of the two).
inline const std::wstring& StatementToSend(const std::wstring& text, bool withoutSemicolon,
                                           std::wstring& trimmed) {
  if (!withoutSemicolon) return text;
  trimmed = platform::TrimRight(text, L";");
  return trimmed;
}

// One statement as the server behind `db` takes it.
inline std::wstring StatementForServer(const CDB& db, const std::wstring& text) {
  std::wstring trimmed;
  return StatementToSend(text, RefusesTrailingSemicolon(db), trimmed);
}
