#include "mervis/XmlParser.h"

#include <libxml/entities.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <mutex>
#include <new>
#include <string_view>
#include <utility>

#include "platform/Text.h"
#include "platform/UserFile.h"

namespace {

// Bounds on one selection: XPath operations, and nodes visited plus bytes taken while the values
// are collected (entity references can make a small document's text very large).
constexpr unsigned long kXPathOpLimit = 50'000'000;
constexpr std::size_t kCollectBudget = 64u * 1024u * 1024u;
// Values past this count are not taken: the generators keep them all in memory.
constexpr int kMaxValues = 1'000'000;

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

std::wstring FromXml(const xmlChar* text) {
  return text ? platform::FromUtf8(reinterpret_cast<const char*>(text)) : std::wstring();
}

std::wstring Describe(const xmlError* error, const wchar_t* fallback) {
  if (!error || !error->message) return fallback;
  std::wstring message = platform::TrimRight(platform::FromUtf8(error->message));
  if (error->line > 0)
    return platform::Format(L"line %d, column %d: %ls", error->line, error->int2, message.c_str());
  return message;
}

struct ParserContextFree {
  void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct XPathContextFree {
  void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};

// Collects the text under `node` without recursion (documents may be deeply nested), following
// entity references into their parsed content. False when the budget runs out.
bool AppendText(xmlDoc* doc, xmlNode* node, std::string* out, std::size_t* budget) {
  std::vector<xmlNode*> pending{node};
  while (!pending.empty()) {
    xmlNode* n = pending.back();
    pending.pop_back();
    if (*budget == 0) return false;
    --*budget;
    switch (n->type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE:
        if (n->content) {
          const std::string_view text(reinterpret_cast<const char*>(n->content));
          if (text.size() > *budget) return false;
          *budget -= text.size();
          out->append(text);
        }
        continue;
      case XML_ENTITY_REF_NODE: {
        xmlEntity* entity = xmlGetDocEntity(doc, n->name);
        if (!entity) continue;
        if (entity->children) {
          for (xmlNode* c = entity->last; c; c = c->prev) pending.push_back(c);
        } else if (entity->content) {
          const std::string_view text(reinterpret_cast<const char*>(entity->content));
          if (text.size() > *budget) return false;
          *budget -= text.size();
          out->append(text);
        }
        continue;
      }
      case XML_ELEMENT_NODE:
      case XML_DOCUMENT_NODE:
      case XML_DOCUMENT_FRAG_NODE:
        for (xmlNode* c = n->last; c; c = c->prev) pending.push_back(c);
        continue;
      case XML_ATTRIBUTE_NODE:
        for (xmlNode* c = n->children; c; c = c->next) pending.push_back(c);
        continue;
      case XML_PI_NODE:
      case XML_COMMENT_NODE:
        if (n == node && n->content) out->append(reinterpret_cast<const char*>(n->content));
        continue;
      default:
        continue;
    }
  }
  return true;
}

// Every prefix the document declares, the first declaration winning, and the first default
// namespace as `_` (which takes precedence over a declared `_` prefix). `xml` is XPath's own.
std::map<std::string, std::string> DeclaredNamespaces(xmlDoc* doc) {
  std::map<std::string, std::string> found;
  std::vector<xmlNode*> pending;
  if (xmlNode* root = xmlDocGetRootElement(doc)) pending.push_back(root);
  bool haveDefault = false;
  while (!pending.empty()) {
    xmlNode* n = pending.back();
    pending.pop_back();
    for (xmlNs* ns = n->nsDef; ns; ns = ns->next) {
      if (!ns->href) continue;
      const char* href = reinterpret_cast<const char*>(ns->href);
      if (!ns->prefix) {
        if (!haveDefault) found["_"] = href;
        haveDefault = true;
      } else if (const std::string_view prefix(reinterpret_cast<const char*>(ns->prefix));
                 prefix != "xml") {
        found.try_emplace(std::string(prefix), href);
      }
    }
    for (xmlNode* c = n->last; c; c = c->prev)
      if (c->type == XML_ELEMENT_NODE) pending.push_back(c);
  }
  return found;
}

void IgnoreError(void*, xmlError*) {}
void IgnoreMessage(void*, const char*, ...) {}

// libxml2 reports some problems (encoding conversions, for one) only through the calling thread's
// generic handler, which prints them; errors reach the caller through ErrorText() instead. The
// handler is the thread's own, and it is restored on the way out.
class QuietThread {
 public:
  QuietThread() : handler_(xmlGenericError), context_(xmlGenericErrorContext) {
    xmlSetGenericErrorFunc(nullptr, IgnoreMessage);
  }
  ~QuietThread() { xmlSetGenericErrorFunc(context_, handler_); }
  QuietThread(const QuietThread&) = delete;
  QuietThread& operator=(const QuietThread&) = delete;

 private:
  xmlGenericErrorFunc handler_;
  void* context_;
};

}  // namespace

void XmlParser::DocFree::operator()(_xmlDoc* doc) const { xmlFreeDoc(doc); }
void XmlParser::XPathFree::operator()(_xmlXPathObject* object) const {
  xmlXPathFreeObject(object);
}

XmlParser::XmlParser() { InitOnce(); }
XmlParser::~XmlParser() = default;

void XmlParser::Free() {
  values_.clear();
  list_.reset();
  namespaces_.clear();
  doc_.reset();
}

int XmlParser::LoadFile(const std::wstring& path) {
  Free();
  std::string bytes;
  std::wstring why;
  if (!platform::ReadUserFileBytes(path, bytes, &why, kMaxBytes)) {
    error_ = why.empty() ? L"the file could not be read" : why;
    return 1;
  }
  return LoadBytes(bytes, false);
}

int XmlParser::LoadString(const std::wstring& text) {
  Free();
  std::string bytes;
  try {
    bytes = platform::ToUtf8(text);
  } catch (const std::bad_alloc&) {
    error_ = L"out of memory";
    return 1;
  }
  return LoadBytes(bytes, true);
}

int XmlParser::LoadBytes(const std::string& bytes, bool alreadyUtf8) {
  error_.clear();
  if (bytes.size() > kMaxBytes) {
    error_ = L"the document is larger than 16 MiB";
    return 1;
  }
  const QuietThread quiet;
  std::unique_ptr<xmlParserCtxt, ParserContextFree> context(xmlNewParserCtxt());
  if (!context) {
    error_ = L"out of memory";
    return 1;
  }
  int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
  if (alreadyUtf8) options |= XML_PARSE_IGNORE_ENC;
  doc_.reset(xmlCtxtReadMemory(context.get(), bytes.data(), static_cast<int>(bytes.size()),
                               nullptr, alreadyUtf8 ? "UTF-8" : nullptr, options));
  if (!doc_ || !context->wellFormed) {
    error_ = Describe(xmlCtxtGetLastError(context.get()), L"the document is not well-formed XML");
    doc_.reset();
    return 1;
  }
  namespaces_ = DeclaredNamespaces(doc_.get());
  return 0;
}

int XmlParser::NodesByPath(const std::wstring& xpath) {
  values_.clear();
  list_.reset();
  error_.clear();
  if (!doc_) {
    error_ = L"no document is loaded";
    return -1;
  }
  const QuietThread quiet;
  std::unique_ptr<xmlXPathContext, XPathContextFree> context(xmlXPathNewContext(doc_.get()));
  if (!context) {
    error_ = L"out of memory";
    return -1;
  }
  for (const auto& [prefix, href] : namespaces_)
    xmlXPathRegisterNs(context.get(), BAD_CAST prefix.c_str(), BAD_CAST href.c_str());
  context->opLimit = kXPathOpLimit;
  context->error = IgnoreError;  // reported through the context's last error below
  const std::string expression = platform::ToUtf8(xpath);
  list_.reset(xmlXPathEvalExpression(BAD_CAST expression.c_str(), context.get()));
  if (!list_) {
    // XPath errors carry no line: the expression is named instead.
    const char* message = context->lastError.message;
    const std::wstring why = platform::TrimRight(
        platform::FromUtf8(message ? message : "invalid XPath expression"));
    error_ = platform::Format(L"%ls in '%ls'", why.c_str(), xpath.c_str());
    return -1;
  }
  std::size_t budget = kCollectBudget;
  if (list_->type == XPATH_NODESET) {
    const xmlNodeSet* nodes = list_->nodesetval;
    const int count = nodes ? nodes->nodeNr : 0;
    for (int i = 0; i < count && i < kMaxValues; ++i) {
      std::string text;
      if (!AppendText(doc_.get(), nodes->nodeTab[i], &text, &budget)) {
        values_.clear();
        list_.reset();
        error_ = L"the selected values are too large";
        return -1;
      }
      values_.push_back(platform::FromUtf8(text));
    }
  } else {
    xmlChar* text = xmlXPathCastToString(list_.get());
    values_.push_back(FromXml(text));
    xmlFree(text);
  }
  return ListSize();
}

int XmlParser::ListSize() const { return static_cast<int>(values_.size()); }

std::wstring XmlParser::Value(int index) const {
  if (index < 0 || index >= ListSize()) return std::wstring();
  return values_[static_cast<std::size_t>(index)];
}

std::wstring XmlParser::AttributeValue(int index, const std::wstring& name) const {
  if (index < 0 || index >= ListSize() || !list_ || list_->type != XPATH_NODESET) return {};
  xmlNode* node = list_->nodesetval->nodeTab[index];
  if (node->type != XML_ELEMENT_NODE) return std::wstring();
  xmlChar* value = xmlGetProp(node, BAD_CAST platform::ToUtf8(name).c_str());
  std::wstring result = FromXml(value);
  xmlFree(value);
  return result;
}
