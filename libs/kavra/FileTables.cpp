#include "kavra/FileTables.h"

#include <cmath>
#include <cstdio>

namespace kavra_files {

namespace {

// Per cell beyond its text: the cell record itself and SQLite's share of the row.
constexpr std::size_t kCellOverhead = sizeof(Cell) + 16;

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(long long z, long long* y, unsigned* m, unsigned* d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<long long>(yoe) + era * 400 + (*m <= 2 ? 1 : 0);
}

std::string PlainNumber(double value) {
  Cell c;
  SetNumber(&c, value);
  if (c.kind == Cell::kInteger) return std::to_string(c.integer);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

// Letters of a format code that count, with quoted text, escapes and [..] tags removed; an
// elapsed-time tag ([h], [mm], [ss]) is kept as its letter.
std::string FormatLetters(const std::string& code) {
  std::string out;
  for (std::size_t i = 0; i < code.size(); ++i) {
    char c = code[i];
    if (c == '"') {
      std::size_t end = code.find('"', i + 1);
      if (end == std::string::npos) break;
      i = end;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is literal or padding
    } else if (c == '[') {
      std::size_t end = code.find(']', i + 1);
      if (end == std::string::npos) break;
      std::string tag = code.substr(i + 1, end - i - 1);
      if (!tag.empty() && tag.find_first_not_of("hHmMsS") == std::string::npos)
        out += static_cast<char>(tag[0] | 0x20);
      i = end;
    } else {
      out += static_cast<char>((c >= 'A' && c <= 'Z') ? c | 0x20 : c);
    }
  }
  return out;
}

}  // namespace

void LoadBudget::AddCell(std::size_t textBytes) {
  used_ += textBytes + kCellOverhead;
  if (used_ > limit_)
    throw ReadError(
        ReadError::kTooLarge,
        "its cells need more than " + std::to_string(limit_ / (1024 * 1024)) + " MiB of memory");
}

void SetNumber(Cell* cell, double value) {
  // 2^63 itself is out of range; every double below it in magnitude converts exactly.
  if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 9.2e18) {
    cell->kind = Cell::kInteger;
    cell->integer = static_cast<std::int64_t>(value);
  } else {
    cell->kind = Cell::kReal;
    cell->real = value;
  }
}

std::string DateText(double serial, bool date1904, bool timeOnly) {
  if (date1904) serial += 1462;
  if (!std::isfinite(serial) || serial < 0 || serial >= 2958466) return PlainNumber(serial);
  long long day = static_cast<long long>(std::floor(serial));
  long long seconds = std::llround((serial - static_cast<double>(day)) * 86400.0);
  if (seconds >= 86400) {
    ++day;
    seconds -= 86400;
  }
  char time[64];
  std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  if (timeOnly || day == 0) return time;

  long long y;
  unsigned m, d;
  if (day == 60) {
    y = 1900, m = 2, d = 29;  // the day the 1900 system counts but the calendar does not have
  } else {
    // Serial 61 is 1900-03-01; below 60 the serials run one day ahead of the calendar.
    const long long unixDays = day - 25569 + (day < 60 ? 1 : 0);
    CivilFromDays(unixDays, &y, &m, &d);
  }
  char date[128];
  if (seconds == 0)
    std::snprintf(date, sizeof date, "%04lld-%02u-%02u", y, m, d);
  else
    std::snprintf(date, sizeof date, "%04lld-%02u-%02u %s", y, m, d, time);
  return date;
}

bool IsDateFormatId(int id) { return (id >= 14 && id <= 22) || (id >= 45 && id <= 47); }

bool IsTimeOnlyFormatId(int id) { return (id >= 18 && id <= 21) || (id >= 45 && id <= 47); }

bool IsDateFormatCode(const std::string& code) {
  return FormatLetters(code).find_first_of("dmyhs") != std::string::npos;
}

bool IsTimeOnlyFormatCode(const std::string& code) {
  const std::string letters = FormatLetters(code);
  return letters.find_first_of("hs") != std::string::npos &&
         letters.find_first_of("dy") == std::string::npos;
}

}  // namespace kavra_files
