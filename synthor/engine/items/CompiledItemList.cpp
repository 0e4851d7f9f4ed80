#include "synthor/engine/items/CompiledItemList.h"

#include "synthor/engine/DSynthor.h"

namespace {

// Every character of such a text compiles to a literal character item.
bool IsLiteralPattern(const std::wstring& text) {
  return text.find_first_of(L"$<@AaNX[()#\\") == std::wstring::npos;
}

}  // namespace

bool CompiledItemList::Add(const std::wstring& alternative) {
  alternatives.push_back(alternative);
  const uint32_t handle = engine ? engine->Compile(alternative, 0, -1, nullptr) : 0;
  handles.push_back(handle);
  literal_.push_back(handle != 0 && IsLiteralPattern(alternative));
  return handle != 0;
}

int CompiledItemList::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  const int i = eng->random.Next(static_cast<int>(handles.size()));
  const auto chosen = static_cast<std::size_t>(i);
  const uint32_t handle = chosen < handles.size() ? handles[chosen] : 0;
  if (chosen < literal_.size() && literal_[chosen] && eng->CanNestDeeper()) {
    const std::wstring& text = alternatives[chosen];
    const std::size_t limit = eng->MaxValueLength();
    if (text.size() <= limit && out->value.size() <= limit - text.size()) {
      // What the nested rendering leaves behind: error code 0 (text kept), no format.
      eng->SetError(0, nullptr);
      out->value.append(text);
      out->format.clear();
      return 1;
    }
  }
  scratch.Clear();
  const int result = eng->Value(-1, handle, &scratch, nullptr, 0);
  if (!AppendTakingFormat(eng, out, scratch)) return 0;
  return result;
}
