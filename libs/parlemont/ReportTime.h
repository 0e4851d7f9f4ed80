#pragma once
// The timestamp format of reports, "%d-%b-%Y %H:%M:%S" ("05-Mar-2024 14:02:07"), with English
// month names whatever the process locale.
#include <ctime>
#include <string>

namespace parlemont {

std::wstring FormatReportTime(const std::tm& local);
// The local time now; "" when the clock cannot be read.
std::wstring ReportTimeNow();

}  // namespace parlemont
