#include "brunox/engine/run/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace {
// One step of the three priorities; far enough apart for the scheduler to tell them apart.
constexpr int kNiceStep = 5;
}  // namespace

int BaseNiceValue() {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);  // the calling thread on Linux
  return errno != 0 ? 0 : nice;
}

bool SetCurrentThreadPriority(int priority, int baseNice) {
  int nice = baseNice;
  if (priority == 0) nice += kNiceStep;
  if (priority == 2) nice -= kNiceStep;
  return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0;
}
