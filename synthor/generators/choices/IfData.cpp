#include "synthor/generators/choices/IfData.h"

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/choices/ChoiceGenerators.h"
#include "synthor/engine/PatternExcerpt.h"

IfData::IfData(const std::vector<std::wstring>* params, DSynthor* engine, std::wstring* errorText,
               int* errorCode)
    : engine_(engine) {
  if (!params || params->size() != 3) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  // Read as unsigned, so a negative chance is out of range as well.
  const unsigned chance = static_cast<unsigned>(platform::ToInt((*params)[0]));
  if (chance > 100) {
    ReportConstructionError(errorText, errorCode, kChance, kChanceText);
    return;
  }
  chance_ = static_cast<int>(chance);
  CompileBranches(*params, errorText, errorCode);
}

void IfData::CompileBranches(const std::vector<std::wstring>& params, std::wstring* errorText,
                             int* errorCode) {
  if (!engine_ || params.size() < 3) return;
  patternA_ = params[1];
  patternB_ = params[2];
  handleA_ = engine_->Compile(patternA_, 0, -1, nullptr);
  if (!handleA_) {
    ReportConstructionError(errorText, errorCode, kFirstPattern,
                            platform::Format(kFirstPatternText, PatternExcerpt(patternA_).c_str(),
                                             engine_->Error().c_str()));
    return;
  }
  handleB_ = engine_->Compile(patternB_, 0, -1, nullptr);
  if (!handleB_) {
    ReportConstructionError(errorText, errorCode, kSecondPattern,
                            platform::Format(kSecondPatternText, PatternExcerpt(patternB_).c_str(),
                                             engine_->Error().c_str()));
    return;
  }
  ready = 1;
}

std::wstring IfData::Value(std::wstring* format) {
  if (!ready) return std::wstring();
  return Branch(engine_->random.Next(100) < chance_, format);
}

std::wstring IfData::Branch(bool first, std::wstring* format) {
  DGValue v;
  if (!engine_->Value(-1, first ? handleA_ : handleB_, &v, nullptr, 0)) {
    engine_->SetError(kCalculate, kCalculateText);
    return std::wstring();
  }
  if (format) *format = v.format;
  return v.value;
}

void IfData::Reset() {
  if (!engine_) return;
  if (handleA_) engine_->Reset(handleA_);
  if (handleB_) engine_->Reset(handleB_);
}

IGenerator* MakeIfData(const GeneratorCall& call) {
  return new IfData(call.args, call.engine, call.errorText, call.errorCode);
}
