#pragma once
// `$xml(file or URL, XPath)`: the texts of the nodes an XPath expression selects in an XML
// document, drawn at random (see mervis/XmlParser.h for namespaces and node texts).
#include <string>
#include <vector>

#include "synthor/generators/documents/DocumentData.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API XmlData : public DocumentData {
 public:
  XmlData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
          std::wstring* errorText, int* errorCode);
  static IGenerator* Make(const GeneratorCall& call);
};
