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
// The page is written in the charset that the %CHARSET% property names (through iconv); characters
// that charset lacks become numeric character references. An unknown or unusable charset falls back
// to UTF-8, and the page then declares UTF-8.
#include <cstdio>
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
  RE_CANNOT_CREATE_FILE = 3,    // a report file cannot be created
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

  // Reads the templates and creates the files (a template error leaves every file untouched).
  REPORT_ERRORS Open();
  // Merges the content into the templates and writes the files.
  REPORT_ERRORS Close();
  // Forgets reports, properties and content. Files opened and not closed stay as created (empty).
  void Clear();

  bool IsOpen() const { return open_; }
  // Why the last Open failed, naming the template or the report file; empty after a success.
  const std::wstring& ErrorText() const { return errorText_; }
  // The charset the last Close wrote in, as declared in the page.
  const std::wstring& WrittenCharset() const { return writtenCharset_; }

 private:
  struct Output {
    std::wstring file;
    std::wstring templateName;
    std::wstring templateText;
    std::FILE* stream = nullptr;
  };
  void CloseStreams();

  std::vector<Output> outputs_;
  std::map<std::wstring, std::wstring> properties_;  // name without '%' -> plain text
  std::wstring writtenCharset_;
  std::wstring errorText_;
  bool open_ = false;
};
