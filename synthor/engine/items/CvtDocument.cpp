#include "synthor/engine/items/CvtDocument.h"

#include "mervis/XmlWriter.h"
#include "platform/Text.h"
#include "synthor/generators/base/JsonText.h"

namespace {

constexpr const wchar_t* kNewLine = L"\r\n";

bool InRange(wchar_t c, unsigned low, unsigned high) {
  const auto code = static_cast<unsigned>(c);
  return code >= low && code <= high;
}

// XML 1.0 NameStartChar, without ':' (it would make the name a namespace prefix).
bool IsNameStart(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' ||
         InRange(c, 0xC0, 0xD6) || InRange(c, 0xD8, 0xF6) || InRange(c, 0xF8, 0x2FF) ||
         InRange(c, 0x370, 0x37D) || InRange(c, 0x37F, 0x1FFF) || InRange(c, 0x200C, 0x200D) ||
         InRange(c, 0x2070, 0x218F) || InRange(c, 0x2C00, 0x2FEF) || InRange(c, 0x3001, 0xD7FF) ||
         InRange(c, 0xF900, 0xFDCF) || InRange(c, 0xFDF0, 0xFFFD) || InRange(c, 0x10000, 0xEFFFF);
}

bool IsNameChar(wchar_t c) {
  return IsNameStart(c) || c == L'-' || c == L'.' || (c >= L'0' && c <= L'9') || c == 0xB7 ||
         InRange(c, 0x300, 0x36F) || InRange(c, 0x203F, 0x2040);
}

// A JSON string with its quotes (RFC 8259).
std::wstring JsonString(const std::wstring& value) { return L"\"" + JsonEscape(value) + L"\""; }

}  // namespace

std::optional<CvtTarget> ParseCvtTarget(std::wstring_view name) {
  if (platform::EqualsNoCase(name, L"XML")) return CvtTarget::Xml;
  if (platform::EqualsNoCase(name, L"JSON")) return CvtTarget::Json;
  return std::nullopt;
}

std::wstring XmlElementName(std::wstring_view name) {
  if (name.empty()) return L"item";
  std::wstring out;
  if (!IsNameStart(name[0]) && IsNameChar(name[0])) out += L'_';
  for (const wchar_t c : name) out += IsNameChar(c) ? c : L'_';
  return out;
}

std::wstring WriteCvtDocument(const std::vector<std::wstring>& values, const std::wstring& name,
                              CvtTarget target) {
  std::wstring doc;
  if (target == CvtTarget::Xml) {
    const std::wstring element = XmlElementName(name);
    doc = L"<?xml version=\"1.0\" ?>";
    doc += kNewLine;
    doc += L" <data>";
    doc += kNewLine;
    for (const std::wstring& value : values) {
      doc += L"  <" + element + L">" + XmlWriter::EscapeText(value) + L"</" + element + L">";
      doc += kNewLine;
    }
    doc += L" </data>";
    doc += kNewLine;
    return doc;
  }
  const std::wstring member = L"  " + JsonString(name) + L":";
  doc = L"{";
  doc += kNewLine;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) {
      doc += L",";
      doc += kNewLine;
    }
    doc += member + JsonString(values[i]);
  }
  doc += kNewLine;
  doc += L"}";
  return doc;
}
