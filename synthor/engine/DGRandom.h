#pragma once
// The engine's random-number source: Marsaglia's xorshift128 generator writing a 64 KiB buffer of
// random bytes, from which draws of 2, 4 or 8 bytes are taken. Each engine owns one generator and
// uses it from one thread only; the draw sequence for an explicit seed is fixed and reproducible.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"

constexpr uint32_t PRECREATED_BUF_SIZE = 65536;  // bytes of generator output per fill

// One range of code points that random text can be drawn from.
struct SYNTHOR_API U_BLOCK {
  std::wstring name;
  int first = 0;
  int last = 0;  // never produced itself: draws lie in [first, last)
};

class SYNTHOR_API DGRandom {
 public:
  // x comes from FreshSeed(), y, z, w from fixed constants. The buffer is filled by the first draw
  // (or by srand/Init), so a generator that was never seeded still draws inside its buffer.
  DGRandom();
  DGRandom(const DGRandom& other);
  DGRandom& operator=(const DGRandom& other);
  virtual ~DGRandom();

  // x = seed; y, z, w keep their current values; then the buffer is refilled. Fully
  // deterministic: two generators with the same y, z, w and seed draw the same sequence.
  void srand(uint32_t seed);
  // srand(seed), then makes sure the process-wide block table exists.
  void Init(uint32_t seed);
  // A seed that differs between generators created at the same moment, in the same or in other
  // threads (monotonic clock, thread id and a process-wide counter mixed together); never 0.
  static uint32_t FreshSeed();

  int Next(int n);              // [0, n); 0 when n <= 0. Takes 2 bytes for n <= 32766, else 4
  int64_t Next64(int64_t n);    // [0, n); 8 bytes for n > 2147483647, else as Next
  wchar_t NextDigit();          // '0'..'9'
  wchar_t NextLetter();         // 'a'..'z'
  wchar_t NextUpperLetter();    // 'A'..'Z'
  wchar_t NextHexChar();        // '0'..'9', 'A'..'F'
  wchar_t NextSeparator();      // one of . , ? !
  // n characters drawn from `alphabet` as n calls of Next(kSize) would choose them (the same
  // bytes, the same values), written to `out`; the buffer is read in stretches without a check
  // per character.
  template <int kSize>
  void NextChars(wchar_t* out, std::size_t n, const wchar_t (&alphabet)[kSize]);

  // A value in [min, max] with `decimals` decimals (negative: rounded down to a multiple of
  // 10^-decimals); gives up after ten tries and returns the last one.
  double NextEven(double min, double max, int decimals);
  // A value in [min, min + span] whose density rises linearly towards min + span.
  double NextLinear(double min, double span);
  // A normal deviate (polar method). The second value of each pair is kept in this generator and
  // returned by the next call.
  double NextNormal(double mean, double deviation);

  // One character of a block chosen at random from `blocks` (indexes into the block table). An
  // empty list, or an index that names no block, draws from the Latin block (index 0) instead.
  wchar_t OneUnicodeChar(const std::vector<uint8_t>& blocks);

  // The process-wide block table: built once, thread-safely, on first use; read-only afterwards.
  static void Load();
  static int nUnicodeBlocks();
  static const U_BLOCK* getUnicodeBlock(int i);  // nullptr when i is out of range

  // Observer for tests: the read position in the buffer, in bytes. PRECREATED_BUF_SIZE before
  // the first fill.
  uint32_t Offset() const { return offset_; }

 protected:
  void Fill();       // 16384 steps of the generator into the buffer; offset back to 0
  int GetShort();    // 2 bytes, little-endian, sign bit cleared: 0..32767
  int GetInt();      // 4 bytes: 0..2^31-1
  int64_t Get64();   // 8 bytes: 0..2^63-1

 private:
  void Reserve(uint32_t size);  // refills when the draw would reach the buffer's last byte

  // Kept on the heap so an engine stays small enough for the workers' small thread stacks.
  std::unique_ptr<uint8_t[]> buffer_;
  uint32_t x_, y_, z_, w_, t_;
  uint32_t offset_;
  // The spare of the last normal pair.
  bool hasSpare_ = false;
  double spareY_ = 0.0;
  double spareS_ = 0.0;
};

// The draws are inline: character runs take one per character, and a call into the library for
// each would cost more than the draw itself.
inline void DGRandom::Reserve(uint32_t size) {
  if (offset_ + size > PRECREATED_BUF_SIZE - 1) Fill();
}

inline int DGRandom::GetShort() {
  Reserve(2);
  uint16_t v;
  std::memcpy(&v, buffer_.get() + offset_, 2);
  offset_ += 2;
  return static_cast<int>(v & 0x7FFFu);
}

inline int DGRandom::GetInt() {
  Reserve(4);
  uint32_t v;
  std::memcpy(&v, buffer_.get() + offset_, 4);
  offset_ += 4;
  return static_cast<int>(v & 0x7FFFFFFFu);
}

inline int64_t DGRandom::Get64() {
  Reserve(8);
  uint64_t v;
  std::memcpy(&v, buffer_.get() + offset_, 8);
  offset_ += 8;
  return static_cast<int64_t>(v & 0x7FFFFFFFFFFFFFFFull);
}

inline int DGRandom::Next(int n) {
  if (n <= 0) return 0;
  if (n > 32766) return GetInt() % n;
  return GetShort() % n;
}

inline int64_t DGRandom::Next64(int64_t n) {
  if (n > 2147483647) return Get64() % n;
  return Next(static_cast<int>(n < 0 ? 0 : n));
}

inline wchar_t DGRandom::NextDigit() { return static_cast<wchar_t>(L'0' + Next(10)); }

inline wchar_t DGRandom::NextLetter() { return static_cast<wchar_t>(L'a' + Next(26)); }

inline wchar_t DGRandom::NextUpperLetter() { return static_cast<wchar_t>(L'A' + Next(26)); }

inline wchar_t DGRandom::NextHexChar() {
  const int v = Next(16);
  return static_cast<wchar_t>(v <= 9 ? L'0' + v : L'A' + v - 10);
}

template <int kSize>
void DGRandom::NextChars(wchar_t* out, std::size_t n, const wchar_t (&alphabet)[kSize]) {
  static_assert(kSize > 0 && kSize <= 32766, "Next draws two bytes only up to 32766");
  constexpr uint32_t kReadLimit = PRECREATED_BUF_SIZE - 1;
  while (n > 0) {
    Reserve(2);
    const std::size_t fit = (kReadLimit - offset_) / 2;  // at least 1 after Reserve
    const std::size_t k = n < fit ? n : fit;
    const uint8_t* in = buffer_.get() + offset_;
    for (std::size_t i = 0; i < k; ++i) {
      uint16_t v;
      std::memcpy(&v, in + 2 * i, 2);
      out[i] = alphabet[(v & 0x7FFFu) % kSize];
    }
    offset_ += static_cast<uint32_t>(2 * k);
    out += k;
    n -= k;
  }
}
