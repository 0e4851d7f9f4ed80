#pragma once
// Names for the cases of parameterised tests. ctest lists and selects tests by name, and
// "Syntax/CompilerErrors.ReportCodeAndText/12" does not say which case failed:
//   INSTANTIATE_TEST_SUITE_P(Syntax, CompilerErrors, ::testing::ValuesIn(kCases),
//                            testsupport::NameBy<&SyntaxCase::pattern>());
// gives "Syntax/CompilerErrors.ReportCodeAndText/12_rint_1_x".
#include <cstddef>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace testsupport {

// The case's number (names stay unique) and a readable form of `text`: ASCII letters and digits
// kept, every other run of characters one '_', at most 40 characters; "empty" or "symbols" when
// nothing readable is left.
std::string CaseName(std::size_t index, std::wstring_view text);

template <auto Member>
struct NameBy {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    const auto& text = info.param.*Member;
    return CaseName(info.index, text ? std::wstring_view(text) : std::wstring_view());
  }
};

}  // namespace testsupport
