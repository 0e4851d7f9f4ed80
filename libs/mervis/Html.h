#pragma once
// A writer of XML text to a file, UTF-8. Elements are written as they are opened and closed;
// child elements go on lines of their own, indented, while text stays inline so that mixed
// content keeps its exact spacing.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class HTML {
 public:
  using Attributes = std::vector<std::pair<std::wstring, std::wstring>>;

  HTML() = default;
  ~HTML();
  HTML(const HTML&) = delete;
  HTML& operator=(const HTML&) = delete;

  bool Open(const std::wstring& path);  // creates or truncates the file
  void HeadXML();                       // the XML declaration
  void OpenTag(const std::wstring& name, const Attributes& attributes = {});
  void Text(const std::wstring& text);
  void CloseTag();  // the innermost open element
  bool Flush();
  // Closes the elements still open and the file. False when anything could not be written.
  bool Close();

  // XML-safe text. Mode 0 escapes & < > " ' (for attribute values), mode 1 only & < > (for
  // element text). Characters XML cannot carry at all (most control characters) become U+FFFD.
  static std::wstring Quoting(const std::wstring& text, int mode);

 private:
  enum class Last { Nothing, Declaration, OpenTag, CloseTag, Text };
  void Write(const std::wstring& text);
  void NewLine();

  std::FILE* file_ = nullptr;
  bool ok_ = true;
  std::vector<std::wstring> open_;
  Last last_ = Last::Nothing;
};
