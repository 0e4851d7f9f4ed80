#include "parlemont/MultiReport.h"

#include <cerrno>
#include <cstring>

#include "parlemont/CharsetEncoder.h"
#include "parlemont/Markup.h"
#include "parlemont/ReportTemplate.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"

MultiReport::~MultiReport() {
  if (open_) Close();
}

REPORT_ERRORS MultiReport::AddReport(REPORT_FORMAT format, const std::wstring& fileName,
                                     const std::wstring& templateName) {
  if (format != RF_HTML) return RE_UNSUPPORTED_FORMAT;
  Output output;
  output.file = fileName;
  output.templateName = templateName;
  outputs_.push_back(std::move(output));
  return RE_OK;
}

void MultiReport::AddProperty(const std::wstring& placeholder, const std::wstring& value) {
  std::wstring name = platform::Trim(placeholder, L"%");
  if (!name.empty()) properties_[std::move(name)] = value;
}

REPORT_ERRORS MultiReport::Open() {
  open_ = false;
  errorText_.clear();
  if (outputs_.empty()) {
    errorText_ = L"No report file was added.";
    return RE_NO_REPORT;
  }
  for (Output& output : outputs_) {
    const std::wstring name =
        output.templateName.empty() ? parlemont::kDefaultTemplate : output.templateName;
    std::wstring path = parlemont::FindTemplate(name, output.file);
    // An absolute name that is no regular file: the read says what it is instead.
    if (path.empty() && platform::StartsWith(name, L"/")) path = name;
    if (path.empty()) {
      AddError(output.file, L"its template '" + name +
                                L"' is neither in the program folder nor next to the report file.");
      return RE_TEMPLATE_NOT_FOUND;
    }
    std::wstring why;
    if (!platform::ReadUserTextFile(path, output.templateText, &why)) {
      AddError(output.file, L"its template cannot be read: " + why);
      return RE_TEMPLATE_NOT_FOUND;
    }
  }
  for (Output& output : outputs_) {
    // A file staged and dropped at once: the folder takes a file, and the report's name is not
    // touched.
    platform::StagedFile probe;
    if (!probe.Stage(output.file, "")) {
      AddError(output.file, platform::FromUnknown8Bit(std::strerror(errno)) + L".");
      return RE_CANNOT_CREATE_FILE;
    }
  }
  open_ = true;
  return RE_OK;
}

REPORT_ERRORS MultiReport::Close() {
  if (!open_) return RE_NOT_OPEN;
  open_ = false;
  errorText_.clear();

  auto charset = properties_.find(L"CHARSET");
  const parlemont::CharsetEncoder encoder(charset == properties_.end() ? L"" : charset->second);
  writtenCharset_ = encoder.Charset();
  std::map<std::wstring, std::wstring> values;
  for (const auto& [name, value] : properties_) values[name] = parlemont::EscapeAttribute(value);
  values[L"CHARSET"] = parlemont::EscapeAttribute(encoder.Charset());

  const std::wstring& body = FinishBody();
  REPORT_ERRORS result = RE_OK;
  for (Output& output : outputs_) {
    const std::string bytes =
        encoder.Encode(parlemont::MergeTemplate(output.templateText, values, body));
    platform::StagedFile staged;
    if (!staged.Stage(output.file, bytes) || !staged.Publish()) {
      AddError(output.file, platform::FromUnknown8Bit(std::strerror(errno)) + L".");
      result = RE_WRITE_FAILED;
    }
  }
  return result;
}

void MultiReport::AddError(const std::wstring& file, const std::wstring& reason) {
  if (!errorText_.empty()) errorText_ += L'\n';
  errorText_ += file.empty() ? L"No name was given for the report file."
                             : L"Could not write the report file '" + file + L"': " + reason;
}

void MultiReport::Clear() {
  open_ = false;
  outputs_.clear();
  properties_.clear();
  writtenCharset_.clear();
  errorText_.clear();
  ClearBody();
}
