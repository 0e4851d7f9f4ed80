#include "synthor/generators/recognition/RegexpData.h"

RegexpData::RegexpData(const std::wstring& text, DSynthor* engine, std::wstring*)
    : regexp_(std::make_unique<ByRegExp>(engine)) {
  regexp_->Compile(text);
  ready = engine != nullptr ? 1 : 0;
}

std::wstring RegexpData::Value(std::wstring*) {
  if (!ready) return std::wstring();
  return regexp_->Generate();
}

IGenerator* MakeRegexpData(const GeneratorCall& call) {
  const std::wstring text = call.rawText ? *call.rawText : std::wstring();
  return new RegexpData(text, call.engine, call.errorText);
}
