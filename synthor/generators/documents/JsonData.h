#pragma once
// `$json(file or URL, path)`: the values found at a path in a JSON document, drawn at random
// (see mervis/JsonParser.h for the path syntax). A path that matches nothing is not an error:
// the generator then gives empty texts.
#include <string>
#include <vector>

#include "synthor/generators/documents/DocumentData.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API JsonData : public DocumentData {
 public:
  JsonData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
           std::wstring* errorText, int* errorCode);
  static IGenerator* Make(const GeneratorCall& call);
};
