#pragma once
// The report writer: collects the content (AReport), then merges it into a page template and writes
// one file per added report.
//
//   MultiReport report;
//   report.AddReport(RF_HTML, L"/tmp/run.html", L"head.htm");
//   report.AddProperty(L"%TITLE%", L"Nightly run");
//   report.AddProperty(L"%CHARSET%", L"iso-8859-1");
//   if (report.Open() != RE_OK) ...;
//   report.Text(L"Nightly run", PT_REPORT_TITLE);
//   report.BeginTable(); report.Row2(L"Threads", L"10"); report.EndTable();
//   report.Close();
//
// Templates are looked for as FindTemplate (ReportTemplate.h) describes: the program folder first,
// then the folder of the report file; an absolute name is used as it is.
//
// A report file is written whole or not at all: the page goes to a temporary file beside it, which
// replaces the report only once it is complete. A failure leaves an earlier file of that name as
// it was.
//
// The page is written in the charset that the %CHARSET% property names (through iconv); characters
// that charset lacks become numeric character references. An unknown or unusable charset falls back
// to UTF-8, and the page then declares UTF-8.
#include <map>
#include <string>
#include <vector>

#include "parlemont/AReport.h"

enum REPORT_FORMAT {
  RF_HTML = 1,
};

enum REPORT_ERRORS {
  RE_OK = 0,
  RE_NO_REPORT = 1,             // Open without any AddReport
  RE_TEMPLATE_NOT_FOUND = 2,    // the template cannot be found or read
  RE_CANNOT_CREATE_FILE = 3,    // no file can be created where a report is to go
  RE_NOT_OPEN = 4,              // Close without a successful Open
  RE_WRITE_FAILED = 5,          // the page could not be written completely
  RE_UNSUPPORTED_FORMAT = 6,    // AddReport with a format this writer does not write
};

class MultiReport : public AReport {
 public:
  MultiReport() = default;
  // Writes what was collected when the report is still open.
  ~MultiReport() override;

  // Adds an output file. `templateName` "" means "head.htm".
  REPORT_ERRORS AddReport(REPORT_FORMAT format, const std::wstring& fileName,
                          const std::wstring& templateName);
  // A value for a template placeholder, given as "%TITLE%" (or "TITLE"); plain text, escaped when
  // merged. A later value for the same placeholder replaces the earlier one.
  void AddProperty(const std::wstring& placeholder, const std::wstring& value);

  // Reads the templates and checks that each report's folder takes a file. No report file is
  // touched before Close.
  REPORT_ERRORS Open();
  // Merges the content into the templates and writes the files, each one on its own: a file that
  // cannot be written does not keep the others from being written.
  REPORT_ERRORS Close();
  // Forgets reports, properties and content; nothing is written.
  void Clear();

  bool IsOpen() const { return open_; }
  // Why the last Open or Close failed, naming the report file (and the template when it is to
  // blame) and the reason; empty after a success. After a Close that failed for more than one
  // file, one line per file.
  const std::wstring& ErrorText() const { return errorText_; }
  // The charset the last Close wrote in, as declared in the page.
  const std::wstring& WrittenCharset() const { return writtenCharset_; }

 private:
  struct Output {
    std::wstring file;
    std::wstring templateName;
    std::wstring templateText;
  };
  // Notes why `file` could not be written.
  void AddError(const std::wstring& file, const std::wstring& reason);

  std::vector<Output> outputs_;
  std::map<std::wstring, std::wstring> properties_;  // name without '%' -> plain text
  std::wstring writtenCharset_;
  std::wstring errorText_;
  bool open_ = false;
};
