#pragma once
// The content of a report: paragraphs, headings, anchors, a table of contents and tables, built
// as the HTML body of the page. MultiReport adds the files and the template around it.
//
// Every std::wstring text is escaped; HTML is passed on purpose as a Markup. Attribute texts are
// written as in a tag (` width=5%`, ` align=right`) and rewritten into a safe, quoted form.
//
// The body is always well-formed whatever the order of calls: a row or cell outside a table opens
// one, a paragraph, anchor or table of contents ends an open table, and whatever is still open when
// the body is taken is closed.
#include <string>
#include <vector>

#include "parlemont/Markup.h"

enum PARAGRAPH_TYPE {
  PT_PARAGRAPH = 0,     // plain text
  PT_TITLE = 2,         // the title of a document holding several reports
  PT_REPORT_TITLE = 3,  // the title of a report, or a main section under PT_TITLE
  PT_HEADING = 4,       // a section of a report
  PT_NAME = 7,          // a name shown under a heading (the name of a task)
};

class AReport {
 public:
  AReport() = default;
  virtual ~AReport();
  AReport(const AReport&) = delete;
  AReport& operator=(const AReport&) = delete;

  // `cssClass`: further class names for the element (a class of the template's style sheet).
  // `pageBreak` non-zero: a printed report starts a new page here.
  void Text(const std::wstring& text, PARAGRAPH_TYPE type = PT_PARAGRAPH,
            const std::wstring& cssClass = L"", int pageBreak = 0);
  void Text(const Markup& content, PARAGRAPH_TYPE type = PT_PARAGRAPH,
            const std::wstring& cssClass = L"", int pageBreak = 0);

  // A target for links "#name" and for the table of contents.
  void Anchor(const std::wstring& name);
  // One entry of a table of contents linking to Anchor(anchor); consecutive entries form one
  // list, a higher level nests under the entry before it (at most one level deeper each step).
  void TocEntry(const std::wstring& anchor, const std::wstring& text, int level = 0);

  // Tables. `caption` is written above the table; `note` as a small paragraph below it.
  void BeginTable(const wchar_t* caption = nullptr, const wchar_t* cssClass = nullptr);
  void EndTable(const wchar_t* note = nullptr);
  // `id` makes the row a link target.
  void BeginRow(const wchar_t* attributes = nullptr, const wchar_t* cssClass = nullptr,
                const wchar_t* id = nullptr);
  // `padToCells` > 0: empty cells are added until the row holds that many, so that a short row
  // still draws its borders to the table's right edge.
  void EndRow(int padToCells = 0);
  // `header` non-zero: a header cell. Mark numbers with ` align=right` (or ` class=num`).
  void Cell(const std::wstring& text, int header = 0, const wchar_t* attributes = nullptr);
  void Cell(const Markup& content, int header = 0, const wchar_t* attributes = nullptr);

  // A row of two cells, name and value.
  void Row2(const std::wstring& name, const std::wstring& value, int header = 0,
            const wchar_t* nameAttributes = nullptr, const wchar_t* valueAttributes = nullptr);
  void Row2(const std::wstring& name, const Markup& value, int header = 0,
            const wchar_t* nameAttributes = nullptr, const wchar_t* valueAttributes = nullptr);
  // Row2 of the escaped ("quoted") value, and only when the value is not empty.
  void Row2NotEmptyWithQuote(const std::wstring& name, const std::wstring& value);
  // The usual first rows of a summary table: the header row, the time the report was written and
  // the program that wrote it.
  void AttributeRowHeader(const std::wstring& nameLabel = L"Attribute",
                          const std::wstring& valueLabel = L"Value");
  void ReportCreated(const std::wstring& label = L"Report created");
  void ProductRow(const std::wstring& product, const std::wstring& label = L"Product");

 protected:
  // The body with everything still open closed.
  const std::wstring& FinishBody();
  void ClearBody();

 private:
  struct TocItem {
    int level;
    std::wstring anchor;
    std::wstring text;
  };
  void BeginBlock();
  void CloseTable();
  void FlushToc();

  std::wstring body_;
  std::vector<TocItem> toc_;
  bool inTable_ = false;
  bool inRow_ = false;
  int rowCells_ = 0;
};
