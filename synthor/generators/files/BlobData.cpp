#include "synthor/generators/files/BlobData.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FileLoaders.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kNoParameters = 2700;
constexpr int kNoFolder = 2701;
constexpr int kNoFiles = 2702;

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::wstring Hex(std::string_view bytes) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

}  // namespace

BLOBData::BLOBData(const std::vector<std::wstring>* args, DSynthor* engine,
                   std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (!args || args->empty()) {
    ReportConstructionError(errorText, errorCode, kNoParameters,
                            L"BLOB: the function expects at least one parameters.");
    return;
  }
  if (args->size() > 1) text_ = IsTrueParameter((*args)[1]) ? 1 : 0;
  const std::wstring& folder = (*args)[0];
  std::unique_ptr<DIR, DirCloser> dir(opendir(platform::NativePath(folder).c_str()));
  if (folder.empty() || !dir) {
    ReportConstructionError(errorText, errorCode, kNoFolder,
                            L"BLOB: No source directory found or inaccessible.");
    return;
  }
  // Only regular files: a sub-folder has no content to give. Sorted, so that a seeded engine
  // draws the same files on every machine.
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::wstring path = platform::JoinPath(folder, platform::FromUtf8(name));
    if (IsRegularFile(platform::NativePath(path))) files_.push_back(path);
  }
  std::sort(files_.begin(), files_.end());
  if (files_.empty()) {
    ReportConstructionError(errorText, errorCode, kNoFiles, L"BLOB: No files found.");
    return;
  }
  contents_.resize(files_.size());
  loaded_.resize(files_.size(), 0);
  ready = 1;
}

bool BLOBData::ReadContent(const std::wstring& path, std::wstring* content) const {
  platform::UniqueFile file = platform::OpenUserFile(path);
  if (!file) return false;
  // Two hexadecimal digits per byte: half the cap keeps the text within the value limit.
  if (!text_) {
    *content = Hex(FileLoaders::LoadFile(file.get(), FileLoaders::kMaxFileBytes / 2));
    return true;
  }
  const IGenerator::F_ENCODING encoding = FileLoaders::CheckUnicode(file.get());
  const std::string bytes = FileLoaders::LoadFile(file.get());
  if (encoding == ENC_UTF16BE) *content = platform::FromUtf16Be(bytes);
  else if (encoding == ENC_UTF16LE) *content = platform::FromUtf16Le(bytes);
  // A file of fewer than two bytes holds no UTF-16 character after a mark.
  else if (bytes.size() < 2) content->clear();
  else *content = platform::FromUnknown8Bit(bytes);
  return true;
}

std::wstring BLOBData::Value(std::wstring*) {
  if (!ready || files_.empty()) return std::wstring();
  const int n = static_cast<int>(files_.size());
  const auto index = static_cast<std::size_t>(engine_ ? engine_->random.Next(n) : 0);
  if (!loaded_[index]) {
    // A file that cannot be read now is not kept: a later draw may succeed.
    try {
      if (!ReadContent(files_[index], &contents_[index])) return std::wstring();
    } catch (const std::bad_alloc&) {
      return std::wstring();
    }
    loaded_[index] = 1;
  }
  return contents_[index];
}

IGenerator* BLOBData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow) BLOBData(call.args, engine, call.errorText, call.errorCode);
}
