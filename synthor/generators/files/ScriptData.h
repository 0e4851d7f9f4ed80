#pragma once
// `$script(interpreter, script file, [argument ...])`: the lines a script prints, drawn at
// random. The script runs once, when the pattern is compiled: an argument vector, never a shell;
// no standard input; standard error kept apart for the log; killed with whatever it started when
// it outlives Timeout().
// Arguments longer than two characters that begin with "@" or "$" are patterns, evaluated first.
// A process confined to this machine (platform/Confinement.h) starts an interpreter and a script
// only from its fixture folders.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;
class DSynthor;
struct GeneratorCall;

class SYNTHOR_API ScriptData : public IGenerator {
 public:
  ScriptData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
             std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  int nValues() override { return static_cast<int>(values_.size()); }
  std::vector<std::wstring>* AllData() override { return &values_; }
  static IGenerator* Make(const GeneratorCall& call);

  // What the script forms share. `name` starts the error texts ("ScriptData"), `codes` is the
  // form's first code (4100, 4200); args[first] is the interpreter, args[first + 1] the script.
  struct Form {
    const wchar_t* name;
    int codes;
  };
  // Runs the script and gives its standard output; false after setting the error pair.
  static bool RunScript(const Form& form, const std::vector<std::wstring>& args, std::size_t first,
                        DSynthor* engine, std::string* output, std::wstring* errorText,
                        int* errorCode);
  // The time limit of every script run in this process (30 seconds unless set; at least 1 ms).
  static std::chrono::milliseconds Timeout();
  static void SetTimeout(std::chrono::milliseconds limit);
  // Hands each line of `output` to `take` up to the first empty line (the file loaders' rule).
  static void ForEachLine(std::string_view output,
                          const std::function<void(const std::wstring&)>& take);

 private:
  std::vector<std::wstring> values_;
  DSynthor* engine_ = nullptr;
};
