#pragma once
// Starting other programs without a shell (argument vectors, posix_spawn). RunProcess is the one
// way to run a program and wait for it; SpawnDetached starts one and lets it go.
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct ProcessRequest {
  std::wstring program;            // a path, or a name looked up in PATH
  std::vector<std::wstring> args;  // never through a shell
  std::wstring workingFolder;      // empty: the caller's
  // Added to (or replacing in) the caller's environment.
  std::vector<std::pair<std::wstring, std::wstring>> environment;
  // Negative: no limit; on expiry the whole process group is killed.
  std::chrono::milliseconds timeout{-1};
  bool mergeErrors = false;  // true: standard error goes into `output` too
  // Bytes kept of each stream; the rest is read and dropped.
  std::size_t outputLimit = 16u * 1024u * 1024u;
};

struct ProcessResult {
  bool started = false;
  std::wstring startError;  // why it could not start (the system's text), empty when it started
  bool timedOut = false;
  int exitCode = -1;   // 128 + signal number when a signal ended it
  int signal = 0;      // the signal that ended it, 0 when it exited
  std::string output;  // standard output (and standard error when merged)
  std::string errors;  // standard error when not merged
};

// Runs the program and waits until it has ended and both its streams are closed (a child it left
// running that still holds them keeps the call waiting, up to the timeout). Standard input is
// /dev/null. With a timeout the program runs in a process group of its own, and the whole group
// is killed when the time is up, so whatever it started goes with it. PATH is the caller's even
// when `environment` sets another. Safe to call from several threads at once.
ProcessResult RunProcess(const ProcessRequest& request);

// Starts `program` (a path, or a name looked up in PATH) with `args` and does not wait for it.
// The child is reaped in the background so no zombie stays. False and `error` on failure.
// `onExit` (optional) gets the program's exit code (128 + the signal number when a signal ended
// it) once it has ended; it runs on the thread that reaps it, never on the caller's.
bool SpawnDetached(const std::wstring& program, const std::vector<std::wstring>& args,
                   std::wstring* error = nullptr, std::function<void(int exitCode)> onExit = {});

// Runs `program` with `args`, waits, and returns its exit code (-1 when it could not start,
// 128 + the signal number when a signal ended it). Standard output and error are collected into
// `output` (cleared first) when it is given, else dropped.
int RunAndWait(const std::wstring& program, const std::vector<std::wstring>& args,
               std::string* output = nullptr);

}  // namespace platform
