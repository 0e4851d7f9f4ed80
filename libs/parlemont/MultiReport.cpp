#include "parlemont/MultiReport.h"

#include "parlemont/CharsetEncoder.h"
#include "parlemont/Markup.h"
#include "parlemont/ReportTemplate.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

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
  if (outputs_.empty()) return RE_NO_REPORT;
  for (Output& output : outputs_) {
    const std::wstring path = parlemont::FindTemplate(output.templateName, output.file);
    if (path.empty() || !platform::ReadTextFile(path, output.templateText))
      return RE_TEMPLATE_NOT_FOUND;
  }
  for (Output& output : outputs_) {
    output.stream =
        output.file.empty() ? nullptr : std::fopen(platform::NativePath(output.file).c_str(), "wb");
    if (!output.stream) {
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
