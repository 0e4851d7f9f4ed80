#include "parlemont/ReportTime.h"

#include "platform/Text.h"

namespace parlemont {

std::wstring FormatReportTime(const std::tm& t) {
  static const wchar_t* const kMonths[12] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                             L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  const wchar_t* month = t.tm_mon >= 0 && t.tm_mon < 12 ? kMonths[t.tm_mon] : L"???";
  return platform::Format(L"%02d-%ls-%d %02d:%02d:%02d", t.tm_mday, month, t.tm_year + 1900,
                          t.tm_hour, t.tm_min, t.tm_sec);
}

std::wstring ReportTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  if (now == static_cast<std::time_t>(-1) || !localtime_r(&now, &t)) return L"";
  return FormatReportTime(t);
}

}  // namespace parlemont
