#pragma once
// How a run reports to whoever started it (the window, or console mode): an event code with two
// numbers and two texts; the meaning of the result depends on the code.
#include <functional>
#include <string>

#include "brunox/engine/project/RunEvents.h"  // the codes and what their arguments mean

using RunCallback =
    std::function<int(int code, int a, int b, const std::wstring& p, const std::wstring& s)>;
