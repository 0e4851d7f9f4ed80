#include "synthor/engine/DGRandom.h"

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>

// Draws read the buffer as little-endian integers straight from memory.
static_assert(std::endian::native == std::endian::little, "DGRandom expects a little-endian host");

namespace {

constexpr uint32_t kWordsPerFill = PRECREATED_BUF_SIZE / 4;

constexpr uint32_t kInitialY = 362436069;
constexpr uint32_t kInitialZ = 521288629;
constexpr uint32_t kInitialW = 88675123;

uint64_t SplitMix64(uint64_t v) {
  v += 0x9E3779B97F4A7C15ull;
  v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
  v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
  return v ^ (v >> 31);
}

// Conversions of user-supplied bounds saturate instead of overflowing; NaN becomes 0.
int64_t TruncToInt64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18) return std::numeric_limits<int64_t>::max();
  if (v <= -9.2e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}

int TruncToInt(double v) {
  int64_t i = TruncToInt64(v);
  if (i > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (i < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(i);
}

const std::vector<U_BLOCK>& BlockTable() {
  // Built once per process; C++ guarantees the initialisation is thread-safe.
  static const std::vector<U_BLOCK> table = {
      {L"Latin", 32, 126},       {L"Greek", 913, 1011},     {L"Cyrillic", 1025, 1103},
      {L"Hebrew", 1424, 1535},   {L"Arabic", 1536, 1791},   {L"Syriac", 1792, 1871},
      {L"Bengali", 2432, 2559},  {L"Thai", 3584, 3711},     {L"Lao", 3712, 3839},
      {L"Mongolian", 6144, 6319}, {L"CJK", 19968, 40959},   {L"Hangul", 44032, 55215},
  };
  return table;
}

}  // namespace

DGRandom::DGRandom()
    : buffer_(new uint8_t[PRECREATED_BUF_SIZE]()),
      x_(FreshSeed()),
      y_(kInitialY),
      z_(kInitialZ),
      w_(kInitialW),
      t_(0),
      offset_(PRECREATED_BUF_SIZE) {}

DGRandom::DGRandom(const DGRandom& other) : buffer_(new uint8_t[PRECREATED_BUF_SIZE]) {
  *this = other;
}

DGRandom& DGRandom::operator=(const DGRandom& other) {
  if (this == &other) return *this;
  std::memcpy(buffer_.get(), other.buffer_.get(), PRECREATED_BUF_SIZE);
  x_ = other.x_;
  y_ = other.y_;
  z_ = other.z_;
  w_ = other.w_;
  t_ = other.t_;
  offset_ = other.offset_;
  hasSpare_ = other.hasSpare_;
  spareY_ = other.spareY_;
  spareS_ = other.spareS_;
  return *this;
}

DGRandom::~DGRandom() = default;

uint32_t DGRandom::FreshSeed() {
  static std::atomic<uint64_t> counter{0};
  const uint64_t ticks = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(
          std::chrono::steady_clock::now().time_since_epoch())
          .count());
  const uint64_t thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
  const uint64_t count = counter.fetch_add(1, std::memory_order_relaxed);
  uint64_t mixed = SplitMix64(ticks ^ SplitMix64(thread ^ SplitMix64(count)));
  uint32_t seed = static_cast<uint32_t>(mixed ^ (mixed >> 32));
  return seed != 0 ? seed : 0x6A09E667u;
}

void DGRandom::srand(uint32_t seed) {
  x_ = seed;
  Fill();
}

void DGRandom::Init(uint32_t seed) {
  srand(seed);
  Load();
}

void DGRandom::Fill() {
  // The state lives in locals while the buffer is written: byte stores may alias anything, so the
  // members would be stored and reloaded at every step.
  uint32_t x = x_, y = y_, z = z_, w = w_, t = t_;
  uint8_t* out = buffer_.get();
  for (uint32_t i = 0; i < kWordsPerFill; ++i) {
    t = x ^ (x << 11);
    x = y;
    y = z;
    z = w;
    w = w ^ (w >> 19) ^ t ^ (t >> 8);
    std::memcpy(out + i * 4, &w, 4);
  }
  x_ = x;
  y_ = y;
  z_ = z;
  w_ = w;
  t_ = t;
  offset_ = 0;
}

wchar_t DGRandom::NextSeparator() {
  static constexpr wchar_t kSeparators[] = {L'.', L',', L'?', L'!'};
  return kSeparators[Next(4)];
}

double DGRandom::NextEven(double min, double max, int decimals) {
  const int64_t wideDiff = static_cast<int64_t>(TruncToInt(max)) - TruncToInt(min);
  const int diff = wideDiff > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                              : static_cast<int>(wideDiff);
  const int span = diff < 0 ? 0 : diff;
  double result = min;
  for (int attempt = 0; attempt < 10; ++attempt) {
    // A later attempt builds on the previous one's result rather than starting from min.
    if (diff <= 0)
      result = min;
    else
      result += Next(span);
    if (decimals > 0) {
      const double c = std::pow(10.0, decimals);
      double d = c;
      while (d > 0.0001 && d / c + result > max) d *= 0.9;
      result += Next(TruncToInt(d)) / c;
    } else if (decimals < 0) {
      const int64_t p = TruncToInt64(std::pow(10.0, -static_cast<double>(decimals)));
      if (p > 0) result -= static_cast<double>(TruncToInt64(result) % p);
    }
    if (min <= result && result <= max) break;
  }
  return result;
}

double DGRandom::NextLinear(double min, double span) {
  double d;
  double u;
  do {
    u = 1.0 - GetShort() / 32760.0;
    d = 1.0 - GetShort() / 32760.0;
  } while (u > d);
  return min + span * d;
}

double DGRandom::NextNormal(double mean, double deviation) {
  if (hasSpare_) {
    hasSpare_ = false;
    return mean + deviation * spareY_ * std::sqrt(-2.0 * std::log(spareS_) / spareS_);
  }
  double x;
  double y;
  double s;
  do {
    x = 1.0 - GetShort() / 16380.0;
    y = 1.0 - GetShort() / 16380.0;
    s = x * x + y * y;
  } while (!(s > 0.0 && s < 1.0));
  hasSpare_ = true;
  spareY_ = y;
  spareS_ = s;
  return mean + deviation * x * std::sqrt(-2.0 * std::log(s) / s);
}

wchar_t DGRandom::OneUnicodeChar(const std::vector<uint8_t>& blocks) {
  const int count = blocks.size() > static_cast<size_t>(std::numeric_limits<int>::max())
                        ? std::numeric_limits<int>::max()
                        : static_cast<int>(blocks.size());
  const int i = Next(count);
  const U_BLOCK* block = i < count ? getUnicodeBlock(blocks[i]) : nullptr;
  if (block == nullptr) block = getUnicodeBlock(0);
  return static_cast<wchar_t>(block->first + Next(block->last - block->first));
}

void DGRandom::Load() { BlockTable(); }

int DGRandom::nUnicodeBlocks() { return static_cast<int>(BlockTable().size()); }

const U_BLOCK* DGRandom::getUnicodeBlock(int i) {
  const std::vector<U_BLOCK>& table = BlockTable();
  if (i < 0 || i >= static_cast<int>(table.size())) return nullptr;
  return &table[static_cast<size_t>(i)];
}
