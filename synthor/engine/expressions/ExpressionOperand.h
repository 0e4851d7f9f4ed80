#pragma once
// Making expression operands from texts and writing them back as text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "synthor/engine/expressions/LocaleDateOrder.h"
#include "synthor/engine/expressions/MExpression.h"

namespace expression_operand {

// The decimal text of an int as "%lld" writes it, built backwards in place: the commonest result
// goes into a value without a narrow text in between.
class IntText {
 public:
  explicit IntText(int64_t value) {
    // The magnitude in unsigned arithmetic, so that INT64_MIN has one too.
    uint64_t magnitude =
        value < 0 ? 0u - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
      text_[--start_] = static_cast<wchar_t>(L'0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) text_[--start_] = L'-';
  }
  std::wstring_view View() const { return {text_ + start_, kCapacity - start_}; }

 private:
  static constexpr std::size_t kCapacity = 20;  // "-9223372036854775808"
  wchar_t text_[kCapacity];
  std::size_t start_ = kCapacity;
};

// A literal token: 'text' (a string whose number values are its inside read as numbers, the int
// one saturated like _wtoi64), a 64-bit integer (no ".", "e" or "E"; a text that does not start
// with a digit is a string), else a double.
ExpOperand FromLiteral(const std::wstring& token);
// The same into `op`, which is reset first; its texts keep their memory. False when the token is
// an integer whose digits do not fit in 64 bits (its value is then saturated).
bool FromLiteralInto(std::wstring_view token, ExpOperand* op);

// A value that a nested call or a column reference gave, with the format it carries. The format
// says how to read a date, time or date-time; a printf format, or one without any date or time
// field, says nothing. Without a format the value's look decides: three parts joined by ".", "-"
// or "/" are a date, possibly followed by a time: year first when the first part has more than
// two digits; else day and month in `order`, except that a part above 12 where the order puts
// the month is the day (25/12/2001 and 12/25/2001 are read alike), and a month name in place of
// the second part makes it the month. "h:m" or "h:m:s" is a time (a one-digit hour is padded);
// anything else is a literal.
SYNTHOR_API ExpOperand FromValue(const std::wstring& value, const std::wstring& format,
                                 DateOrder order);
// The same into `op`; a value that reads as a plain literal costs no allocation. An integer too
// wide for 64 bits is a double that keeps its text.
void FromValueInto(const std::wstring& value, const std::wstring& format, DateOrder order,
                   ExpOperand* op);

// The operand's value as text: "%lld", "%g", the text, or the format with the date and time fields
// filled in.
std::wstring Render(const ExpOperand& operand);
// The same into `out` (which may be the operand's own text), reusing its memory.
void RenderInto(const ExpOperand& operand, std::wstring* out);

}  // namespace expression_operand
