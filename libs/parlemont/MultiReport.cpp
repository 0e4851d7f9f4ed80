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
  CloseStreams();
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
      errorText_ = L"The report template '" + name +
                   L"' is neither in the program folder nor next to the report file.";
      return RE_TEMPLATE_NOT_FOUND;
    }
    if (!platform::ReadUserTextFile(path, output.templateText, &errorText_))
      return RE_TEMPLATE_NOT_FOUND;
  }
  for (Output& output : outputs_) {
    if (output.file.empty()) {
      errorText_ = L"No name was given for the report file.";
      CloseStreams();
      return RE_CANNOT_CREATE_FILE;
    }
    output.stream = std::fopen(platform::NativePath(output.file).c_str(), "wbe");
    if (!output.stream) {
      errorText_ = L"Could not create the report file '" + output.file + L"': " +
                   platform::FromUnknown8Bit(std::strerror(errno)) + L".";
      CloseStreams();
      return RE_CANNOT_CREATE_FILE;
    }
  }
  open_ = true;
  return RE_OK;
}

REPORT_ERRORS MultiReport::Close() {
  if (!open_) return RE_NOT_OPEN;
  open_ = false;

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
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), output.stream) == bytes.size();
    ok = std::fclose(output.stream) == 0 && ok;
    output.stream = nullptr;
    if (!ok) result = RE_WRITE_FAILED;
  }
  return result;
}

void MultiReport::CloseStreams() {
  for (Output& output : outputs_) {
    if (output.stream) std::fclose(output.stream);
    output.stream = nullptr;
  }
}

void MultiReport::Clear() {
  CloseStreams();
  open_ = false;
  outputs_.clear();
  properties_.clear();
  writtenCharset_.clear();
  ClearBody();
}
