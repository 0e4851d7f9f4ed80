#include "kavra/XmlPull.h"

#include <libxml/xmlreader.h>

#include <climits>

#include "kavra/FileTables.h"

namespace kavra_files {

namespace {

const char* Chars(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

// Keeps libxml2 from printing parse errors; the failure is reported by the read's result.
void Quiet(void*, const char*, xmlParserSeverities, xmlTextReaderLocatorPtr) {}

}  // namespace

void XmlPull::Free::operator()(_xmlTextReader* r) const { xmlFreeTextReader(r); }

XmlPull::XmlPull(const std::string& bytes, std::string part) : part_(std::move(part)) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX))
    throw ReadError(ReadError::kTooLarge, "the part " + part_ + " is too large");
  reader_.reset(xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!reader_) throw ReadError(ReadError::kDamaged, "the part " + part_ + " cannot be parsed");
  xmlTextReaderSetErrorHandler(reader_.get(), Quiet, nullptr);
}

bool XmlPull::Next() {
  int r = xmlTextReaderRead(reader_.get());
  if (r < 0) throw ReadError(ReadError::kDamaged, "the part " + part_ + " is not well-formed XML");
  if (r == 0) {
    type_ = 0;
    return false;
  }
  type_ = xmlTextReaderNodeType(reader_.get());
  return true;
}

bool XmlPull::IsStart() const { return type_ == XML_READER_TYPE_ELEMENT; }
bool XmlPull::IsEnd() const { return type_ == XML_READER_TYPE_END_ELEMENT; }
bool XmlPull::IsEmptyElement() const {
  return IsStart() && xmlTextReaderIsEmptyElement(reader_.get()) == 1;
}
bool XmlPull::IsText() const {
  return type_ == XML_READER_TYPE_TEXT || type_ == XML_READER_TYPE_CDATA ||
         type_ == XML_READER_TYPE_SIGNIFICANT_WHITESPACE || type_ == XML_READER_TYPE_WHITESPACE;
}

std::string_view XmlPull::LocalName() const {
  const xmlChar* name = xmlTextReaderConstLocalName(reader_.get());
  return name ? std::string_view(Chars(name)) : std::string_view();
}

bool XmlPull::HasAttribute(std::string_view localName) const {
  bool found = false;
  for (int r = xmlTextReaderMoveToFirstAttribute(reader_.get()); r == 1 && !found;
       r = xmlTextReaderMoveToNextAttribute(reader_.get())) {
    const xmlChar* name = xmlTextReaderConstLocalName(reader_.get());
    found = name && localName == Chars(name);
  }
  xmlTextReaderMoveToElement(reader_.get());
  return found;
}

std::string XmlPull::Attribute(std::string_view localName) const {
  std::string value;
  for (int r = xmlTextReaderMoveToFirstAttribute(reader_.get()); r == 1;
       r = xmlTextReaderMoveToNextAttribute(reader_.get())) {
    const xmlChar* name = xmlTextReaderConstLocalName(reader_.get());
    if (name && localName == Chars(name)) {
      const xmlChar* v = xmlTextReaderConstValue(reader_.get());
      if (v) value = Chars(v);
      break;
    }
  }
  xmlTextReaderMoveToElement(reader_.get());
  return value;
}

std::string_view XmlPull::Text() const {
  const xmlChar* v = xmlTextReaderConstValue(reader_.get());
  return v ? std::string_view(Chars(v)) : std::string_view();
}

}  // namespace kavra_files
