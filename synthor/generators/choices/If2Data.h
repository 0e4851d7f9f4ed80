#pragma once
// `$if(condition, A, B)`: the expression `condition` is computed for every value; a result that
// reads as an integer of 1 or more picks pattern A, anything else pattern B. Shares its branches,
// error codes and texts with `$ifr`.
#include <string>
#include <vector>

#include "synthor/engine/DGValue.h"
#include "synthor/engine/SynthorExport.h"
#include "synthor/engine/expressions/ExpressionProgram.h"
#include "synthor/engine/expressions/MExpression.h"
#include "synthor/generators/choices/IfData.h"

class SYNTHOR_API If2Data : public IfData {
 public:
  If2Data(const std::vector<std::wstring>* params, DSynthor* engine, std::wstring* errorText,
          int* errorCode);

  std::wstring Value(std::wstring* format) override;

  // The text of the condition's last result.
  const std::wstring& LastResult() const { return lastResult_.value; }

 private:
  // The condition is read once; every value only runs it.
  ExpressionProgram condition_;
  MExpression expression_;
  DGValue lastResult_;
};
