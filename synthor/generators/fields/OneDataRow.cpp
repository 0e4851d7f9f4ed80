#include "synthor/generators/fields/OneDataRow.h"

#include <string_view>

#include "kavra/SqlLiteral.h"
#include "mervis/XmlWriter.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/JsonText.h"
#include "synthor/generators/fields/OneField.h"

namespace {

// ---- delimited text ----

bool NeedsDelimitedQuotes(std::wstring_view value, std::wstring_view delimiter) {
  if (value.find_first_of(L"\"\r\n") != std::wstring_view::npos) return true;
  return !delimiter.empty() && value.find(delimiter) != std::wstring_view::npos;
}

void AppendDelimitedValue(StringBuilder& out, std::wstring_view value,
                          std::wstring_view delimiter) {
  if (!NeedsDelimitedQuotes(value, delimiter)) {
    out.Append(value);
    return;
  }
  out.Append(L'"');
  for (const wchar_t c : value) {
    if (c == L'"') out.Append(L'"');
    out.Append(c);
  }
  out.Append(L'"');
}

// ---- XML ----

bool IsNameStartChar(wchar_t c) {
  const auto u = static_cast<unsigned long>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || (u >= 0xC0 && u <= 0xD6) ||
         (u >= 0xD8 && u <= 0xF6) || (u >= 0xF8 && u <= 0x2FF) || (u >= 0x370 && u <= 0x37D) ||
         (u >= 0x37F && u <= 0x1FFF) || (u >= 0x200C && u <= 0x200D) ||
         (u >= 0x2070 && u <= 0x218F) || (u >= 0x2C00 && u <= 0x2FEF) ||
         (u >= 0x3001 && u <= 0xD7FF) || (u >= 0xF900 && u <= 0xFDCF) ||
         (u >= 0xFDF0 && u <= 0xFFFD) || (u >= 0x10000 && u <= 0xEFFFF);
}

bool IsNameChar(wchar_t c) {
  const auto u = static_cast<unsigned long>(c);
  return IsNameStartChar(c) || u == '-' || u == '.' || (u >= '0' && u <= '9') || u == 0xB7 ||
         (u >= 0x300 && u <= 0x36F) || (u >= 0x203F && u <= 0x2040);
}

// The field's name made a valid XML name (without ':', which would need a namespace).
std::wstring XmlName(std::wstring_view name) {
  std::wstring out;
  out.reserve(name.size() + 1);
  if (name.empty() || (!IsNameStartChar(name.front()) && IsNameChar(name.front()))) out += L'_';
  for (const wchar_t c : name) {
    const bool valid = out.empty() ? IsNameStartChar(c) : IsNameChar(c);
    out += valid ? c : L'_';
  }
  return out;
}

void AppendXmlElement(StringBuilder& out, std::wstring_view name, std::wstring_view value) {
  const std::wstring tag = XmlName(name);
  out.Append(L'<');
  out.Append(tag);
  out.Append(L'>');
  out.Append(XmlWriter::EscapeText(value));
  out.Append(L"</");
  out.Append(tag);
  out.Append(L'>');
}

// ---- JSON ----

void AppendJsonMember(StringBuilder& out, std::wstring_view name, std::wstring_view value) {
  out.Append(JsonMemberName(name));
  out.Append(L'"');
  out.Append(JsonEscape(value));
  out.Append(L'"');
}

}  // namespace

OneDataRow::~OneDataRow() = default;

int OneDataRow::Make(DSynthor* engine, OneDataRowParams* params) {
  commaList_.Reset();
  delimited_.Reset();
  xml_.Reset();
  json_.Reset();
  if (!engine || !params) return 0;

  // The first failure's error, given back at the end: the fields after it reset the engine's.
  int errorCode = 0;
  std::wstring errorText;
  bool failed = false;
  bool first = true;
  DGValue value;
  for (std::size_t column = 0; column < fields.size(); ++column) {
    OneField* field = fields[column];
    if (!field || !field->enabled) continue;
    if (!field->Value(static_cast<int>(column), engine, &value)) {
      value.Clear();
      if (!failed) errorCode = engine->Error(&errorText);
      failed = true;
    }
    const std::wstring& text = value.value;
    if (params->commaList) {
      if (!first) commaList_.Append(L',');
      if (field->quote)
        commaList_.Append(SqlStringLiteral(text));
      else
        commaList_.Append(text);
    }
    if (params->delimited) {
      if (!first) delimited_.Append(params->delimiter);
      AppendDelimitedValue(delimited_, text, params->delimiter);
    }
    if (params->xml) AppendXmlElement(xml_, field->name, text);
    if (params->json) {
      if (!first) json_.Append(L',');
      AppendJsonMember(json_, field->name, text);
    }
    first = false;
  }

  params->commaListResult = commaList_.Get();
  params->delimitedResult = delimited_.Get();
  params->xmlResult = xml_.Get();
  params->jsonResult = json_.Get();
  if (!failed) return 1;
  engine->SetError(errorCode, errorText);
  return 0;
}
