#pragma once
// Writes a page in the charset that the page declares. Characters the charset lacks are written as
// numeric character references (&#NNNN;), so a page declared as iso-8859-1 still shows any name.
#include <string>
#include <string_view>

namespace parlemont {

class CharsetEncoder {
 public:
  // `charset` as an iconv name ("iso-8859-1", "windows-1252", "UTF-8" ...). A name iconv does not
  // know, or a charset that does not keep ASCII as it is (UTF-16, EBCDIC; a browser could not
  // even read the declaration), falls back to UTF-8.
  explicit CharsetEncoder(std::wstring_view charset);

  // The name to declare in the page: the requested name, or "UTF-8" after a fall-back.
  const std::wstring& Charset() const { return charset_; }
  bool FellBack() const { return fellBack_; }

  // The text in the charset. Only valid outside <style>, <script> and comments, where references
  // have no meaning; the report writer keeps those ASCII.
  std::string Encode(std::wstring_view text) const;

 private:
  std::wstring charset_;
  std::string iconvName_;  // empty: UTF-8, no iconv needed
  bool fellBack_ = false;
};

}  // namespace parlemont
