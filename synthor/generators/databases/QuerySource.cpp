#include "synthor/generators/databases/QuerySource.h"

#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"

bool QuerySource::SetQuery(DSynthor* engine, const std::wstring& parameter, std::wstring* why) {
  text = parameter;
  pattern.clear();
  if (parameter.empty() || parameter[0] != L'$') return true;
  pattern = parameter;
  DGValue value;
  if (!engine || !engine->Value(pattern, &value)) {
    if (why) *why = engine ? engine->Error() : std::wstring();
    return false;
  }
  text = value.value;
  return true;
}

void QuerySource::Refresh(DSynthor* engine) {
  if (pattern.empty() || !engine) return;
  // The previous query stands in for a failed rendering, so that failure is no error of the value:
  // the engine's error goes back to what it was.
  const int code = engine->ErrorCode();
  const std::wstring error = engine->Error();
  DGValue value;
  if (engine->Value(pattern, &value))
    text = value.value;
  else
    engine->SetError(code, error);
}

CDB_API* QuerySource::Connection(const DSynthor* engine) const {
  if (own) return own.get();
  return engine ? engine->CurrentConnection() : nullptr;
}

void QuerySource::Loaded() {
  if (own && mode != kRerun) {
    own->Close();
    own.reset();
  }
}
