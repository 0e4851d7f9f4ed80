#include "synthor/generators/choices/UniqueChecker.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

inline uint32_t AddByte(uint32_t crc, uint32_t byte) {
  return kCrcTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
}

// The low byte always, the high byte only when it is not zero: texts below U+0100 keep the
// checksum of their bytes, and the rest of Unicode is told apart instead of folding every
// character onto its low byte (all of CJK onto 256 values).
inline uint32_t AddUnit(uint32_t crc, uint32_t unit) {
  crc = AddByte(crc, unit);
  const uint32_t high = (unit >> 8) & 0xFFu;
  return high != 0 ? AddByte(crc, high) : crc;
}

}  // namespace

uint32_t StringCRC32(const std::wstring& text) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const wchar_t ch : text) {
    const uint32_t c = static_cast<uint32_t>(ch);
    if (c > 0xFFFFu && c <= 0x10FFFFu) {
      // The value is defined over UTF-16, so a character beyond the BMP counts as its surrogates.
      const uint32_t v = c - 0x10000u;
      crc = AddUnit(crc, 0xD800u + (v >> 10));
      crc = AddUnit(crc, 0xDC00u + (v & 0x3FFu));
    } else {
      crc = AddUnit(crc, c);
    }
  }
  return crc ^ 0xFFFFFFFFu;
}

UniqueChecker::UniqueChecker() { seen_.max_load_factor(1.0f); }

UniqueChecker::UniqueChecker(const UniqueChecker& other) = default;

UniqueChecker& UniqueChecker::operator=(const UniqueChecker& other) = default;

UniqueChecker::~UniqueChecker() { seen_.clear(); }

int UniqueChecker::IsUnique(const std::wstring* text) {
  static const std::wstring kEmpty;
  return seen_.insert(StringCRC32(text ? *text : kEmpty)).second ? 1 : 0;
}

void UniqueChecker::Reset() { seen_.clear(); }
