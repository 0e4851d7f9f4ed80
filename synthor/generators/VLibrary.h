#pragma once
// The value library: named lists of realistic values (cities, first names, phrases, ...) read from
// an SQLite database or an XML file. Each engine owns one; the lists are opened on first use.
#include "synthor/engine/SynthorExport.h"

class DSynthor;

class SYNTHOR_API VLibrary {
 public:
  explicit VLibrary(DSynthor* engine);
  virtual ~VLibrary();
  VLibrary(const VLibrary&) = delete;
  VLibrary& operator=(const VLibrary&) = delete;

  DSynthor* Engine() const { return engine_; }

 private:
  DSynthor* engine_ = nullptr;  // draws random values; may be null
};
