#include "synthor/engine/expressions/ExpressionOperand.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Text.h"
#include "synthor/engine/MaskStatic.h"
#include "synthor/engine/MonthNames.h"

namespace expression_operand {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

std::size_t LeadingDigits(std::wstring_view s) {
  std::size_t n = 0;
  while (n < s.size() && IsDigit(s[n])) ++n;
  return n;
}

// Whether a text reads as a number at all: after blanks and signs, a digit (or ".digit").
bool LooksNumeric(std::wstring_view s) {
  const std::size_t start = s.find_first_not_of(L" \t-+");
  if (start == std::wstring_view::npos) return false;
  const std::wstring_view rest = s.substr(start);
  if (IsDigit(rest[0])) return true;
  return rest[0] == L'.' && rest.size() > 1 && IsDigit(rest[1]);
}

// The leading integer of `s` as _wtoi64 reads it (blanks, a sign, digits; 0 without digits);
// false when the digits go past the 64-bit limits, where it saturates.
bool LeadingInt64(std::wstring_view s, int64_t* value) {
  *value = platform::ToInt64(s);
  if (*value != INT64_MAX && *value != INT64_MIN) return true;
  // A limit read exactly, or digits beyond it: the strict reading of the same digits tells.
  std::size_t end = std::min(s.find_first_not_of(L" \t\n\v\f\r"), s.size());
  if (end < s.size() && (s[end] == L'+' || s[end] == L'-')) ++end;
  end += LeadingDigits(s.substr(end));
  long long exact = 0;
  return platform::ParseInt64(s.substr(0, end), exact);
}

bool Has(const std::wstring& s, std::wstring_view token) {
  return s.find(token) != std::wstring::npos;
}

bool HasDateField(const std::wstring& format) { return Has(format, L"YY"); }

bool HasAnyField(const std::wstring& format) {
  return HasDateField(format) || Has(format, L"HH") || Has(format, L"MM") || Has(format, L"mm") ||
         Has(format, L"SS") || Has(format, L"DD") || Has(format, L"MON") || Has(format, L"mon");
}

// Two occurrences of `c`, the first not at the start.
bool HasTwo(const std::wstring& s, wchar_t c) {
  const std::size_t first = s.find(c);
  return first != std::wstring::npos && first > 0 && s.find(c, first + 1) != std::wstring::npos;
}

std::wstring PadOneDigit(const std::wstring& part) {
  return LeadingDigits(part) == 1 ? L"0" + part : part;
}

// Works out the mask of a date written as three parts joined by `separator`; pads one-digit day
// and month parts so that the fields stand where the mask says. `text` is normalised in place.
std::wstring DateMask(std::wstring& text, wchar_t separator, DateOrder order) {
  const std::size_t s1 = text.find(separator);
  const std::size_t s2 = text.find(separator, s1 + 1);
  std::wstring p1 = text.substr(0, s1);
  std::wstring p2 = text.substr(s1 + 1, s2 - s1 - 1);
  std::wstring p3 = text.substr(s2 + 1);
  const std::wstring sep(1, separator);
  const bool monthName = !p2.empty() && IsLetter(p2[0]);
  const std::wstring month = !monthName                         ? L"MM"
                             : (p2[0] >= L'A' && p2[0] <= L'Z') ? L"MON"
                                                                : L"mon";
  std::wstring mask;
  if (LeadingDigits(p1) > 2) {
    p2 = PadOneDigit(p2);
    p3 = PadOneDigit(p3);
    mask = L"YYYY" + sep + month + sep + L"DD";
  } else {
    p1 = PadOneDigit(p1);
    p2 = PadOneDigit(p2);
    const std::wstring year = LeadingDigits(p3) > 2 ? L"YYYY" : L"YY";
    // The locale's order, unless the part it takes for the month is above 12: that is the day.
    bool monthFirst = false;
    if (!monthName) {
      monthFirst =
          order == DateOrder::kMonthFirst ? platform::ToInt(p1) <= 12 : platform::ToInt(p2) > 12;
    }
    if (monthFirst)
      mask = L"MM" + sep + L"DD" + sep + year;
    else
      mask = L"DD" + sep + month + sep + year;
  }
  text = p1 + sep + p2 + sep + p3;
  return mask;
}

// The mask a value without a format is read by; empty for a plain literal.
std::wstring GuessMask(std::wstring& text, DateOrder order) {
  if (text.empty() || !IsDigit(text[0])) return {};
  for (const wchar_t separator : {L'/', L'-', L'.'}) {
    if (HasTwo(text, separator)) return DateMask(text, separator, order);
  }
  if (text.find(L':') != std::wstring::npos) {
    if (LeadingDigits(text) == 1) text.insert(0, 1, L'0');
    return text.size() > 5 ? L"HH:MM:SS" : L"HH:MM";
  }
  return {};
}

bool MonthByName(const std::wstring& mask) { return Has(mask, L"MON") || Has(mask, L"mon"); }

// In a date-time mask "MM" may stand for the month and for the minute. The month is the first
// "MM" unless the month is written by name; each field is read with the other one hidden.
std::wstring Hidden(const std::wstring& mask, std::size_t at) {
  std::wstring hidden = mask;
  if (at != std::wstring::npos) hidden.replace(at, 2, L"__");
  return hidden;
}

std::wstring DateMaskOf(const std::wstring& mask) {
  return MonthByName(mask) ? Hidden(mask, mask.find(L"MM")) : mask;
}

std::wstring TimeMaskOf(const std::wstring& mask) {
  if (Has(mask, L"mm") || MonthByName(mask)) return mask;
  const std::size_t month = mask.find(L"MM");
  if (month == std::wstring::npos || mask.find(L"MM", month + 2) == std::wstring::npos) return mask;
  return Hidden(mask, month);
}

void ReplaceFirst(std::wstring& s, std::wstring_view token, const std::wstring& by) {
  const std::size_t at = s.find(token);
  if (at != std::wstring::npos) s.replace(at, token.size(), by);
}

std::wstring Digits(int value, int width) {
  return platform::Format(width == 2 ? L"%02d" : width == 3 ? L"%03d" : L"%04d", value);
}

void RenderDate(std::wstring& s, const ExpOperand& op) {
  if (op.fourDigitYear)
    ReplaceFirst(s, L"YYYY", Digits(op.year, 4));
  else
    ReplaceFirst(s, L"YY", Digits((op.year % 100 + 100) % 100, 2));
  if (!MonthByName(s)) {
    ReplaceFirst(s, L"MM", Digits(op.month, 2));
  } else if (op.month >= 1 && op.month <= 12) {
    ReplaceFirst(s, L"MON", month_names::Upper(op.month));
    ReplaceFirst(s, L"mon", month_names::Lower(op.month));
  }
  ReplaceFirst(s, L"DD", Digits(op.day, 2));
}

void RenderTime(std::wstring& s, const ExpOperand& op) {
  ReplaceFirst(s, L"HH", Digits(op.hour, 2));
  ReplaceFirst(s, L"MM", Digits(op.minute, 2));
  ReplaceFirst(s, L"mm", Digits(op.minute, 2));
  ReplaceFirst(s, L"SS", Digits(op.second, 2));
  ReplaceFirst(s, L"sss", Digits(op.millisecond, 3));
}

}  // namespace

bool FromLiteralInto(std::wstring_view token, ExpOperand* op) {
  op->kind = ExpOperand::kInt;
  op->intValue = 0;
  op->day = op->month = op->year = 0;
  op->hour = op->minute = op->second = op->millisecond = 0;
  op->doubleValue = 0.0;
  op->fourDigitYear = 0;
  op->format.clear();
  if (token.size() > 1 && token.front() == L'\'' && token.back() == L'\'') {
    op->kind = ExpOperand::kString;
    op->text.assign(token.substr(1, token.size() - 2));
    op->intValue = platform::ToInt64(op->text);
    op->doubleValue = platform::ToDouble(op->text);
    return true;
  }
  op->text.assign(token);
  if (token.empty()) return true;
  // A word is a string even when it holds an "e" or a ".": it must not turn into the number 0.
  if (!LooksNumeric(token)) {
    op->kind = ExpOperand::kString;
    return true;
  }
  if (token.find_first_of(L".eE") == std::wstring_view::npos)
    return LeadingInt64(token, &op->intValue);
  op->kind = ExpOperand::kDouble;
  op->doubleValue = platform::ToDouble(token);
  return true;
}

ExpOperand FromLiteral(const std::wstring& token) {
  ExpOperand op;
  FromLiteralInto(token, &op);
  return op;
}

ExpOperand FromValue(const std::wstring& value, const std::wstring& format, DateOrder order) {
  std::wstring mask = format;
  // A printf format, or a text without any field, says nothing about dates and times.
  if (!mask.empty() && (mask[0] == L'%' || !HasAnyField(mask))) mask.clear();
  std::wstring text = value;
  if (mask.empty()) {
    mask = GuessMask(text, order);
    if (mask.empty()) return FromLiteral(value);
  }
  ExpOperand op;
  if (!HasDateField(mask)) {
    op.kind = ExpOperand::kTime;
    MaskStatic::ScanTime(text, mask, &op.hour, &op.minute, &op.second, &op.millisecond);
  } else {
    op.kind = ExpOperand::kDate;
    op.fourDigitYear = MaskStatic::ScanDate(text, DateMaskOf(mask), &op.day, &op.month, &op.year);
    if (Has(mask, L"HH") || text.size() >= 12) {
      op.kind = ExpOperand::kDateTime;
      if (!Has(mask, L"HH")) mask += HasTwo(text, L':') ? L" HH:mm:SS" : L" HH:mm";
      MaskStatic::ScanTime(text, TimeMaskOf(mask), &op.hour, &op.minute, &op.second,
                           &op.millisecond);
    }
  }
  op.format = mask;
  op.text = text;
  return op;
}

void FromValueInto(const std::wstring& value, const std::wstring& format, DateOrder order,
                   ExpOperand* op) {
  // Most nested values are numbers without a telling format: read straight as literals. The test
  // mirrors FromValue: no format worth reading, and nothing GuessMask would take for a date or a
  // time.
  const bool formatSaysNothing = format.empty() || format[0] == L'%' || !HasAnyField(format);
  // The commonest of all, a short run of digits, is read in one pass: an int whatever the rest
  // of the classification would look at. Eighteen digits always fit.
  if (formatSaysNothing && !value.empty() && value.size() <= 18 &&
      LeadingDigits(value) == value.size()) {
    int64_t number = 0;
    for (const wchar_t c : value) number = number * 10 + (c - L'0');
    op->kind = ExpOperand::kInt;
    op->intValue = number;
    op->day = op->month = op->year = 0;
    op->hour = op->minute = op->second = op->millisecond = 0;
    op->doubleValue = 0.0;
    op->fourDigitYear = 0;
    op->format.clear();
    op->text.assign(value);
    return;
  }
  const bool looksPlain = value.empty() || !IsDigit(value[0]) ||
                          (!HasTwo(value, L'/') && !HasTwo(value, L'-') && !HasTwo(value, L'.') &&
                           value.find(L':') == std::wstring::npos);
  if (formatSaysNothing && looksPlain) {
    // Data may hold digits past 64 bits (an account number, say): such a value keeps its text for
    // the strings it is joined to and takes part in arithmetic as the floating-point number it
    // is, rather than failing the whole pattern. A number written in the expression itself is
    // refused instead (ExpressionParser).
    if (!FromLiteralInto(value, op)) {
      op->kind = ExpOperand::kDouble;
      op->intValue = 0;
      op->doubleValue = platform::ToDouble(value);
    }
    return;
  }
  *op = FromValue(value, format, order);
}

void RenderInto(const ExpOperand& op, std::wstring* out) {
  switch (op.kind) {
    case ExpOperand::kInt:
      out->assign(IntText(op.intValue).View());
      return;
    case ExpOperand::kDouble:
      *out = platform::FormatGeneral(op.doubleValue);
      return;
    case ExpOperand::kDate:
      *out = op.format;
      RenderDate(*out, op);
      return;
    case ExpOperand::kTime:
      *out = op.format;
      RenderTime(*out, op);
      return;
    case ExpOperand::kDateTime:
      *out = op.format;
      RenderDate(*out, op);
      RenderTime(*out, op);
      return;
    default:
      if (out != &op.text) *out = op.text;
      return;
  }
}

std::wstring Render(const ExpOperand& op) {
  std::wstring s;
  RenderInto(op, &s);
  return s;
}

}  // namespace expression_operand
