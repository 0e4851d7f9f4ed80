#include "synthor/generators/counters/CounterSupport.h"

#include "kavra/CDB.h"
#include "platform/Text.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/engine/PatternExcerpt.h"

namespace counters {

void ConstructionError::Report(std::wstring* errorText, int* errorCode) const {
  if (code == 0) return;
  if (errorText) *errorText = text;
  if (errorCode) *errorCode = code;
}

bool Evaluate(DSynthor* engine, const std::wstring& pattern, std::wstring* result,
              std::wstring* why) {
  DGValue v;
  const int ok = engine ? engine->Value(pattern, &v) : 0;
  if (result) *result = v.value;
  if (!ok && why) *why = engine ? engine->Error() : std::wstring();
  return ok != 0;
}

std::wstring Resolve(DSynthor* engine, const std::wstring& text, int code, const wchar_t* format,
                     ConstructionError* error) {
  if (text.empty() || text[0] != L'$') return text;
  std::wstring result, why;
  if (!Evaluate(engine, text, &result, &why) && error)
    error->Set(code, platform::Format(format, PatternExcerpt(text).c_str(), why.c_str()));
  return result;
}

std::wstring QuoteIdentifier(const CDB& db, const std::wstring& name) {
  return CDB_API::QuoteName(name, db.QuoteOpen, db.QuoteClose);
}

bool ColumnMax(CDB_API* connection, const std::wstring& table, const std::wstring& column,
               std::wstring* value, std::wstring* why) {
  if (!connection || !connection->Usable()) {
    *why = connection && !connection->LastError().empty() ? connection->LastError()
                                                          : L"There is no connection.";
    return false;
  }
  // max() of an empty table is one NULL row; "having" turns that into no row at all.
  const std::wstring maximum = L"max(" + connection->QuoteColumn(column) + L")";
  const std::wstring sql = L"select " + maximum + L" from " + connection->QuoteTable(table) +
                           L" having " + maximum + L" is not null";
  std::vector<std::wstring> values;
  if (connection->GetQuery(sql, &values) != 0) {
    *why = connection->LastError();
    return false;
  }
  if (values.empty() || values.front().empty()) {
    *why = L"The table holds no value.";
    return false;
  }
  *value = values.front();
  return true;
}

bool ReadStartText(DSynthor* engine, CDB_API* connection, const std::vector<std::wstring>* params,
                   const std::wstring& mask, const std::wstring& fallback, std::wstring* startText,
                   ConstructionError* error, int fromCall, const wchar_t* fromCallText,
                   int lastValue, const wchar_t* lastValueText) {
  const std::wstring& from = Param(params, 1);
  *startText = from.size() == mask.size() ? from : fallback;
  if (!from.empty() && from[0] == L'$') {
    std::wstring why;
    if (!Evaluate(engine, from, startText, &why))
      error->Set(fromCall,
                 platform::Format(fromCallText, PatternExcerpt(from).c_str(), why.c_str()));
    return false;
  }
  if (from.empty() || (from[0] >= L'0' && from[0] <= L'9')) return false;
  std::wstring value, why;
  if (!ColumnMax(connection, from, Param(params, 2), &value, &why))
    error->Set(lastValue, platform::Format(lastValueText, why.c_str()));
  else
    *startText = value;
  return true;
}

void ReadStepParams(DSynthor* engine, const std::vector<std::wstring>* params, std::size_t shift,
                    int stepCall, const wchar_t* stepCallText, int* step, wchar_t* unit,
                    std::wstring* border, Reuse* reuse, ConstructionError* error) {
  const std::wstring& stepText = Param(params, 2 + shift);
  if (!stepText.empty())
    *step = platform::ToInt(Resolve(engine, stepText, stepCall, stepCallText, error));
  const std::wstring& unitText = Param(params, 3 + shift);
  if (!unitText.empty()) *unit = unitText[0];
  *border = Param(params, 4 + shift);
  const std::wstring& reuseText = Param(params, 5 + shift);
  if (!reuseText.empty()) reuse->Set(platform::ToInt(reuseText));
}

}  // namespace counters
