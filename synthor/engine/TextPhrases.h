#pragma once
// The phrases of `$text(length, source)`: natural-language phrases loaded once, from a phrase
// file or from the value library's phrase list, and joined at random into texts of bounded
// length.
#include <cstddef>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"

class DSynthor;

class SYNTHOR_API TextPhrases {
 public:
  // `engine` draws the phrases and knows the value library's path; it is not owned.
  explicit TextPhrases(DSynthor* engine);
  virtual ~TextPhrases();
  TextPhrases(const TextPhrases&) = delete;
  TextPhrases& operator=(const TextPhrases&) = delete;

  // A random text of at most `length` characters: phrases drawn at random and separated by
  // single blanks, until 20 draws in a row no longer fit. `source` names a phrase file (path
  // macros such as $HOME$ allowed; UTF-8, or UTF-16 with a byte-order mark; one phrase a line,
  // blank lines skipped; at most 16 MiB) or, when no such file exists, a language of the value
  // library's phrases. The first source that gives any phrases is kept for every later call;
  // until then each new source is tried once. Empty when there are no phrases.
  std::wstring MakeText(long long length, const std::wstring& source);

  std::size_t PhraseCount() const { return phrases_.size(); }

 private:
  void Load(const std::wstring& source);
  bool LoadFile(const std::wstring& path);
  bool LoadFromLibrary(const std::wstring& language);
  // The library's phrases that pass `filter`, as VLibrary::LoadList gives them; 0 success.
  int ReadLibraryPhrases(const std::wstring& filter, std::vector<std::wstring>* phrases);

  DSynthor* engine_;
  std::vector<std::wstring> phrases_;
  std::vector<std::wstring> triedSources_;
};
