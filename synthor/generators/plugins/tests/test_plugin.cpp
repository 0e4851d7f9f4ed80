// A value plug-in for the tests. Install remembers its parameter; GetValue returns
// "<parameter length>:<calls on this thread>", counting per thread so that engines on several
// threads each see their own sequence. Also built without GetValue, and without either.
#include <atomic>
#include <string>

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
[[maybe_unused]] std::atomic<int> installedLength{0};
[[maybe_unused]] thread_local std::wstring value;
[[maybe_unused]] thread_local int calls = 0;
}  // namespace

#ifndef TEST_PLUGIN_NO_ENTRY
PLUGIN_EXPORT void Install(const wchar_t* parameter) {
  installedLength.store(static_cast<int>(std::wstring(parameter ? parameter : L"").size()));
}
#endif

#if !defined(TEST_PLUGIN_INSTALL_ONLY) && !defined(TEST_PLUGIN_NO_ENTRY)
PLUGIN_EXPORT const wchar_t* GetValue(int reserved) {
  if (reserved != 0) return nullptr;
  value = std::to_wstring(installedLength.load()) + L":" + std::to_wstring(++calls);
  return value.c_str();
}
#endif
