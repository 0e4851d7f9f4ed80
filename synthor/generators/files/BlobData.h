#pragma once
// `$blob(folder, [text])`: the whole content of a file of the folder chosen at random, as
// upper-case hexadecimal digits or, in text mode, as text. A file is read once; later draws of
// the same file give the kept content.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;
struct GeneratorCall;

class SYNTHOR_API BLOBData : public IGenerator {
 public:
  BLOBData(const std::vector<std::wstring>* args, DSynthor* engine, std::wstring* errorText,
           int* errorCode);
  std::wstring Value(std::wstring* format) override;

  static IGenerator* Make(const GeneratorCall& call);

 private:
  bool ReadContent(const std::wstring& path, std::wstring* content) const;  // false: not readable

  std::vector<std::wstring> files_;     // full paths, sorted by name
  std::vector<std::wstring> contents_;  // one per file, kept once read
  std::vector<char> loaded_;            // an empty file's content is legitimately empty
  DSynthor* engine_ = nullptr;
  int text_ = 0;
};
