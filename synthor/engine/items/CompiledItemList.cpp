#include "synthor/engine/items/CompiledItemList.h"

#include "synthor/engine/DSynthor.h"

bool CompiledItemList::Add(const std::wstring& alternative) {
  alternatives.push_back(alternative);
  const uint32_t handle = engine ? engine->Compile(alternative, 0, -1, nullptr) : 0;
  handles.push_back(handle);
  return handle != 0;
}

int CompiledItemList::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  const int i = eng->random.Next(static_cast<int>(handles.size()));
  const uint32_t handle = static_cast<std::size_t>(i) < handles.size() ? handles[i] : 0;
  scratch.Clear();
  const int result = eng->Value(-1, handle, &scratch, nullptr, 0);
  if (!AppendTakingFormat(eng, out, scratch)) return 0;
  return result;
}
