#include "parlemont/AReport.h"

#include <algorithm>

#include "parlemont/HtmlAttributes.h"
#include "parlemont/ReportTime.h"

namespace {

std::wstring Attributes(const wchar_t* attributes) {
  return attributes ? parlemont::NormalizeAttributes(attributes) : std::wstring();
}

std::wstring ClassAttribute(const std::wstring& fixed, const wchar_t* extra) {
  std::wstring names = fixed;
  if (extra && *extra) names += (names.empty() ? L"" : L" ") + std::wstring(extra);
  return names.empty() ? L"" : L" class=\"" + parlemont::EscapeAttribute(names) + L"\"";
}

struct ParagraphTag {
  const wchar_t* element;
  const wchar_t* cssClass;
};

ParagraphTag TagOf(PARAGRAPH_TYPE type) {
  switch (type) {
    case PT_TITLE:
      return {L"h1", L""};
    case PT_REPORT_TITLE:
      return {L"h2", L""};
    case PT_HEADING:
      return {L"h3", L""};
    case PT_NAME:
      return {L"p", L"name"};
    default:
      return {L"p", L""};
  }
}

}  // namespace

AReport::~AReport() = default;

void AReport::BeginBlock() {
  CloseTable();
  FlushToc();
}

void AReport::Text(const std::wstring& text, PARAGRAPH_TYPE type, const std::wstring& cssClass,
                   int pageBreak) {
  Text(Markup::Escaped(text), type, cssClass, pageBreak);
}

void AReport::Text(const Markup& content, PARAGRAPH_TYPE type, const std::wstring& cssClass,
                   int pageBreak) {
  BeginBlock();
  const ParagraphTag tag = TagOf(type);
  body_ += L'<';
  body_ += tag.element;
  body_ += ClassAttribute(tag.cssClass, cssClass.c_str());
  if (pageBreak) body_ += L" style=\"page-break-before: always\"";
  body_ += L'>' + content.Html() + L"</" + tag.element + L">\n";
}

void AReport::Anchor(const std::wstring& name) {
  BeginBlock();
  // id rather than the older name: both browsers and QTextBrowser follow it, and a page must not
  // carry both, since parsers take them for the same identifier.
  body_ += L"<a id=\"" + parlemont::EscapeAttribute(name) + L"\"></a>\n";
}

void AReport::TocEntry(const std::wstring& anchor, const std::wstring& text, int level) {
  CloseTable();
  toc_.push_back({std::max(level, 0), anchor, text});
}

void AReport::FlushToc() {
  if (toc_.empty()) return;
  body_ += L"<ul class=\"toc\">\n";
  std::vector<bool> itemOpen{false};  // per open list: does it hold an unclosed <li>?
  for (const TocItem& item : toc_) {
    const int depth = static_cast<int>(itemOpen.size()) - 1;
    const int level = std::min(item.level, itemOpen.back() ? depth + 1 : depth);
    if (level > depth) {
      body_ += L"\n<ul>\n";
      itemOpen.push_back(false);
    }
    while (level < static_cast<int>(itemOpen.size()) - 1) {
      if (itemOpen.back()) body_ += L"</li>\n";
      itemOpen.pop_back();
      body_ += L"</ul>";
    }
    if (itemOpen.back()) body_ += L"</li>\n";
    body_ += L"<li>" + Markup::Link(L"#" + item.anchor, item.text).Html();
    itemOpen.back() = true;
  }
  while (!itemOpen.empty()) {
    if (itemOpen.back()) body_ += L"</li>\n";
    itemOpen.pop_back();
    body_ += itemOpen.empty() ? L"</ul>\n" : L"</ul>";
  }
  toc_.clear();
}

void AReport::BeginTable(const wchar_t* caption, const wchar_t* cssClass) {
  BeginBlock();
  // border="1" as well as the style sheet's borders: QTextBrowser draws cell borders from it.
  body_ += L"<table" + ClassAttribute(L"report", cssClass) + L" border=\"1\">\n";
  if (caption && *caption) body_ += L"<caption>" + Markup::Escaped(caption).Html() + L"</caption>\n";
  inTable_ = true;
}

void AReport::CloseTable() {
  if (inRow_) EndRow();
  if (!inTable_) return;
  body_ += L"</table>\n";
  inTable_ = false;
}

void AReport::EndTable(const wchar_t* note) {
  CloseTable();
  if (note && *note) body_ += L"<p class=\"table-note\">" + Markup::Escaped(note).Html() + L"</p>\n";
}

void AReport::BeginRow(const wchar_t* attributes, const wchar_t* cssClass, const wchar_t* id) {
  FlushToc();
  if (!inTable_) BeginTable();
  if (inRow_) EndRow();
  body_ += L"<tr" + ClassAttribute(L"", cssClass);
  if (id && *id) body_ += L" id=\"" + parlemont::EscapeAttribute(id) + L"\"";
  body_ += Attributes(attributes) + L">";
  inRow_ = true;
  rowCells_ = 0;
}

void AReport::EndRow(int padToCells) {
  if (!inRow_) return;
  for (; rowCells_ < padToCells; ++rowCells_) body_ += L"<td></td>";
  body_ += L"</tr>\n";
  inRow_ = false;
}

void AReport::Cell(const std::wstring& text, int header, const wchar_t* attributes) {
  Cell(Markup::Escaped(text), header, attributes);
}

void AReport::Cell(const Markup& content, int header, const wchar_t* attributes) {
  if (!inRow_) BeginRow();
  const wchar_t* element = header ? L"th" : L"td";
  body_ += L'<';
  body_ += element;
  body_ += Attributes(attributes) + L'>' + content.Html() + L"</" + element + L'>';
  ++rowCells_;
}

void AReport::Row2(const std::wstring& name, const std::wstring& value, int header,
                   const wchar_t* nameAttributes, const wchar_t* valueAttributes) {
  Row2(name, Markup::Escaped(value), header, nameAttributes, valueAttributes);
}

void AReport::Row2(const std::wstring& name, const Markup& value, int header,
                   const wchar_t* nameAttributes, const wchar_t* valueAttributes) {
  BeginRow();
  Cell(name, header, nameAttributes);
  Cell(value, header, valueAttributes);
  EndRow();
}

void AReport::Row2NotEmptyWithQuote(const std::wstring& name, const std::wstring& value) {
  if (!value.empty()) Row2(name, value);
}

void AReport::AttributeRowHeader(const std::wstring& nameLabel, const std::wstring& valueLabel) {
  Row2(nameLabel, valueLabel, 1);
}

void AReport::ReportCreated(const std::wstring& label) {
  Row2(label, parlemont::ReportTimeNow());
}

void AReport::ProductRow(const std::wstring& product, const std::wstring& label) {
  Row2(label, product);
}

const std::wstring& AReport::FinishBody() {
  BeginBlock();
  return body_;
}

void AReport::ClearBody() {
  body_.clear();
  toc_.clear();
  inTable_ = false;
  inRow_ = false;
  rowCells_ = 0;
}
