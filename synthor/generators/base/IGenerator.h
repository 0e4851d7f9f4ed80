#pragma once
// The interface of every value generator. A `$name(...)` call of a pattern constructs one; the
// engine owns it (and deletes it at Terminate), the compiled item that drives it only refers to it.
// Constructors report problems through the error pair handed to them and never throw; at value
// time a generator reports through DSynthor::SetError and returns an empty text.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"

class CDB_API;

class SYNTHOR_API IGenerator {
 public:
  // How the bytes of a loaded file are read as text.
  enum F_ENCODING { ENC_8BIT = 0, ENC_UTF16BE = 1, ENC_UTF16LE = 2 };

  IGenerator() = default;
  IGenerator(const IGenerator&) = default;
  IGenerator& operator=(const IGenerator&) = default;

  // The next value. A generator that evaluates a nested pattern stores that value's format
  // through `format` (may be null); it is not an error text.
  virtual std::wstring Value(std::wstring* format) = 0;
  // For group generators: column `column` (from 1) of the row the last Value chose.
  virtual std::wstring GroupValue(int column);
  virtual ~IGenerator();
  // Rewinds the sequence (the engine calls it after its trial rendering of a new pattern).
  virtual void Reset();
  // How many distinct values the generator can give.
  virtual int nValues();
  // The generator's whole list, when it has one (not owned by the caller).
  virtual std::vector<std::wstring>* AllData();

  // The one reading of a boolean parameter: "1", or "true" in any case.
  static bool IsTrueParameter(const std::wstring& parameter);

  int IsGroup(int g) const { return g == groupId ? 1 : 0; }
  int IsFault() const { return fault != 0 ? 1 : 0; }

  int groupId = 0;             // group number of a group generator; 0 = none
  int fault = 0;               // set after a lasting failure; the driving item then fails
  int ownColumn = 0;           // group generators: the column (from 1) Value itself returns
  std::intptr_t currentRow = 0;  // group generators: the row the last Value chose
  int ready = 0;               // set by the constructor once the data are loaded
  CDB_API* connection = nullptr;  // the engine's wrapper (not owned) or the generator's own

 protected:
  // The text of the resource at `url` (http, https or ftp), decoded as the file loaders decode
  // files. On failure the reason is shown to the user (rate-limited), `errorText` and `errorCode`
  // become "WebData: could not load the resource." and 3801, and the result is empty. Certificates
  // are verified unless `ignoreCertificateErrors`, which no pattern can set.
  static std::wstring DownloadFile(const std::wstring& url, std::wstring* errorText,
                                   int* errorCode, bool ignoreCertificateErrors = false);
};
