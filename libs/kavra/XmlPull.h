#pragma once
// A pull reader over an XML document in memory (libxml2's text reader): elements, attributes by
// local name (prefixes ignored) and text, one node at a time, so that a large worksheet is never
// held as a tree. No network, no external entities, no entity expansion.
#include <memory>
#include <string>
#include <string_view>

struct _xmlTextReader;

namespace kavra_files {

class XmlPull {
 public:
  // `bytes` must outlive the reader; `part` names the document in error texts.
  XmlPull(const std::string& bytes, std::string part);

  // The next node; false at the end of the document. Throws ReadError (kDamaged) when the XML is
  // not well-formed.
  bool Next();
  bool IsStart() const;  // an element's start (also an empty element)
  bool IsEnd() const;    // an element's end (not reported for an empty element)
  bool IsEmptyElement() const;
  bool IsText() const;  // text, CDATA or whitespace
  // LocalName() and Text() stay valid until the next Next().
  std::string_view LocalName() const;
  // The attribute with this local name, "" when absent.
  std::string Attribute(std::string_view localName) const;
  bool HasAttribute(std::string_view localName) const;
  std::string_view Text() const;

 private:
  struct Free {
    void operator()(_xmlTextReader* r) const;
  };
  std::unique_ptr<_xmlTextReader, Free> reader_;
  std::string part_;
  int type_ = 0;
};

}  // namespace kavra_files
