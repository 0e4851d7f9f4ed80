#include "synthor/generators/IGenerator.h"

#include "platform/Text.h"

IGenerator::~IGenerator() = default;

std::wstring IGenerator::GroupValue(int) { return std::wstring(); }

void IGenerator::Reset() {}

int IGenerator::nValues() { return 1; }

std::vector<std::wstring>* IGenerator::AllData() { return nullptr; }

bool IGenerator::IsTrueParameter(const std::wstring& parameter) {
  return parameter == L"1" || platform::EqualsNoCase(parameter, L"true");
}
