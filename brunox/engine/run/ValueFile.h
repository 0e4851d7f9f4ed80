#pragma once
// A task's value file read line by line: one line holds the values of one execution. Its
// byte-order mark decides how it is decoded, as for every file a user names
// (platform::FindByteOrderMark): UTF-16 of either byte order or UTF-8; without a mark 8-bit text
// (UTF-8 when the line is valid UTF-8, else Latin-1).
// The file is opened as every file a user names is (platform/UserFile.h): only a regular file is
// read, so a FIFO or a device named by mistake fails at once instead of blocking a run.
// Not thread-safe: the runner serialises the reads of a shared file.
#include <cstddef>
#include <string>

#include "platform/TextFile.h"
#include "platform/UserFile.h"

class ValueFile {
 public:
  // Every thread that reads the file on its own holds its current line and the statement built
  // from it, and a run may have thousands of threads: a longer line is taken for a file that is
  // not a value file (no line ends) rather than read into memory.
  static constexpr std::size_t kMaxLineBytes = 1024u * 1024u;

  ValueFile() = default;
  ValueFile(const ValueFile&) = delete;
  ValueFile& operator=(const ValueFile&) = delete;

  // False when the file cannot be opened for reading; Error() then says why.
  bool Open(const std::wstring& path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // True when the open file has no byte of text (byte-order mark aside).
  bool IsEmpty() const { return empty_; }
  // Why the last Open failed or why reading stopped; empty when neither happened.
  const std::wstring& Error() const { return error_; }

  // The next line without its end; false at the end of the file, and for good once a line is
  // longer than kMaxLineBytes (Error() then names the file).
  bool ReadLine(std::wstring* line);
  // The next line, going back to the first line at the end. False only when the file holds no
  // line at all or reading failed, so a caller never loops looking for one.
  bool ReadLineWrapping(std::wstring* line);
  void Rewind();

 private:
  platform::UniqueFile file_;
  std::wstring path_;
  std::wstring error_;
  platform::ByteOrderMark mark_;
  long textStart_ = 0;  // after the byte-order mark
  bool empty_ = true;
  bool failed_ = false;  // a line was too long: the rest of the file is not read
};
