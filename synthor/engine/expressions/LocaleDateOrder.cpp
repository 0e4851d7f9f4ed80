#include "synthor/engine/expressions/LocaleDateOrder.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <string_view>

namespace {

// The locale the environment chooses for dates, by the POSIX precedence.
std::string EnvironmentLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return {};
}

bool IsPlainCLocale(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || name.substr(0, 2) == "C.";
}

enum class Field { kNone, kDay, kMonth, kYear };

Field FieldOf(char conversion) {
  switch (conversion) {
    case 'd':
    case 'e':
      return Field::kDay;
    case 'm':
    case 'b':
    case 'B':
    case 'h':
    case 'D':
      return Field::kMonth;  // %D is %m/%d/%y
    case 'y':
    case 'Y':
    case 'C':
    case 'G':
    case 'g':
    case 'F':
      return Field::kYear;
    default:
      return Field::kNone;
  }
}

// The first date field a strftime format writes.
Field FirstField(std::string_view format) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    ++i;
    // Flags, a width and the E and O modifiers may stand between "%" and the conversion.
    while (i < format.size() &&
           std::string_view("_-0^#EO123456789").find(format[i]) != std::string_view::npos)
      ++i;
    if (i >= format.size()) break;
    const Field field = FieldOf(format[i]);
    if (field != Field::kNone) return field;
  }
  return Field::kNone;
}

}  // namespace

DateOrder DateOrderOfLocale(const std::string& name) {
  const std::string chosen = name.empty() ? EnvironmentLocaleName() : name;
  if (IsPlainCLocale(chosen)) return DateOrder::kDayFirst;
  const locale_t locale = newlocale(LC_TIME_MASK, chosen.c_str(), static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return DateOrder::kDayFirst;
  const char* format = nl_langinfo_l(D_FMT, locale);
  const Field first = FirstField(format ? format : "");
  freelocale(locale);
  return first == Field::kMonth ? DateOrder::kMonthFirst : DateOrder::kDayFirst;
}

DateOrder LocaleDateOrder() {
  static const DateOrder order = DateOrderOfLocale(std::string());
  return order;
}
