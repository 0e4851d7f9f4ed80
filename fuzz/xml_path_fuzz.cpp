// Feeds an XPath expression (the first line) and an XML document (the rest, as file bytes, so the
// reader's own encoding detection runs) to the XML reader. A failed load or selection always says
// why, and a selection never gives more values than its budget allows.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ScratchFiles.h"
#include "mervis/XmlParser.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t feed = input.find('\n');
  const std::string_view path = input.substr(0, feed);
  const std::string_view document =
      feed == std::string_view::npos ? std::string_view() : input.substr(feed + 1);

  static const std::wstring file = platform::JoinPath(fuzz::ScratchFolder(), L"doc.xml");
  if (!fuzz::OverwriteFile(file, document)) std::abort();

  XmlParser parser;
  if (parser.LoadFile(file) != 0) {
    if (parser.ErrorText().empty()) std::abort();
    if (parser.NodesByPath(L"/") != -1) std::abort();  // nothing of a failed load is kept
    return 0;
  }
  const int count = parser.NodesByPath(platform::FromUnknown8Bit(path));
  if (count < 0) {
    if (parser.ErrorText().empty() || parser.ListSize() != 0) std::abort();
    return 0;
  }
  if (count != parser.ListSize()) std::abort();
  for (int i = 0; i < count; ++i) {
    parser.Value(i);
    parser.AttributeValue(i, L"id");
  }
  // The text form of the same document loads too (its declared encoding then no longer applies).
  parser.LoadString(platform::FromUnknown8Bit(document));
  return 0;
}
