#pragma once
// One generated parameter (P1, P2, ...) of a task. The option pages build PropTempl from the other
// fields; the runner reads only PropTempl.
#include <string>

class CSysReg;

enum ParamMethod { kParamInterval = 0, kParamString = 1, kParamDateTime = 2, kParamPattern = 3 };

struct TaskParam {
  int PropMethod = kParamInterval;
  std::wstring PropTempl;  // the value pattern handed to the data generator
  std::wstring PropDateFormat = L"YYYY.MM.DD HH:MM:SS";
  int PropFrom = 0;
  int PropTo = 32000;
  int PropLenFrom = 1;
  int PropLenTo = 32;
  int PropStrType = 0;

  // True when a field kept in the project file differs (texts compared with case).
  bool Differs(const TaskParam& other) const;

  // Keys of parameter `n` in the current section of `file`.
  void Load(CSysReg& file, int n);
  void Save(CSysReg& file, int n) const;
  // Whether the current section of `file` holds any key of parameter `n`.
  static bool IsInFile(const CSysReg& file, int n);
};
