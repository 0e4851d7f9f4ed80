#pragma once
// The XML reader of the utilities: a document loaded from a file or a text, and XPath 1.0
// selections over it (libxml2).
//
// Files are read as bytes and decoded by libxml2 itself, so a byte-order mark (UTF-8, UTF-16) or
// the declared encoding (e.g. encoding="ISO-8859-1") is honoured. A text is taken as it stands;
// an encoding its declaration names is ignored, since the text is already decoded.
//
// Namespaces: every prefix declared anywhere in the document can be used in a path as declared
// (the first declaration of a prefix wins); a default namespace (xmlns="...") is bound to the
// prefix `_`, so `<feed xmlns="urn:f"><id>` is selected with `/_:feed/_:id`.
//
// The value of a selected node: an element's text content (its descendants' texts joined),
// an attribute's value, a text node's text. An expression that yields a number, a string or a
// boolean (`count(//item)`) gives one value, its XPath string form.
//
// Nothing is fetched from the network, no external entity or DTD is loaded, and entity
// expansion in the values is capped. One object per thread; objects on different threads are
// independent.
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct _xmlDoc;
struct _xmlXPathObject;

class XmlParser {
 public:
  // The most bytes a document may have; a larger file is refused, not cut.
  static constexpr std::size_t kMaxBytes = 16u * 1024u * 1024u;

  XmlParser();
  ~XmlParser();
  XmlParser(const XmlParser&) = delete;
  XmlParser& operator=(const XmlParser&) = delete;

  // 0 on success; otherwise non-zero, the document is empty and ErrorText() says why (for
  // malformed XML libxml2's message with its line and column).
  int LoadFile(const std::wstring& path);
  int LoadString(const std::wstring& text);

  // Evaluates `xpath` over the loaded document and keeps the result as the current list; the
  // number of values it gives, or -1 (ErrorText() set) when there is no document or the
  // expression is invalid.
  int NodesByPath(const std::wstring& xpath);
  int ListSize() const;
  // The value of item `index` of the current list (see above); empty outside the list.
  std::wstring Value(int index) const;
  // Attribute `name` of item `index` when that item is an element; empty otherwise.
  std::wstring AttributeValue(int index, const std::wstring& name) const;
  // Drops the document and the current list.
  void Free();

  const std::wstring& ErrorText() const { return error_; }

 private:
  struct DocFree {
    void operator()(_xmlDoc* doc) const;
  };
  struct XPathFree {
    void operator()(_xmlXPathObject* object) const;
  };

  int LoadBytes(const std::string& bytes, bool alreadyUtf8);

  std::unique_ptr<_xmlDoc, DocFree> doc_;
  // The prefixes a path may use (see above) and their namespaces, in UTF-8: found once per
  // document, registered for every selection.
  std::map<std::string, std::string> namespaces_;
  std::unique_ptr<_xmlXPathObject, XPathFree> list_;
  std::vector<std::wstring> values_;  // the texts of list_, in its order
  std::wstring error_;
};
