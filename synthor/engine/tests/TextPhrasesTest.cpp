// Phrases for $text: loaded from UTF-8 and UTF-16 files (blank lines skipped), joined by single
// blanks into texts that never exceed their length, loaded once per phrase source.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "mervis/Macros.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/TextPhrases.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/TestEnv.h"

namespace engine_test {
namespace {

const std::vector<std::wstring> kWords = {L"alpha", L"beta", L"gamma", L"d\x00e9lta", L"\x4e2d\x6587"};

// The words one a line, with the untidiness real files have: blanks and tabs around them, CR LF
// line ends, blank lines in between and at the end.
std::wstring UntidyLines() {
  return L"  alpha\r\n\tbeta \r\n\r\ngamma\n   \n d\x00e9lta\t\r\n\x4e2d\x6587\r\n\r\n";
}

std::wstring Utf16BeFile(const std::wstring& text) {
  std::string bytes = "\xFE\xFF";
  const std::string le = platform::ToUtf16Le(text);
  for (std::size_t i = 0; i + 1 < le.size(); i += 2) {
    bytes += le[i + 1];
    bytes += le[i];
  }
  const std::wstring path = testsupport::NewScratchPath(L"be.txt");
  EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
  return path;
}

// True when `text` is empty or phrases of `words` joined by single blanks (the words hold no blanks).
bool MadeOf(const std::wstring& text, const std::vector<std::wstring>& words) {
  if (text.empty()) return true;
  const std::set<std::wstring> known(words.begin(), words.end());
  for (const std::wstring& part : platform::Split(text, L' ')) {
    if (!known.count(part)) return false;
  }
  return true;
}

class PhraseFiles : public EngineFixture {
 protected:
  std::set<std::wstring> DrawnWords(TextPhrases& phrases, const std::wstring& source) {
    std::set<std::wstring> seen;
    for (int i = 0; i < 200; ++i) {
      for (const std::wstring& w : platform::Split(phrases.MakeText(30, source), L' ')) seen.insert(w);
    }
    return seen;
  }
};

TEST_F(PhraseFiles, InEveryEncodingGiveTheSamePhrases) {
  const std::wstring utf8 = testsupport::NewScratchPath(L"utf8.txt");
  const std::wstring utf16 = testsupport::NewScratchPath(L"utf16.txt");
  ASSERT_TRUE(platform::WriteTextFileUtf8(utf8, UntidyLines()));
  ASSERT_TRUE(platform::WriteTextFileUtf16Le(utf16, UntidyLines()));
  const std::wstring utf16be = Utf16BeFile(UntidyLines());
  const std::set<std::wstring> all(kWords.begin(), kWords.end());
  for (const std::wstring& path : {utf8, utf16, utf16be}) {
    TextPhrases phrases(&engine);
    EXPECT_EQ(DrawnWords(phrases, path), all) << platform::ToUtf8(path);
    EXPECT_EQ(phrases.PhraseCount(), kWords.size());
  }
}

TEST_F(PhraseFiles, TextsNeverExceedTheirLength) {
  const std::wstring path = testsupport::NewScratchPath(L"words.txt");
  ASSERT_TRUE(platform::WriteTextFileUtf8(path, UntidyLines()));
  TextPhrases phrases(&engine);
  for (const long long length : {1LL, 4LL, 5LL, 6LL, 11LL, 50LL, 1000LL}) {
    for (int i = 0; i < 100; ++i) {
      const std::wstring text = phrases.MakeText(length, path);
      ASSERT_LE(static_cast<long long>(text.size()), length);
      ASSERT_TRUE(MadeOf(text, kWords)) << platform::ToUtf8(text);
      if (length >= 6) {
        ASSERT_FALSE(text.empty()) << length;  // room for at least one phrase
      }
    }
  }
  // Shorter than the shortest phrase ("beta" and the two-character one need more than 2).
  EXPECT_EQ(phrases.MakeText(2, path), L"");
  EXPECT_EQ(phrases.MakeText(0, path), L"");
  EXPECT_EQ(phrases.MakeText(-5, path), L"");
  // A long text is filled almost to its length.
  EXPECT_GE(phrases.MakeText(1000, path).size(), 990u);
}

TEST_F(PhraseFiles, OfBlankLinesGiveEmptyTexts) {
  const std::wstring path = testsupport::NewScratchPath(L"blank.txt");
  ASSERT_TRUE(platform::WriteTextFileUtf8(path, L"\n\r\n   \n\t\n\n"));
  TextPhrases phrases(&engine);
  EXPECT_EQ(phrases.MakeText(100, path), L"");
  EXPECT_EQ(phrases.PhraseCount(), 0u);
  EXPECT_EQ(Render(L"$text(100," + path + L")"), L"");
}

TEST_F(PhraseFiles, AreLoadedOnceFromTheFirstSourceThatHasAny) {
  const std::wstring first = testsupport::NewScratchPath(L"first.txt");
  const std::wstring second = testsupport::NewScratchPath(L"second.txt");
  ASSERT_TRUE(platform::WriteTextFileUtf8(first, L"one\ntwo\n"));
  ASSERT_TRUE(platform::WriteTextFileUtf8(second, L"three\nfour\n"));
  TextPhrases phrases(&engine);
  // No such file and no value library: nothing yet, and the next source is still tried.
  EXPECT_EQ(phrases.MakeText(50, testsupport::NewScratchPath(L"missing.txt")), L"");
  EXPECT_EQ(phrases.MakeText(50, L"EN"), L"");
  EXPECT_TRUE(MadeOf(phrases.MakeText(50, first), {L"one", L"two"}));
  EXPECT_TRUE(MadeOf(phrases.MakeText(50, second), {L"one", L"two"}));
  EXPECT_EQ(phrases.PhraseCount(), 2u);
}

TEST_F(PhraseFiles, NamesMayHoldPathMacros) {
  const std::wstring folder = PathMacros(L"$TEMP$");
  const std::wstring name = L"brunox-phrases-" + platform::FromInt(::getpid()) + L".txt";
  const std::wstring path = platform::JoinPath(folder, name);
  ASSERT_TRUE(platform::WriteTextFileUtf8(path, L"macro\n"));
  const std::wstring text = Render(L"$text(20,$TEMP$/" + name + L")");
  platform::RemoveFile(path);
  EXPECT_TRUE(MadeOf(text, {L"macro"})) << platform::ToUtf8(text);
  EXPECT_FALSE(text.empty());
}

TEST_F(PhraseFiles, ThroughThePattern) {
  // No phrase file and no value library: an empty text, not an error.
  EXPECT_EQ(Render(L"$text()"), L"");
  EXPECT_EQ(Render(L"$text(50,DE)"), L"");
  const std::wstring path = testsupport::NewScratchPath(L"pattern.txt");
  ASSERT_TRUE(platform::WriteTextFileUtf8(path, UntidyLines()));
  for (int i = 0; i < 100; ++i) {
    const std::wstring text = Render(L"[$text(40," + path + L")]x");
    ASSERT_LE(text.size(), 41u);
    ASSERT_EQ(text.back(), L'x');
    ASSERT_TRUE(MadeOf(text.substr(0, text.size() - 1), kWords)) << platform::ToUtf8(text);
  }
  // The engine keeps the first source that gave phrases for every `$text` that follows.
  const std::wstring shared = Render(L"$text(50,DE)");
  EXPECT_FALSE(shared.empty());
  EXPECT_TRUE(MadeOf(shared, kWords)) << platform::ToUtf8(shared);
}

TEST_F(PhraseFiles, StayWithinTheValueLimit) {
  const std::wstring path = testsupport::NewScratchPath(L"limit.txt");
  ASSERT_TRUE(platform::WriteTextFileUtf8(path, L"ab\n"));
  engine.SetMaxValueLength(100);
  const std::wstring text = Render(L"NNNNN$text(2000000000," + path + L")");
  EXPECT_LE(text.size(), 100u);
  EXPECT_GE(text.size(), 95u);
}

}  // namespace
}  // namespace engine_test
