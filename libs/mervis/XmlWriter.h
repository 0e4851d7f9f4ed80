#pragma once
// The XML writer of the utilities: XML text to a file, UTF-8. Elements are written as they are
// opened and closed; child elements go on lines of their own, indented, while text stays inline
// so that mixed content keeps its exact spacing.
//
// Its two escapers are the one way this program makes text safe for XML (data converted to XML
// by patterns included). HTML report pages have their own escaper (parlemont/Markup.h): HTML and
// XML differ in the references they know and in the characters they refuse.
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class XmlWriter {
 public:
  using Attributes = std::vector<std::pair<std::wstring, std::wstring>>;

  XmlWriter() = default;
  ~XmlWriter();
  XmlWriter(const XmlWriter&) = delete;
  XmlWriter& operator=(const XmlWriter&) = delete;

  bool Open(const std::wstring& path);  // creates or truncates the file
  void HeadXML();                       // the XML declaration
  void OpenTag(const std::wstring& name, const Attributes& attributes = {});
  void Text(const std::wstring& text);
  void CloseTag();  // the innermost open element
  bool Flush();
  // Closes the elements still open and the file. False when anything could not be written.
  bool Close();

  // Element text: & < > become references, and CR too, since a parser would read a literal one
  // as a line feed. Characters XML cannot carry at all (most control characters) become U+FFFD.
  static std::wstring EscapeText(std::wstring_view text);
  // An attribute value in double quotes: as element text, and also " ' TAB and LF, which a parser
  // would otherwise normalise to blanks.
  static std::wstring EscapeAttribute(std::wstring_view text);

 private:
  enum class Last { Nothing, Declaration, OpenTag, CloseTag, Text };
  void Write(const std::wstring& text);
  void NewLine();

  std::FILE* file_ = nullptr;
  bool ok_ = true;
  std::vector<std::wstring> open_;
  Last last_ = Last::Nothing;
};
