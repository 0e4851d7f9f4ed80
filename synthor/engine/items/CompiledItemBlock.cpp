#include "synthor/engine/items/CompiledItemBlock.h"

#include <climits>

#include "synthor/engine/DSynthor.h"

namespace {

int LengthMark(const DGValue& out) {
  return out.value.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                              : static_cast<int>(out.value.size());
}

}  // namespace

int CompiledItemBlock::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (kind == MASK_BLOCK_START) {
    eng->SetBlockStart(LengthMark(*out));
  } else if (kind == MASK_BLOCK_END) {
    eng->SetBlockEnd(LengthMark(*out));
  } else {
    const int start = eng->BlockStart();
    const int end = eng->BlockEnd();
    if (start >= 0 && start < end && out->value.size() >= static_cast<std::size_t>(end)) {
      const std::wstring part = out->value.substr(start, end - start);
      return Append(eng, out, part) ? 1 : 0;
    }
  }
  return 1;
}
