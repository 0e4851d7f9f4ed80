#pragma once
// Growable text for values assembled piece by piece in hot loops: the buffer keeps its capacity
// across Reset(), so a builder reused per row allocates only while its texts still grow.
#include <cstddef>
#include <string>
#include <string_view>

class StringBuilder {
 public:
  explicit StringBuilder(std::size_t capacity = 256) { text_.reserve(capacity); }

  void Set(std::wstring_view text) { text_.assign(text); }
  // `length` characters of `text` (which may be null when `length` is 0).
  void Append(const wchar_t* text, std::size_t length) {
    if (text && length) text_.append(text, length);
  }
  void Append(std::wstring_view text) { text_.append(text); }
  void Append(wchar_t c) { text_ += c; }

  const std::wstring& Get() const { return text_; }
  std::size_t GetLength() const { return text_.size(); }
  void Reset() { text_.clear(); }

 private:
  std::wstring text_;
};
