#include "brunox/engine/ValueFile.h"

#include "mervis/ReadString.h"
#include "platform/TextFile.h"

ValueFile::~ValueFile() { Close(); }

bool ValueFile::Open(const std::wstring& path) {
  Close();
  file_ = std::fopen(platform::NativePath(path).c_str(), "rb");
  if (!file_) return false;
  unsigned char head[3] = {0, 0, 0};
  const size_t got = std::fread(head, 1, sizeof head, file_);
  utf16_ = got >= 2 && head[0] == 0xFF && head[1] == 0xFE;
  const bool utf8Bom = got == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;
  textStart_ = utf16_ ? 2 : utf8Bom ? 3 : 0;
  std::fseek(file_, 0, SEEK_END);
  empty_ = std::ftell(file_) <= textStart_;
  Rewind();
  return true;
}

void ValueFile::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  empty_ = true;
}

void ValueFile::Rewind() {
  if (file_) std::fseek(file_, textStart_, SEEK_SET);
}

bool ValueFile::ReadLine(std::wstring* line) {
  line->clear();
  if (!file_ || empty_) return false;
  return ReadString(file_, line, utf16_ ? 0 : 1);
}

bool ValueFile::ReadLineWrapping(std::wstring* line) {
  if (ReadLine(line)) return true;
  Rewind();
  return ReadLine(line);
}
