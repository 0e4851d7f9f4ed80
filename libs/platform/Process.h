#pragma once
// Starting other programs without a shell (argument vectors, posix_spawn).
#include <string>
#include <vector>

namespace platform {

// Starts `program` (a path, or a name looked up in PATH) with `args` and does not wait for it.
// The child is reaped in the background so no zombie stays. False and `error` on failure.
bool SpawnDetached(const std::wstring& program, const std::vector<std::wstring>& args,
                   std::wstring* error = nullptr);

// Runs `program` with `args`, waits, and returns its exit code (-1 when it could not start,
// 128 + the signal number when a signal ended it). Standard output and error are collected into
// `output` (cleared first) when it is given.
int RunAndWait(const std::wstring& program, const std::vector<std::wstring>& args,
               std::string* output = nullptr);

}  // namespace platform
