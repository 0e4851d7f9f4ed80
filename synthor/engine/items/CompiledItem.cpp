#include "synthor/engine/items/CompiledItem.h"

#include <optional>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/builtins/BuiltinFormats.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/PatternExcerpt.h"

using namespace engine_errors;

CompiledItem::CompiledItem(DSynthor* owner, int itemKind) : engine(owner), kind(itemKind) {}

CompiledItem::~CompiledItem() = default;

int CompiledItem::nValues() { return 1; }

void CompiledItem::Reset() {}

int CompiledItem::Nested(DSynthor* eng, QuoteOptions* options) {
  scratch.Clear();
  return eng->Value(-1, text, &lookup_, &scratch, options);
}

bool CompiledItem::Append(DSynthor* eng, DGValue* out, std::wstring_view piece) {
  if (!eng->CanGrow(out->value.size(), piece.size())) return false;
  out->value.append(piece);
  return true;
}

bool CompiledItem::AppendTakingFormat(DSynthor* eng, DGValue* out, const DGValue& piece) {
  if (!Append(eng, out, piece.value)) return false;
  out->format = piece.format;
  return true;
}

int CompiledItem::Value(DGValue* out, DSynthor* caller, QuoteOptions* options) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  switch (kind) {
    case MASK_CHAR:
      return Append(eng, out, text) ? 1 : 0;
    case MASK_OPTIONAL:
      return Optional(out, eng, options);
    case MASK_PATTERN:
    case MASK_CALL:
      return NestedPattern(out, eng, options);
    case MASK_LOWER:
    case MASK_UPPER:
      return ChangeCase(out, eng, options);
    case MASK_FIRST:
    case MASK_LAST:
      return FirstOrLast(out, eng, options);
    case MASK_OLD:
      return Old(out, eng);
    case MASK_FORMAT:
      return Formatted(out, eng, options);
    case MASK_VARIABLES:
      return Variables(out, eng);
    case MASK_GUID:
      return Guid(out, eng);
    case MASK_GEOGRAPHY:
      return Geography(out, eng);
    case MASK_GEOMETRY:
      return Geometry(out, eng);
    default:
      // Every other kind belongs to a subclass; a bare item of such a kind has nothing to draw on.
      eng->SetError(kNoGenerator, kNoGeneratorText);
      return 0;
  }
}

int CompiledItem::Optional(DGValue* out, DSynthor* eng, QuoteOptions* options) {
  if (eng->random.Next(2) != 1) return 1;
  return NestedPattern(out, eng, options);
}

int CompiledItem::NestedPattern(DGValue* out, DSynthor* eng, QuoteOptions* options) {
  if (!Nested(eng, options)) return 0;
  return AppendTakingFormat(eng, out, scratch) ? 1 : 0;
}

int CompiledItem::ChangeCase(DGValue* out, DSynthor* eng, QuoteOptions* options) {
  if (!Nested(eng, options)) return 0;
  const std::wstring changed =
      kind == MASK_LOWER ? platform::ToLower(scratch.value) : platform::ToUpper(scratch.value);
  return Append(eng, out, changed) ? 1 : 0;
}

int CompiledItem::FirstOrLast(DGValue* out, DSynthor* eng, QuoteOptions* options) {
  if (!Nested(eng, options)) return 0;
  const long long n = count < 0 ? 0 : count;
  const std::wstring part =
      kind == MASK_FIRST ? platform::Left(scratch.value, n) : platform::Right(scratch.value, n);
  return Append(eng, out, part) ? 1 : 0;
}

int CompiledItem::Old(DGValue* out, DSynthor* eng) {
  return Append(eng, out, eng->OldText()) ? 1 : 0;
}

int CompiledItem::Formatted(DGValue* out, DSynthor* eng, QuoteOptions* options) {
  if (!Nested(eng, options)) return 0;
  // The one conversion of the format decides how the nested text is read.
  std::wstring why;
  std::optional<std::wstring> formatted;
  switch (ClassifyUserFormat(format, &why)) {
    case UserFormatKind::Literal:
      formatted = format;
      break;
    case UserFormatKind::Integer:
      formatted = platform::FormatUserInteger(format, platform::ToInt64(scratch.value), &why);
      break;
    case UserFormatKind::Number:
      formatted = platform::FormatUserNumber(format, platform::ToDouble(scratch.value), &why);
      break;
    case UserFormatKind::Text:
      formatted = platform::FormatUserText(format, scratch.value, &why);
      break;
    case UserFormatKind::Invalid:
      break;
  }
  if (!formatted) {
    eng->SetError(kBadFormat,
                  platform::Format(kBadFormatText, PatternExcerpt(format).c_str(), why.c_str()));
    return 0;
  }
  return Append(eng, out, *formatted) ? 1 : 0;
}
