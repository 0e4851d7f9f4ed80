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
  unsigned char head[3] = {0, 0, 0};
  const size_t got = std::fread(head, 1, sizeof head, f);
  utf16_ = got >= 2 && head[0] == 0xFF && head[1] == 0xFE;
  const bool utf8Bom = got == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;
  textStart_ = utf16_ ? 2 : utf8Bom ? 3 : 0;
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
  if (ReadString(file_.get(), line, utf16_ ? 0 : 1, kMaxLineBytes, &tooLong)) return true;
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
