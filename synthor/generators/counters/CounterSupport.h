#pragma once
// What the counter generators ($inc, $incfloat, $incdate, $inctime, $incchar, $sequence) share:
// reading their parameters, evaluating "$" parameters once, asking a table for the largest value
// stored in a column, and handing out each value a number of times before advancing.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/GeneratorSupport.h"

class CDB;
class CDB_API;
class DSynthor;

namespace counters {

// Nested evaluations reset the engine's error, and the constructors write into the engine's own
// error pair, so a constructor collects its problem here and reports it once at the end.
struct ConstructionError {
  int code = 0;
  std::wstring text;
  void Set(int c, std::wstring t) {
    code = c;
    text = std::move(t);
  }
  void Report(std::wstring* errorText, int* errorCode) const;
};

// Renders `pattern` once; false with `why` set to the engine's error text when it fails. The
// result text (possibly empty) is stored either way.
bool Evaluate(DSynthor* engine, const std::wstring& pattern, std::wstring* result,
              std::wstring* why);

// `text` itself, or its value when it begins with "$". On a failed evaluation `error` gets `code`
// with `format` (a Format text of two %ls: the parameter, the engine's reason).
std::wstring Resolve(DSynthor* engine, const std::wstring& text, int code, const wchar_t* format,
                     ConstructionError* error);

// `name` as one identifier of the connection's SQL: between its own quote characters (" for
// most servers, ` or [ ] for others), a closing quote inside doubled. Names come from patterns,
// so nothing in one can end the identifier early.
SYNTHOR_API std::wstring QuoteIdentifier(const CDB& db, const std::wstring& name);

// The first value of `select max(column) from table`, both names quoted; false with `why` set
// when there is no connection, the statement fails or it gives no row or NULL.
bool ColumnMax(CDB_API* connection, const std::wstring& table, const std::wstring& column,
               std::wstring* value, std::wstring* why);

// The start text of $incdate and $inctime from parameter 1 (`from`): the parameter itself when it
// has the mask's length, else `fallback`; its value when it begins with "$" (failure: `fromCall`
// and `fromCallText`); or, when it names a table (it starts with neither "$" nor a digit), the
// largest value of the column in parameter 2 (failure: `lastValue` and `lastValueText`). Returns
// true in the table form, whose later parameters sit one place further on.
bool ReadStartText(DSynthor* engine, CDB_API* connection, const std::vector<std::wstring>* params,
                   const std::wstring& mask, const std::wstring& fallback, std::wstring* startText,
                   ConstructionError* error, int fromCall, const wchar_t* fromCallText,
                   int lastValue, const wchar_t* lastValueText);

struct Reuse;

// The parameters of $incdate and $inctime after their start, `shift` places further on in the
// table form: the step (its value when it begins with "$"; failure: `stepCall` and
// `stepCallText`), the unit (its first character), the border text (each counter reads it by its
// own mask) and the reuse count. An empty parameter leaves what its output holds.
void ReadStepParams(DSynthor* engine, const std::vector<std::wstring>* params, std::size_t shift,
                    int stepCall, const wchar_t* stepCallText, int* step, wchar_t* unit,
                    std::wstring* border, Reuse* reuse, ConstructionError* error);

// Hands out each value `count` times. A fresh or reset counter is at the end of a round, so the
// first call asks for a new value.
struct Reuse {
  int64_t count = 1;
  int64_t position = 1;
  void Set(int64_t c) { count = position = c; }
  void Restart() { position = count; }
  // True when the previous value is given again; otherwise a new round starts.
  bool Repeat() {
    if (count <= 1) return false;
    if (position < count) {
      ++position;
      return true;
    }
    position = 1;
    return false;
  }
};

}  // namespace counters
