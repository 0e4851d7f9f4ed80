#include "synthor/generators/base/FileLoaders.h"

#include <algorithm>
#include <new>

#include "platform/Text.h"
#include "platform/UserFile.h"
#include "synthor/engine/DSynthor.h"

namespace {

bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

}  // namespace

IGenerator::F_ENCODING FileLoaders::CheckUnicode(std::FILE* file) {
  const platform::ByteOrderMark mark = platform::ReadByteOrderMark(file);
  if (!mark.Utf16()) return IGenerator::ENC_8BIT;
  return mark.encoding == platform::TextEncoding::Utf16Le ? IGenerator::ENC_UTF16LE
                                                          : IGenerator::ENC_UTF16BE;
}

std::string FileLoaders::LoadFile(std::FILE* file, std::size_t limit) {
  std::string data;
  if (!file) return data;
  limit = std::min(limit, kMaxFileBytes);
  // Read straight into the result: worker threads have small stacks, so no block buffer there.
  constexpr std::size_t kBlock = 65536;
  try {
    while (data.size() < limit) {
      const std::size_t have = data.size();
      const std::size_t want = std::min(kBlock, limit - have);
      data.resize(have + want);
      const std::size_t got = std::fread(data.data() + have, 1, want, file);
      data.resize(have + got);
      if (got < want) break;
    }
  } catch (const std::bad_alloc&) {
    data.clear();
  }
  return data;
}

int FileLoaders::ReadString(std::string_view data, std::size_t* position, std::wstring* line,
                            IGenerator::F_ENCODING encoding) {
  if (!position || !line) return 0;
  line->clear();
  std::size_t pos = std::min(*position, data.size());
  const std::size_t start = pos;
  if (encoding == IGenerator::ENC_8BIT) {
    const std::size_t lf = data.find('\n', pos);
    const std::size_t end = lf == std::string_view::npos ? data.size() : lf;
    *line = platform::FromUnknown8Bit(data.substr(start, end - start));
    *position = lf == std::string_view::npos ? data.size() : lf + 1;
  } else {
    const bool little = encoding == IGenerator::ENC_UTF16LE;
    std::size_t end = pos;
    bool sawFeed = false;
    while (end + 1 < data.size()) {
      const unsigned char a = static_cast<unsigned char>(data[end]);
      const unsigned char b = static_cast<unsigned char>(data[end + 1]);
      if ((little ? (a == 10 && b == 0) : (a == 0 && b == 10))) {
        sawFeed = true;
        break;
      }
      end += 2;
    }
    const std::string_view bytes = data.substr(start, end - start);
    *line = little ? platform::FromUtf16Le(bytes) : platform::FromUtf16Be(bytes);
    // A single byte left at the end cannot be a character: it is consumed and dropped.
    *position = sawFeed ? end + 2 : data.size();
  }
  std::size_t keep = line->size();
  while (keep > 0 && IsLineEnd((*line)[keep - 1])) --keep;
  line->resize(keep);
  return line->empty() ? 0 : 1;
}

bool FileLoaders::ForEachLine(const std::wstring& path,
                              const std::function<void(const std::wstring&)>& take) {
  platform::UniqueFile file = platform::OpenUserFile(path);
  if (!file) return false;
  const IGenerator::F_ENCODING encoding = CheckUnicode(file.get());
  const std::string data = LoadFile(file.get());
  const bool readFailed = std::ferror(file.get()) != 0;
  file.reset();
  if (readFailed) return false;  // a folder opens but cannot be read
  const bool checkMode = DSynthor::GetCheckSyntaxMode() != 0;
  std::size_t position = 0;
  std::wstring line;
  int count = 0;
  while (ReadString(data, &position, &line, encoding)) {
    take(line);
    if (checkMode && ++count >= kCheckModeLines) break;
  }
  return true;
}
