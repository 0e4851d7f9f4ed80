#pragma once
// `$cvt(pattern, name, target)`: runs the pattern on a helper engine of its own and writes every
// value of the first generator it made as one XML or JSON document.
#include <string>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/items/CvtDocument.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemCVT : public CompiledItem {
 public:
  explicit CompiledItemCVT(DSynthor* engine) : CompiledItem(engine, MASK_CVT) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  std::wstring elementName;
  CvtTarget target = CvtTarget::Xml;
};
