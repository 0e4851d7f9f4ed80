#pragma once
// The English three-letter month names that date masks (`MON`, `mon`) read and write. A constant
// table: nothing to build, nothing a thread could see half-made, and independent of the locale.
namespace month_names {

inline constexpr const wchar_t* kUpper[12] = {L"JAN", L"FEB", L"MAR", L"APR", L"MAY", L"JUN",
                                              L"JUL", L"AUG", L"SEP", L"OCT", L"NOV", L"DEC"};
inline constexpr const wchar_t* kLower[12] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                              L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};

// Month 1..12; a number outside that range is taken as the nearest month.
inline const wchar_t* Upper(int month) {
  return kUpper[month < 1 ? 0 : month > 12 ? 11 : month - 1];
}
inline const wchar_t* Lower(int month) {
  return kLower[month < 1 ? 0 : month > 12 ? 11 : month - 1];
}

}  // namespace month_names
