#include "mervis/XmlWriter.h"

#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

bool AllowedInXml(wchar_t c) {
  if (c < 0x20) return c == L'\t' || c == L'\n' || c == L'\r';
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  return c != 0xFFFE && c != 0xFFFF && static_cast<unsigned long>(c) <= 0x10FFFF;
}

std::wstring Escape(std::wstring_view text, bool attribute) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 8);
  for (const wchar_t c : text) {
    switch (c) {
      case L'&':
        out += L"&amp;";
        break;
      case L'<':
        out += L"&lt;";
        break;
      case L'>':
        out += L"&gt;";
        break;
      case L'\r':
        out += L"&#13;";
        break;
      case L'"':
        out += attribute ? L"&quot;" : L"\"";
        break;
      case L'\'':
        out += attribute ? L"&apos;" : L"'";
        break;
      case L'\n':
        out += attribute ? L"&#10;" : L"\n";
        break;
      case L'\t':
        out += attribute ? L"&#9;" : L"\t";
        break;
      default:
        out += AllowedInXml(c) ? c : L'\uFFFD';
    }
  }
  return out;
}

}  // namespace

XmlWriter::~XmlWriter() { Close(); }

bool XmlWriter::Open(const std::wstring& path) {
  Close();
  file_ = std::fopen(platform::NativePath(path).c_str(), "wbe");
  ok_ = file_ != nullptr;
  open_.clear();
  last_ = Last::Nothing;
  return ok_;
}

void XmlWriter::Write(const std::wstring& text) {
  if (!file_) return;
  const std::string bytes = platform::ToUtf8(text);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) ok_ = false;
}

void XmlWriter::NewLine() { Write(L"\n" + std::wstring(open_.size() * 2, L' ')); }

void XmlWriter::HeadXML() {
  Write(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  last_ = Last::Declaration;
}

void XmlWriter::OpenTag(const std::wstring& name, const Attributes& attributes) {
  if (last_ != Last::Nothing && last_ != Last::Text) NewLine();
  std::wstring tag = L"<" + name;
  for (const auto& [attr, value] : attributes)
    tag += L" " + attr + L"=\"" + EscapeAttribute(value) + L"\"";
  tag += L">";
  Write(tag);
  open_.push_back(name);
  last_ = Last::OpenTag;
}

void XmlWriter::Text(const std::wstring& text) {
  Write(EscapeText(text));
  last_ = Last::Text;
}

void XmlWriter::CloseTag() {
  if (open_.empty()) return;
  const std::wstring name = std::move(open_.back());
  open_.pop_back();
  if (last_ == Last::CloseTag) NewLine();
  Write(L"</" + name + L">");
  last_ = Last::CloseTag;
}

bool XmlWriter::Flush() {
  if (file_ && std::fflush(file_) != 0) ok_ = false;
  return ok_;
}

bool XmlWriter::Close() {
  if (!file_) return ok_;
  while (!open_.empty()) CloseTag();
  if (last_ != Last::Nothing) Write(L"\n");
  if (std::fclose(file_) != 0) ok_ = false;
  file_ = nullptr;
  return ok_;
}

std::wstring XmlWriter::EscapeText(std::wstring_view text) { return Escape(text, false); }

std::wstring XmlWriter::EscapeAttribute(std::wstring_view text) { return Escape(text, true); }
