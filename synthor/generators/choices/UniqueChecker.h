#pragma once
// Remembers which texts were given already, by their CRC-32 only: memory grows by one 32-bit
// number per text whatever its length. Two texts with the same CRC-32 count as the same text.
#include <cstdint>
#include <string>
#include <unordered_set>

#include "synthor/engine/SynthorExport.h"

// CRC-32 (the reflected IEEE 802.3 polynomial) over each UTF-16 unit of `text`: its low byte,
// then its high byte when that is not zero. For text below U+0100 it is the usual CRC-32 of
// those bytes ("abc" gives 0x352441C2).
SYNTHOR_API uint32_t StringCRC32(const std::wstring& text);

class SYNTHOR_API UniqueChecker {
 public:
  UniqueChecker();
  UniqueChecker(const UniqueChecker& other);
  UniqueChecker& operator=(const UniqueChecker& other);
  virtual ~UniqueChecker();

  // 1 when the text's CRC is new (it is remembered from now on), 0 when it was seen. A null
  // text counts as the empty text.
  int IsUnique(const std::wstring* text);
  // Forgets every CRC.
  void Reset();

 private:
  std::unordered_set<uint32_t> seen_;
};
