#include "parlemont/Markup.h"

namespace parlemont {

bool AllowedInHtml(wchar_t c) {
  const unsigned long u = static_cast<unsigned long>(c);
  if (u < 0x20) return u == 0x09 || u == 0x0A || u == 0x0D;
  if (u >= 0x7F && u <= 0x9F) return false;
  if (u >= 0xD800 && u <= 0xDFFF) return false;
  if (u >= 0xFDD0 && u <= 0xFDEF) return false;
  if ((u & 0xFFFE) == 0xFFFE) return false;  // U+FFFE, U+FFFF and their twins in every plane
  return u <= 0x10FFFF;
}

namespace {

// &#39; rather than &apos;: the older HTML entity set, which QTextBrowser follows, lacks &apos;.
bool AppendReference(std::wstring& out, wchar_t c) {
  switch (c) {
    case L'&':
      out += L"&amp;";
      return true;
    case L'<':
      out += L"&lt;";
      return true;
    case L'>':
      out += L"&gt;";
      return true;
    case L'"':
      out += L"&quot;";
      return true;
    case L'\'':
      out += L"&#39;";
      return true;
    default:
      return false;
  }
}

std::wstring Escape(std::wstring_view text, std::wstring_view lineBreak) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (AppendReference(out, c)) continue;
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;  // CR LF is one break
      out += lineBreak;
      continue;
    }
    out += AllowedInHtml(c) ? c : L'\uFFFD';
  }
  return out;
}

}  // namespace

std::wstring EscapeAttribute(std::wstring_view text) { return Escape(text, L"&#10;"); }

}  // namespace parlemont

Markup Markup::Escaped(std::wstring_view text) { return Markup(parlemont::Escape(text, L"<br>")); }

Markup Markup::Link(std::wstring_view href, std::wstring_view text) {
  return Markup(L"<a href=\"" + parlemont::EscapeAttribute(href) + L"\">" + Escaped(text).Html() +
                L"</a>");
}
