#pragma once
// Runs the interpreter of `$script` and `$scriptgroup`: an argument vector, never a shell; no
// standard input (/dev/null); standard output collected; standard error kept apart for the log;
// a time limit after which the script's whole process group is killed.
#include <chrono>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"

struct ScriptRunResult {
  std::string output;    // standard output, at most kMaxOutputBytes
  std::string errors;    // standard error, at most kMaxOutputBytes
  std::wstring failure;  // empty when the script started and exited with status 0
};

class SYNTHOR_API ScriptProcess {
 public:
  // As much output as the file loaders read from a file.
  static constexpr std::size_t kMaxOutputBytes = 16u * 1024u * 1024u;

  // Starts `interpreter` (a path, or a name looked up in PATH) with `args`, waits at most
  // Timeout() and returns what it printed. A missing interpreter, a non-zero exit status, a
  // signal and the time limit each give a `failure` text.
  static ScriptRunResult Run(const std::wstring& interpreter,
                             const std::vector<std::wstring>& args);

  // The time limit of every script run in this process (30 seconds unless set).
  static std::chrono::milliseconds Timeout();
  static void SetTimeout(std::chrono::milliseconds limit);
};
