#pragma once
// Safe printing of user-supplied printf-style formats. A format must hold exactly one conversion
// that fits the value: d i u x X o (optionally with I64, l, ll, h) for integers, f F e E g G
// (optionally with l) for numbers, s (optionally with l or h) for texts; flags "-+ #0", width and
// precision (digits only, no '*', at most 4096) are allowed, and "%%" prints a percent sign.
// Anything else is refused with a reason, never undefined behaviour.
// Integers are printed at their full 64 bits whatever length modifier is written. For texts,
// width and precision count characters, and the '0' flag pads with zeros.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::optional<std::wstring> FormatUserInteger(std::wstring_view format, long long value,
                                              std::wstring* error = nullptr);
std::optional<std::wstring> FormatUserNumber(std::wstring_view format, double value,
                                             std::wstring* error = nullptr);
std::optional<std::wstring> FormatUserText(std::wstring_view format, std::wstring_view value,
                                           std::wstring* error = nullptr);

}  // namespace platform
