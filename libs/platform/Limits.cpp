#include "platform/Limits.h"

#include <sys/resource.h>

namespace platform {

namespace {

std::int64_t AsCount(rlim_t value) {
  return value == RLIM_INFINITY ? INT64_MAX : static_cast<std::int64_t>(value);
}

}  // namespace

std::int64_t RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
  if (limit.rlim_cur != limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return AsCount(limit.rlim_cur);
}

std::int64_t OpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
  return AsCount(limit.rlim_cur);
}

}  // namespace platform
