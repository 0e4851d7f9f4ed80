#include "synthor/engine/TextPhrases.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "mervis/Macros.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/VLibrary.h"

namespace {

// Draws in a row that may fail to fit before the text is taken as full.
constexpr int kMaxMisses = 20;
constexpr std::uintmax_t kMaxFileSize = 16u * 1024 * 1024;

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
  // A library of its own: read once, the phrases are kept here and the library is let go.
  VLibrary library(engine_);
  if (library.Open(engine_->LibraryPath(), 0) != 0) return false;
  std::wstring filter;
  if (!language.empty()) {
    filter = L"Language='";
    for (wchar_t c : language) filter += c == L'\'' ? std::wstring(L"''") : std::wstring(1, c);
    filter += L"'";
  }
  std::vector<std::wstring> phrases;
  if (library.LoadList(L"Phrases", L"Phrase", filter, &phrases) != 0) return false;
  for (std::wstring& phrase : phrases) {
    phrase = platform::Trim(phrase, L" \t\r\n");
    if (!phrase.empty()) phrases_.push_back(std::move(phrase));
  }
  return !phrases_.empty();
}
