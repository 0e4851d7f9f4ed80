// The tab-separated text report: raw UTF-8 lines ending in CR LF, no byte-order mark, so that a
// spreadsheet or a script reads it as it is.
#include <cerrno>

#include "brunox/engine/reports/ExReport.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

int ExReport::OpenTextFile(const std::wstring& name) {
  CloseTextFile();
  if (name.empty()) return 0;
  textFile_ = std::fopen(platform::NativePath(name).c_str(), "wbe");
  textFileName_ = name;
  textFileFailed_ = false;
  if (textFile_) return 0;
  const int code = errno;
  std::wstring reason;
  CLog::FormatLastError(&reason, code);
  Warn(platform::Format(L"Could not open or create '%ls' file.\nError %d, %ls", name.c_str(), code,
                        reason.c_str()));
  return -1;
}

int ExReport::CloseTextFile() {
  if (!textFile_) return 0;
  // A full disk shows at the latest when the buffered rest is written out.
  if (std::fclose(textFile_) != 0) textFileFailed_ = true;
  textFile_ = nullptr;
  if (!textFileFailed_) return 0;
  Warn(platform::Format(L"Could not write the text report '%ls' whole.", textFileName_.c_str()));
  return -1;
}

void ExReport::TextLine(const std::vector<std::wstring>& fields) {
  if (!textFile_) return;
  Trace trace(L"ExReport::Text Line");
  // Eleven fields separated by TAB; the last one brings its own leading TABs (the counters).
  std::wstring line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0 && i + 1 < fields.size()) line += L'\t';
    line += fields[i];
  }
  line += L"\r\n";
  // A line is written whole however long it is: a cut line would lose the columns after the cut.
  const std::string bytes = platform::ToUtf8(line);
  if (std::fwrite(bytes.data(), 1, bytes.size(), textFile_) != bytes.size()) textFileFailed_ = true;
}
