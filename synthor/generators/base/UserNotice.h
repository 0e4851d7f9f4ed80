#pragma once
// Messages a generator shows a person while a worker renders values. A load test renders the
// same failing value many times on many threads: the same message is shown at most once in
// kNoticeInterval, the repeats are dropped.
#include <chrono>
#include <string>

#include "synthor/engine/SynthorExport.h"

namespace user_notice {

inline constexpr std::chrono::seconds kNoticeInterval{60};

// Shows `text` under `caption` through platform::Ui() unless the same caption and text were shown
// less than kNoticeInterval ago. True when it was shown. Thread-safe.
SYNTHOR_API bool Show(const std::wstring& caption, const std::wstring& text);

// Forgets what was shown (tests).
SYNTHOR_API void ForgetShown();

}  // namespace user_notice
