#include "synthor/engine/expressions/ExpressionLexer.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

const std::wstring& ExpressionLexer::Next() {
  if (pushedBack_) {
    pushedBack_ = false;
    return token_;
  }
  token_.clear();
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) return token_;
  const wchar_t c = text_[pos_];
  if (c == L'@') {
    Reference();
  } else if (c == L'$') {
    NestedCall();
  } else if (IsExpressionDigit(c)) {
    Number();
  } else if (c == L'\'') {
    Text();
  } else {
    Operator();
  }
  return token_;
}

void ExpressionLexer::Stop() {
  pos_ = text_.size();
  pushedBack_ = false;
  token_.clear();
}

void ExpressionLexer::Reference() {
  const std::size_t start = pos_++;
  if (pos_ < text_.size() && text_[pos_] == L'@') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == L'\'') {
    const std::size_t close = text_.find(L'\'', pos_ + 1);
    pos_ = close == std::wstring_view::npos ? text_.size() : close + 1;
  } else {
    while (pos_ < text_.size() && IsExpressionDigit(text_[pos_])) ++pos_;
  }
  token_.assign(text_.substr(start, pos_ - start));
}

void ExpressionLexer::NestedCall() {
  const std::size_t start = pos_;
  const std::size_t open = text_.find(L'(', pos_);
  pos_ = text_.size();
  if (open != std::wstring_view::npos) {
    int depth = 0;
    for (std::size_t p = open; p < text_.size(); ++p) {
      if (text_[p] == L'(') {
        ++depth;
      } else if (text_[p] == L')' && --depth == 0) {
        pos_ = p + 1;
        break;
      }
    }
  }
  token_.assign(text_.substr(start, pos_ - start));
}

void ExpressionLexer::Number() {
  const std::size_t start = pos_;
  const auto digits = [&] {
    while (pos_ < text_.size() && IsExpressionDigit(text_[pos_])) ++pos_;
  };
  digits();
  if (pos_ < text_.size() && text_[pos_] == L'.') {
    ++pos_;
    digits();
  }
  if (pos_ < text_.size() && (text_[pos_] == L'e' || text_[pos_] == L'E')) {
    ++pos_;
    if (pos_ < text_.size() && (text_[pos_] == L'+' || text_[pos_] == L'-')) ++pos_;
    digits();
  }
  token_.assign(text_.substr(start, pos_ - start));
}

void ExpressionLexer::Text() {
  const std::size_t start = pos_;
  const std::size_t close = text_.find(L'\'', pos_ + 1);
  pos_ = close == std::wstring_view::npos ? text_.size() : close + 1;
  token_.assign(text_.substr(start, pos_ - start));
}

void ExpressionLexer::Operator() {
  const wchar_t c = text_[pos_];
  const wchar_t next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : L'\0';
  std::size_t length = 1;
  if ((c == L'!' || c == L'<' || c == L'=' || c == L'>') && next == L'=') length = 2;
  if ((c == L'&' || c == L'|') && next == c) length = 2;
  token_.assign(text_.substr(pos_, length));
  pos_ += length;
}
