#pragma once
// `$regexp(expression)`: random texts that match a small regular expression (ByRegExp.h describes
// the dialect). The whole argument text is the expression, commas included. It never fails to
// construct; a value fails only when it would outgrow the engine's value-length limit.
#include <memory>
#include <string>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/recognition/ByRegExp.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API RegexpData : public IGenerator {
 public:
  // `errorText` is never written: every text is some expression.
  RegexpData(const std::wstring& text, DSynthor* engine, std::wstring* errorText);

  std::wstring Value(std::wstring* format) override;

 private:
  std::unique_ptr<ByRegExp> regexp_;
};

IGenerator* MakeRegexpData(const GeneratorCall& call);
