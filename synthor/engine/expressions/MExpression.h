#pragma once
// The evaluator of the small expressions in value patterns (`$$(...)`, the condition of `$if`).
//
//   expr   = term { ("+" | "-" | "==" | "=" | "!=" | "!" | "<" | ">" | "<=" | ">=") term }
//   term   = factor { ("*" | "/" | "&&" | "&" | "||" | "|") factor }
//   factor = "(" expr ")" | number | 'text' | "-" literal | "+" literal
//          | "$name(...)" | "@n" | "@'name'" | "@@..."
//
// Only two precedence levels exist and both are evaluated left to right, so comparisons share
// their level with addition: `1 < 2 + 5` is `(1 < 2) + 5`, which is 6. Nested calls and column
// references are evaluated through the engine; their values are read as dates (by the format they
// carry, or by their look, day and month in the order of the user's locale: LocaleDateOrder.h),
// times, date-times, numbers or texts. A nested call whose pattern is a
// single plain integer (`$rint`) hands its number over without writing it as text
// (DSynthor::NumberOrValue); the operand is the one its text would have given.
//
// The evaluator never throws and never stops at the first error: the parse goes on and the last
// error set wins. Errors (code, text):
//   80  "Expression: factor error: expect ')'"
//   81  "Expression: Factor error: expect value instead of '%s'"
//   82  "Expression: could not evaluate nested call '%s': %s"
//   83  "Expression: unexpected empty factor"
//   84  "Expression: unexpected operation ot token '%s'"
//   85  "Expression: parentheses nest deeper than 64 levels."
//   86  "Expression: division by zero in '%s'" (the expression)
//   87  "Expression: integer overflow in '%s'" (the expression)
// Code 85 is a limit of this evaluator, not of the language: deeper parentheses would only exhaust
// the stack. It ends the evaluation at once (the rest of the text is not read), so it is always
// the error reported.
//
// Integers are signed 64-bit, as the counters and `$rint` are. An integer that does not fit (a
// literal written in the expression, or the result of + - * /) fails the evaluation with code 87,
// and a division by zero, of ints or of floating-point numbers, with code 86, rather than give a
// number that looks right and is not. A value read from a nested call or a reference whose digits
// pass 64 bits keeps its text and counts as the floating-point number it is. A text's number
// value is read like _wtoi64 (saturated), and a count of days or seconds added to a date or time
// moves it at most to the calendar's bounds (ExpressionDates.h). Dates follow the real calendar
// (leap years included). Numbers are read and written with '.' as the decimal point whatever the
// process locale.
//
// An expression text can be compiled once into an ExpressionProgram and evaluated many times
// (Evaluate); calc compiles the text and evaluates it in one go. Both give the same values and
// errors.
//
// One evaluator serves one engine's thread. It keeps its operand stack between evaluations so
// that they allocate nothing; a nested call that evaluates another expression through the same
// evaluator meanwhile gets a stack of its own, so it is harmless.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/DGValue.h"
#include "synthor/engine/SynthorExport.h"

class DSynthor;
class ExpressionMachine;
class ExpressionProgram;

// One value of an expression. A new operand is the integer 0.
struct SYNTHOR_API ExpOperand {
  enum Kind { kInt = 0, kDouble = 1, kDate = 2, kTime = 3, kString = 4, kDateTime = 5 };

  int kind = kInt;
  int64_t intValue = 0;
  int day = 0, month = 0, year = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  double doubleValue = 0.0;
  int fourDigitYear = 0;
  std::wstring format;  // the mask a date, time or date-time is written with
  std::wstring text;    // the source text; the value of a string
};

// A column of a row assigned to the evaluator for FieldValue: its name and type code (9 and 11
// are the date and timestamp codes whose values carry the row's format text).
struct SYNTHOR_API ExpressionField {
  std::wstring name;
  int type = 0;
};

class SYNTHOR_API MExpression {
 public:
  static constexpr int MY_STACK_SIZE = 128;  // operands held at most: one less than this
  static constexpr int kMaxParentheses = 64;

  static constexpr int kErrorCloseParenthesis = 80;
  static constexpr int kErrorExpectValue = 81;
  static constexpr int kErrorNestedCall = 82;
  static constexpr int kErrorEmptyFactor = 83;
  static constexpr int kErrorUnexpectedToken = 84;
  static constexpr int kErrorTooDeep = 85;
  static constexpr int kErrorDivisionByZero = 86;
  static constexpr int kErrorIntegerOverflow = 87;

  MExpression();
  explicit MExpression(DSynthor* engine);
  virtual ~MExpression();
  MExpression(const MExpression&) = delete;
  MExpression& operator=(const MExpression&) = delete;

  // Evaluates `text` (null is the empty text). `engine` (when not null) becomes the engine that
  // nested calls and references go through; without any engine they push nothing. The value's
  // text is the rendered result and its format the result's format. On an error the engine (when
  // given) receives the code and text too. Success is ErrorCode() == 0.
  DGValue calc(const wchar_t* text, DSynthor* engine);
  DGValue calc(const std::wstring& text, DSynthor* engine) { return calc(text.c_str(), engine); }
  // Evaluates a compiled expression as calc evaluates its text; the value's text and format are
  // written into `value` (its memory reused).
  void Evaluate(ExpressionProgram& program, DSynthor* engine, DGValue* value);
  // Evaluate for a pattern item: the value's text is appended to `out` (within the value-length
  // limit of `engine`, which must not be null) and `out` takes the result's format. 0 on an
  // expression error or when the text does not fit (the engine holds the error), `out` untouched.
  int EvaluateAppending(ExpressionProgram& program, DSynthor* engine, DGValue* out);

  int ErrorCode() const { return errorCode_; }
  const std::wstring& ErrorText() const { return errorText_; }

  // A row for FieldValue; none of the pointers is owned, all stay valid until the next Assign.
  void Assign(std::wstring* fieldText, const std::vector<ExpressionField>* fields,
              std::vector<std::wstring>* values);
  // The value of the assigned row's column named by `reference` ("@'name'"); "" when there is no
  // such column. `format` (may be null) becomes the field text for date and timestamp columns,
  // else empty.
  std::wstring FieldValue(const wchar_t* reference, std::wstring* format) const;

 private:
  int errorCode_ = 0;
  std::wstring errorText_;
  std::wstring* fieldText_ = nullptr;
  const std::vector<ExpressionField>* fields_ = nullptr;
  std::vector<std::wstring>* values_ = nullptr;
  // Runs `program` and hands the result operand (valid only during the call) to `use`.
  template <class Use>
  void Run(ExpressionProgram& program, DSynthor* engine, Use use);

  DSynthor* engine_ = nullptr;
  std::unique_ptr<ExpressionMachine> machine_;  // made on first use
  std::wstring rendering_;                      // EvaluateAppending's text of a result
  bool running_ = false;                        // machine_ is in use by an evaluation
};
