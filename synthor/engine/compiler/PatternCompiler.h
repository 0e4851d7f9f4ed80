#pragma once
// Compiles the text of one pattern into the items of a CompiledPattern, left to right. Each
// construct compiler leaves the position on the last character it consumed.
//
// A failing construct does not stop the scan (its item, if it made one, stays); the compilation
// fails when any construct failed, with the error of the last one that failed, even where a later
// nested compilation started afresh in between.
#include <cstddef>
#include <string>

class CompiledItemCharList;
class CompiledPattern;
class DSynthor;

class PatternCompiler {
 public:
  PatternCompiler(DSynthor& engine, const std::wstring& text, CompiledPattern* pattern,
                  void* context);
  // 1 success, 0 failure (the engine's error code and text say why).
  int Run();

 private:
  bool Construct(wchar_t c);
  bool Literal(wchar_t c);
  bool CharClass(int kind);
  bool Repeater(CompiledItemCharList* item);
  bool List();
  bool Optional();
  bool Column();
  bool Block(int kind);
  bool Function();
  bool Fail(int code, const std::wstring& text);

  DSynthor& engine_;
  const std::wstring& text_;
  CompiledPattern* pattern_;
  void* context_;
  std::size_t pos_ = 0;
};
