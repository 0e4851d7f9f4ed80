#include "synthor/generators/base/UserNotice.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/UiServices.h"

namespace user_notice {
namespace {

using Clock = std::chrono::steady_clock;

struct Shown {
  std::mutex lock;
  std::map<std::pair<std::wstring, std::wstring>, Clock::time_point> last;
};

Shown& TheShown() {
  static Shown shown;
  return shown;
}

}  // namespace

bool Show(const std::wstring& caption, const std::wstring& text) {
  Shown& shown = TheShown();
  {
    const std::lock_guard<std::mutex> guard(shown.lock);
    const auto now = Clock::now();
    // Old entries go, so a long run with ever-new texts keeps a small map.
    for (auto it = shown.last.begin(); it != shown.last.end();)
      it = now - it->second >= kNoticeInterval ? shown.last.erase(it) : std::next(it);
    const auto [it, inserted] = shown.last.emplace(std::make_pair(caption, text), now);
    if (!inserted) return false;
  }
  // Outside the lock: a window's message box waits for the person.
  platform::Ui().MessageBox(text, caption, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
  return true;
}

void ForgetShown() {
  Shown& shown = TheShown();
  const std::lock_guard<std::mutex> guard(shown.lock);
  shown.last.clear();
}

}  // namespace user_notice
