#pragma once
// A number written as characters on the stack, ready to be appended to a value: rendering a
// number then costs no allocation when the value's buffer has room. Locale-independent
// (std::to_chars), with the texts printf gives for "%lld" and, for finite numbers, "%.*f".
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>

class NumberChars {
 public:
  static NumberChars Decimal(long long value) {
    NumberChars n;
    n.size_ = static_cast<std::size_t>(std::to_chars(n.text_, n.text_ + kCapacity, value).ptr -
                                       n.text_);
    return n;
  }

  // False for infinities and NaN (their printf spellings vary) and for more than kMaxDecimals.
  static bool Fixed(double value, int decimals, NumberChars* n) {
    if (!std::isfinite(value) || decimals < 0 || decimals > kMaxDecimals) return false;
    const auto result = std::to_chars(n->text_, n->text_ + kCapacity, value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return false;
    n->size_ = static_cast<std::size_t>(result.ptr - n->text_);
    return true;
  }

  std::size_t size() const { return size_; }
  // Widened character by character: the iterator forms of append and assign would build a
  // temporary string first.
  void AppendTo(std::wstring& out) const {
    const std::size_t start = out.size();
    out.resize(start + size_);
    for (std::size_t i = 0; i < size_; ++i) out[start + i] = static_cast<wchar_t>(text_[i]);
  }
  void AssignTo(std::wstring& out) const {
    out.clear();
    AppendTo(out);
  }

  static constexpr int kMaxDecimals = 17;

 private:
  // The longest fixed text: sign, 309 integer digits, the point and the decimals.
  static constexpr std::size_t kCapacity = 1 + 309 + 1 + kMaxDecimals + 8;
  char text_[kCapacity];
  std::size_t size_ = 0;
};
