// Self-contained random literals: GUIDs and the spatial values of `$geography` and `$geometry`.
#include <sys/random.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

#include "platform/Text.h"
#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/DSynthor.h"

namespace {

// A version-4 (random) GUID in its usual text form, lower case with dashes, from the kernel's
// random source (getrandom), read in blocks into a per-thread buffer. libuuid's
// uuid_generate_random gives the same kind of GUID but also stirs glibc's random() under one
// process-wide lock for every GUID, so eight threads made GUIDs slower than one.
std::wstring NewGuidText() {
  thread_local unsigned char pool[4096];
  thread_local size_t used = sizeof(pool);
  if (used + 16 > sizeof(pool)) {
    size_t filled = 0;
    while (filled < sizeof(pool)) {
      const ssize_t n = getrandom(pool + filled, sizeof(pool) - filled, 0);
      if (n > 0) {
        filled += static_cast<size_t>(n);
      } else if (n < 0 && errno != EINTR) {
        // No kernel random source: fall back to a clock-seeded generator rather than fail.
        std::mt19937_64 fallback(std::random_device{}() ^
                                 static_cast<uint64_t>(std::chrono::steady_clock::now()
                                                           .time_since_epoch()
                                                           .count()));
        for (; filled < sizeof(pool); ++filled) pool[filled] = static_cast<unsigned char>(fallback());
      }
    }
    used = 0;
  }
  unsigned char id[16];
  std::memcpy(id, pool + used, sizeof(id));
  used += sizeof(id);
  id[6] = static_cast<unsigned char>((id[6] & 0x0F) | 0x40);  // version 4
  id[8] = static_cast<unsigned char>((id[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring text;
  text.reserve(36);
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += L'-';
    text += kHex[id[i] >> 4];
    text += kHex[id[i] & 0x0F];
  }
  return text;
}

std::wstring GeographyPair(DGRandom& random) {
  const int a = random.Next(359) - 179;
  const int b = random.Next(999);
  const int c = random.Next(359) - 179;
  const int d = random.Next(999);
  return platform::Format(L"%d.%03d %d.%03d", a, b, c, d);
}

std::wstring GeometryPoint(DGRandom& random) {
  const int first = random.Next(100);
  const int second = random.Next(100);
  return platform::Format(L"%d %d", second, first);
}

}  // namespace

int CompiledItem::Guid(DGValue* out, DSynthor* eng) {
  std::wstring guid = NewGuidText();
  if (upperCase) guid = platform::ToUpper(guid);
  if (noDash) guid = platform::ReplaceAll(guid, L"-", L"");
  return Append(eng, out, guid) ? 1 : 0;
}

int CompiledItem::Geography(DGValue* out, DSynthor* eng) {
  const int shape = eng->random.Next(3);
  const int pairs = shape == 0 ? 1 : shape == 1 ? 2 : 4;
  std::wstring drawn[4];
  for (int i = 0; i < pairs; ++i) drawn[i] = GeographyPair(eng->random);
  std::wstring literal;
  // The pairs are written in the reverse of the order they were drawn in.
  if (shape == 0) {
    literal = L"POINT(" + drawn[0] + L")";
  } else if (shape == 1) {
    literal = L"LINESTRING(" + drawn[1] + L"," + drawn[0] + L")";
  } else {
    literal = L"POLYGON((" + drawn[3] + L"," + drawn[2] + L"," + drawn[1] + L"," + drawn[0] + L"))";
  }
  return Append(eng, out, literal) ? 1 : 0;
}

int CompiledItem::Geometry(DGValue* out, DSynthor* eng) {
  const int parts = platform::ToInt(text);
  const int shape = eng->random.Next(3);  // one shape for every part
  std::wstring body;
  for (int i = 0; i < parts; ++i) {
    if (i > 0) body += L", ";
    body += L'(';
    if (shape == 2) body += L'(';
    body += GeometryPoint(eng->random);
    if (shape >= 1) body += L", " + GeometryPoint(eng->random);
    if (shape == 2) {
      body += L"," + GeometryPoint(eng->random);
      body += L", " + GeometryPoint(eng->random);
      body += L')';
    }
    body += L')';
    if (!eng->CanGrow(out->value.size(), body.size())) return 0;
  }
  static constexpr const wchar_t* kShapes[] = {L"POINT", L"LINESTRING", L"POLYGON"};
  std::wstring literal = parts >= 2 ? L"MULTI" : L"";
  literal += kShapes[shape];
  literal += parts >= 2 ? L"(" + body + L")" : body;
  return Append(eng, out, literal) ? 1 : 0;
}
