#pragma once
// Process limits a large run runs into: every worker thread holds at least one descriptor (its
// connection's socket or database file).
#include <cstdint>

namespace platform {

// Raises the soft limit of open descriptors to the hard limit (a process may always do so) and
// returns the soft limit in force afterwards.
std::int64_t RaiseOpenFileLimit();
// The soft limit of open descriptors in force now.
std::int64_t OpenFileLimit();

}  // namespace platform
