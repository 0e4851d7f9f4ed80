#include "synthor/generators/base/IGenerator.h"

#include "platform/Text.h"
#include "synthor/generators/base/Download.h"
#include "synthor/generators/base/UserNotice.h"

IGenerator::~IGenerator() = default;

std::wstring IGenerator::GroupValue(int) { return std::wstring(); }

void IGenerator::Reset() {}

int IGenerator::nValues() { return 1; }

std::vector<std::wstring>* IGenerator::AllData() { return nullptr; }

bool IGenerator::IsTrueParameter(const std::wstring& parameter) {
  return parameter == L"1" || platform::EqualsNoCase(parameter, L"true");
}

std::wstring IGenerator::DownloadFile(const std::wstring& url, std::wstring* errorText,
                                      int* errorCode, bool ignoreCertificateErrors) {
  download::Options options;
  options.ignoreCertificateErrors = ignoreCertificateErrors;
  const download::Result result = download::Fetch(url, options);
  if (result.ok) return download::DecodeDownloadedText(result.bytes);
  user_notice::Show(L"WebData", url + L": " + result.error);
  if (errorText) *errorText = L"WebData: could not load the resource.";
  if (errorCode) *errorCode = 3801;
  return std::wstring();
}
