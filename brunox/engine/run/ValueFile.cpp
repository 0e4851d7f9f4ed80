#include "brunox/engine/run/ValueFile.h"

#include "mervis/ReadString.h"
#include "platform/Text.h"

bool ValueFile::Open(const std::wstring& path) {
  Close();
  error_.clear();
  file_ = platform::OpenUserFile(path, &error_);
  if (!file_) return false;
  path_ = path;
  std::FILE* f = file_.get();
  mark_ = platform::ReadByteOrderMark(f);
  textStart_ = static_cast<long>(mark_.length);
  std::fseek(f, 0, SEEK_END);
  empty_ = std::ftell(f) <= textStart_;
  Rewind();
  return true;
}

void ValueFile::Close() {
  file_.reset();
  path_.clear();
  empty_ = true;
  failed_ = false;
}

void ValueFile::Rewind() {
  if (file_) std::fseek(file_.get(), textStart_, SEEK_SET);
}

bool ValueFile::ReadLine(std::wstring* line) {
  line->clear();
  if (!file_ || empty_ || failed_) return false;
  bool tooLong = false;
  if (ReadString(file_.get(), line, mark_, kMaxLineBytes, &tooLong)) return true;
  if (tooLong) {
    failed_ = true;
    error_ = L"The value file '" + path_ + L"' has a line longer than " +
             platform::FromUInt(kMaxLineBytes / 1024u) + L" KiB.";
  }
  return false;
}

bool ValueFile::ReadLineWrapping(std::wstring* line) {
  if (ReadLine(line)) return true;
  if (failed_) return false;
  Rewind();
  return ReadLine(line);
}
