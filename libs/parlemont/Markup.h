#pragma once
// HTML that is ready to be written into a report page. Report texts are user data (statements,
// names, notes, paths), so the writer escapes every plain std::wstring it is given; a Markup is the
// one way to hand it HTML on purpose ("&nbsp;", a "<br>" inside a cell, a link).
// Markup::Escaped and EscapeAttribute are the program's one HTML escaper; XML documents are
// escaped by mervis/XmlWriter.h, whose references and refused characters differ.
#include <string>
#include <string_view>
#include <utility>

class Markup {
 public:
  Markup() = default;
  // Taken as it is: the caller vouches that `html` is well-formed HTML.
  explicit Markup(std::wstring html) : html_(std::move(html)) {}

  // Plain text made safe for element content: & < > " ' become references, line breaks become
  // <br>, and characters HTML cannot carry become U+FFFD.
  static Markup Escaped(std::wstring_view text);
  // <a href="href">text</a>, both escaped.
  static Markup Link(std::wstring_view href, std::wstring_view text);
  static Markup NonBreakingSpace() { return Markup(L"&nbsp;"); }

  Markup& operator+=(const Markup& other) {
    html_ += other.html_;
    return *this;
  }
  friend Markup operator+(Markup a, const Markup& b) { return a += b; }
  friend bool operator==(const Markup& a, const Markup& b) { return a.html_ == b.html_; }

  const std::wstring& Html() const { return html_; }
  bool empty() const { return html_.empty(); }

 private:
  std::wstring html_;
};

namespace parlemont {

// Text for an attribute value or a head placeholder: like Markup::Escaped, but line breaks become
// character references, since <br> has no meaning there.
std::wstring EscapeAttribute(std::wstring_view text);
// Characters no HTML document may contain: C0 controls other than TAB, LF and CR, DEL and the C1
// controls, surrogates, non-characters and anything above U+10FFFF.
bool AllowedInHtml(wchar_t c);

}  // namespace parlemont
