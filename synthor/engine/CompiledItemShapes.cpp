// Self-contained random literals: GUIDs and the spatial values of `$geography` and `$geometry`.
#include <sys/random.h>

#include <cstdint>

#include "platform/Text.h"
#include "synthor/engine/CompiledItem.h"
#include "synthor/engine/DSynthor.h"

namespace {

// A version-4 GUID. The system's random source keeps GUIDs unique across engines and processes;
// the engine's generator is only the fallback when that source is unavailable.
std::wstring NewGuidText(DGRandom& random) {
  uint8_t bytes[16];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random.Next(256));
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += L'-';
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0x0F];
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
  std::wstring guid = NewGuidText(eng->random);
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
