#pragma once
// The query of `$query` and `$querygroup`: its text, or the pattern whose value is the text; the
// mode the values are handed out in; and the connection it runs on (the engine's current one, or
// the generator's own by DSN).
#include <memory>
#include <string>

#include "synthor/generators/base/CDB_API.h"

class DSynthor;

struct QuerySource {
  enum Mode { kRandom = 0, kSequential = 1, kRerun = 2 };

  // Takes `parameter` as the query; one that begins with "$" is a pattern, rendered now. False
  // with `why` set to the engine's error when the rendering fails.
  bool SetQuery(DSynthor* engine, const std::wstring& parameter, std::wstring* why);
  // Renders the pattern again; the previous text stays when that fails.
  void Refresh(DSynthor* engine);
  // The connection the query runs on.
  CDB_API* Connection(const DSynthor* engine) const;
  // After loading: an own connection is kept only for the re-runs of mode kRerun.
  void Loaded();

  std::wstring text;
  std::wstring pattern;  // empty when the query was given as text
  int mode = kRandom;
  std::unique_ptr<CDB_API> own;
};
