#include "synthor/generators/IGenerator.h"

IGenerator::~IGenerator() = default;

std::wstring IGenerator::GroupValue(int) { return std::wstring(); }

void IGenerator::Reset() {}

int IGenerator::nValues() { return 1; }

std::vector<std::wstring>* IGenerator::AllData() { return nullptr; }
