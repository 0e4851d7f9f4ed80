// Takes arbitrary text as a version-control command template. Splitting either fails for an open
// quote or gives arguments; filling puts each value in once and never scans it again (a value
// that is itself a placeholder comes out as it went in); the shell form never holds a value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"
#include "wexal/UserCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text =
      platform::FromUnknown8Bit(std::string_view(reinterpret_cast<const char*>(data), size));

  std::vector<std::wstring> args;
  std::wstring error;
  if (!wexal::SplitCommandTemplate(text, args, error)) {
    if (error.empty() || !args.empty()) std::abort();
  }

  // Values that are the placeholders themselves: filling must leave every argument unchanged.
  const std::vector<wexal::Placeholder> echoing = {
      {L"%USER%", L"%USER%", L"%USER%", L"WEXAL_USER", true},
      {L"%COMMENT%", L"%COMMENT%", L"%COMMENT%", L"WEXAL_COMMENT", true},
  };
  for (const std::wstring& arg : args) {
    if (wexal::FillPlaceholders(arg, echoing, false) != arg) std::abort();
  }

  const std::wstring secret = L"\x1F" L"secret-value\x1F";
  if (text.find(secret) != std::wstring::npos) return 0;
  const std::vector<wexal::Placeholder> placeholders = {
      {L"%USER%", secret, L"user", L"WEXAL_USER", true},
      {L"%PASSWORD%", secret, L"********", L"WEXAL_PASSWORD", true},
      {L"%LOCAL-FILE%", secret, L"file", L"WEXAL_FILE", true},
  };
  if (wexal::ShellWithReferences(text, placeholders).find(secret) != std::wstring::npos)
    std::abort();
  return 0;
}
