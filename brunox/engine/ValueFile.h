#pragma once
// A task's value file read line by line: one line holds the values of one execution. A file that
// starts with the UTF-16LE byte-order mark is read as UTF-16LE, any other file as 8-bit text
// (UTF-8 when the line is valid UTF-8, else Latin-1; a UTF-8 byte-order mark is skipped).
// Not thread-safe: the runner serialises the reads of a shared file.
#include <cstdio>
#include <string>

class ValueFile {
 public:
  ValueFile() = default;
  ~ValueFile();
  ValueFile(const ValueFile&) = delete;
  ValueFile& operator=(const ValueFile&) = delete;

  // False when the file cannot be opened for reading.
  bool Open(const std::wstring& path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // True when the open file has no byte of text (byte-order mark aside).
  bool IsEmpty() const { return empty_; }

  // The next line without its end; false at the end of the file.
  bool ReadLine(std::wstring* line);
  // The next line, going back to the first line at the end. False only when the file holds no
  // line at all, so a caller never loops looking for one.
  bool ReadLineWrapping(std::wstring* line);
  void Rewind();

 private:
  std::FILE* file_ = nullptr;
  bool utf16_ = false;
  long textStart_ = 0;  // after the byte-order mark
  bool empty_ = true;
};
