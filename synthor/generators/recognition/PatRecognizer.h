#pragma once
// Recognises the shape of sample texts and writes it as a value pattern: each sample is cut into
// tokens (characters, or runs of digits and of letters), each token is classified (digits, hex
// digits, letters by case, other text, constant), samples of like shape merge into one item, and
// an item renders as a pattern whose values look like its samples. Text taken over from the
// samples is always escaped, so a sample holding pattern syntax gives back that syntax literally.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"

// One sample and how many times it was seen.
class SYNTHOR_API PatRecognizerValue {
 public:
  PatRecognizerValue(const wchar_t* text, int count);

  std::wstring text;
  int count = 1;
};

// One position of an item: what kind of text stands there and every text met there.
class SYNTHOR_API PatToken {
 public:
  enum Type {
    kMixedLetters = 0,
    kLowerLetters = 1,
    kUpperLetters = 2,
    kCapitalised = 3,
    kOther = 4,
    kDigits = 5,
    kHexDigits = 6,
    kConstant = 7,
  };
  // No remaining length budget: a token renders in full.
  static constexpr int kNoBudget = -1;

  explicit PatToken(const std::wstring& text);

  // The type of a token text (the table at the top of PatRecognizer.cpp).
  static int Classify(const std::wstring& text);

  // Holds `text` as well unless it is held already (exact comparison); lengths stay.
  void AddValue(const std::wstring& text);
  // The pattern of this token. `budget` (in/out, kNoBudget for none) caps the token's maximum
  // length and falls by what the token may use.
  std::wstring Render(int* budget) const;

  int type = kOther;
  std::vector<std::wstring> values;  // distinct texts met at this position, in order
  int minLength = 2000000000;
  int maxLength = 0;
};

// Samples of one shape: their tokens in order and the sum of their counts.
class SYNTHOR_API PatItem {
 public:
  PatItem() = default;
  PatItem(const PatItem&) = delete;
  PatItem& operator=(const PatItem&) = delete;

  // Widens this item to take `other` (same token count): true when anything had to change.
  bool Accepts(const PatItem& other);
  // Every token of `other` has this item's token type at the same place.
  bool Equals(const PatItem& other) const;
  // Takes `other`'s values and weight.
  void Merge(const PatItem& other);
  // The pattern of the whole item; `maxLength` >= 1 caps the length of its values.
  std::wstring Render(int maxLength = PatToken::kNoBudget) const;

  int weight = 0;
  std::vector<std::unique_ptr<PatToken>> tokens;
};

class SYNTHOR_API PatRecognizer {
 public:
  // Longest text ToGenerator gives; a longer one becomes empty.
  static constexpr std::size_t kMaxGeneratorText = 500;
  // Most items ToGenerator writes into one list.
  static constexpr std::size_t kMaxGeneratorItems = 12;

  PatRecognizer() = default;
  PatRecognizer(const PatRecognizer&) = delete;
  PatRecognizer& operator=(const PatRecognizer&) = delete;

  // A null text adds nothing; a count below 1 counts as 1.
  void Add(const std::wstring* text, int count);
  // Builds the items from the samples (afresh on every call).
  void Recognize();
  // One pattern for all items: a weighted `$List(P, ...)` of the item patterns whose share is
  // at least `minPercent` (when >= 1), each capped at `maxLength` characters (when >= 1). An
  // empty text when no such pattern can be written.
  std::wstring ToGenerator(int minPercent, int maxLength) const;

  const std::vector<std::unique_ptr<PatItem>>& Items() const { return items_; }
  const std::vector<std::unique_ptr<PatRecognizerValue>>& Samples() const { return samples_; }

 private:
  std::unique_ptr<PatItem> MakeItem(const PatRecognizerValue& sample, bool split) const;
  void MergeOrAppend(std::unique_ptr<PatItem> item);

  std::vector<std::unique_ptr<PatItem>> items_;
  std::vector<std::unique_ptr<PatRecognizerValue>> samples_;
};
