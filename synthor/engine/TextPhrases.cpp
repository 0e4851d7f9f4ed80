#include "synthor/engine/TextPhrases.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "kavra/SqlLiteral.h"
#include "mervis/Macros.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/library/LibData.h"
#include "synthor/generators/library/VLibrary.h"

namespace {

// Draws in a row that may fail to fit before the text is taken as full.
constexpr int kMaxMisses = 20;
constexpr std::uintmax_t kMaxFileSize = 16u * 1024 * 1024;
// The value library's list of phrases.
constexpr const wchar_t* kTable = L"Phrases";
constexpr const wchar_t* kColumn = L"Phrase";

}  // namespace

TextPhrases::TextPhrases(DSynthor* engine) : engine_(engine) {}

TextPhrases::~TextPhrases() = default;

std::wstring TextPhrases::MakeText(long long length, const std::wstring& source) {
  if (phrases_.empty()) Load(source);
  std::wstring text;
  if (phrases_.empty() || !engine_ || length <= 0) return text;
  const int count = static_cast<int>(std::min<std::size_t>(phrases_.size(), INT_MAX));
  const auto limit = static_cast<unsigned long long>(length);
  for (int misses = 0; misses < kMaxMisses;) {
    const std::wstring& phrase = phrases_[static_cast<std::size_t>(engine_->random.Next(count))];
    // The separating blank is not counted: with at least one character to spare it always fits.
    if (text.size() + phrase.size() < limit) {
      if (!text.empty()) text += L' ';
      text += phrase;
      misses = 0;
    } else {
      ++misses;
    }
  }
  return text;
}

void TextPhrases::Load(const std::wstring& source) {
  if (std::find(triedSources_.begin(), triedSources_.end(), source) != triedSources_.end()) return;
  triedSources_.push_back(source);
  const std::wstring path = PathMacros(source);
  if (!path.empty() && platform::FileExists(path)) {
    LoadFile(path);
  } else {
    LoadFromLibrary(source);
  }
}

bool TextPhrases::LoadFile(const std::wstring& path) {
  // Phrase lists are small; a file this large is not one (and may not even end).
  std::error_code error;
  const auto size = std::filesystem::file_size(platform::NativePath(path), error);
  if (error || size > kMaxFileSize) return false;
  std::wstring content;
  if (!platform::ReadTextFile(path, content)) return false;
  // Empty phrases are left out: they would add nothing to a text and never count as a miss.
  for (const std::wstring& line : platform::Split(content, L'\n')) {
    std::wstring phrase = platform::Trim(line, L" \t\r\n");
    if (!phrase.empty()) phrases_.push_back(std::move(phrase));
  }
  return !phrases_.empty();
}

bool TextPhrases::LoadFromLibrary(const std::wstring& language) {
  if (!engine_ || engine_->LibraryPath().empty()) return false;
  const std::wstring filter =
      language.empty() ? std::wstring() : L"Language=" + SqlStringLiteral(language);
  std::vector<std::wstring> phrases;
  if (ReadLibraryPhrases(filter, &phrases) != 0) return false;
  for (std::wstring& phrase : phrases) {
    phrase = platform::Trim(phrase, L" \t\r\n");
    if (!phrase.empty()) phrases_.push_back(std::move(phrase));
  }
  return !phrases_.empty();
}

int TextPhrases::ReadLibraryPhrases(const std::wstring& filter,
                                    std::vector<std::wstring>* phrases) {
  const std::wstring& path = engine_->LibraryPath();
  // The engine's own library, opened as `$lib` opens it when `$lib` would open it at this path:
  // an XML library is then imported once per engine, not once more for the phrases.
  VLibrary* shared = engine_->Library();
  if (shared && !shared->IsOpen() && LibData::LibraryFolder() == path &&
      !LibData::OpenLibrary(engine_) && shared->Path() == path)
    return -1;  // logged by Open
  if (shared && shared->IsOpen() && shared->Path() == path)
    return shared->LoadList(kTable, kColumn, filter, phrases);
  // The engine's library open elsewhere, or `$lib` looking elsewhere: a library of its own, read
  // once and let go.
  VLibrary library(engine_);
  if (library.Open(path, 0) != 0) return -1;
  return library.LoadList(kTable, kColumn, filter, phrases);
}
