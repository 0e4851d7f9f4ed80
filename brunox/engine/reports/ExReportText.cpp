// The tab-separated text report: raw UTF-8 lines ending in CR LF, no byte-order mark, so that a
// spreadsheet or a script reads it as it is. The lines are collected and written at the end of the
// pass in one go, so the file is whole or not written at all.
#include <cerrno>

#include "brunox/engine/reports/ExReport.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

void ExReport::TextLine(const std::vector<std::wstring>& fields) {
  if (!textWanted_) return;
  Trace trace(L"ExReport::Text Line");
  // Eleven fields separated by TAB; the last one brings its own leading TABs (the counters).
  std::wstring line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0 && i + 1 < fields.size()) line += L'\t';
    line += fields[i];
  }
  line += L"\r\n";
  // A line is written whole however long it is: a cut line would lose the columns after the cut.
  textBytes_ += platform::ToUtf8(line);
}

void ExReport::WriteTextReport() {
  if (!textWanted_) return;
  if (!platform::WriteFileBytes(textName_, textBytes_)) NoteWriteFailure(textName_, errno);
  textBytes_.clear();
  textBytes_.shrink_to_fit();
}
