// Feeds a filter (the first line) and an XML value library (the rest, as file bytes) to the value
// library: a library that cannot be read is refused and gives no values, one that can be read
// answers every list read with a value or an error code, never both nor neither, and fills a
// table-of-contents tree only below nodes it was given.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ScratchFiles.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/generators/library/LibraryTreeSink.h"
#include "synthor/generators/library/VLibrary.h"

namespace {

// Aborts when a node names a parent it was never given, or sits at the wrong level.
class CheckingTree : public LibraryTreeSink {
 public:
  NodeId AddNode(NodeId parent, const std::wstring& /*text*/, NodeKind kind) override {
    int depth = 0;
    if (parent != kRoot) {
      auto found = depth_.find(parent);
      if (found == depth_.end()) std::abort();
      depth = found->second + 1;
    }
    if (static_cast<int>(kind) != depth) std::abort();
    const NodeId id = next_++;
    depth_.emplace(id, depth);
    return id;
  }

 private:
  NodeId next_ = 1;
  std::map<NodeId, int> depth_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t feed = input.find('\n');
  const std::string_view filter = input.substr(0, feed);
  const std::string_view document =
      feed == std::string_view::npos ? std::string_view() : input.substr(feed + 1);

  static const std::wstring file = platform::JoinPath(fuzz::ScratchFolder(), L"library.xml");
  if (!fuzz::OverwriteFile(file, document)) std::abort();

  VLibrary library(nullptr);
  const int opened = library.Open(file, 1);
  if (opened == -1) {
    if (library.IsOpen()) std::abort();
  } else if (!library.IsOpen() || !library.IsXml()) {
    std::abort();
  }
  CheckingTree tree;
  const int toc = library.LoadTOC(&tree);
  if (library.IsOpen() && toc != 0) std::abort();  // an imported library always has a catalogue
  const std::wstring where = platform::FromUnknown8Bit(filter);
  for (const wchar_t* table : {L"Cities", L"Colors", L"Phrases"}) {
    std::wstring text;
    int code = 0;
    const std::wstring value = library.ListValue(table, L"Name", where, 0, 1, &text, &code);
    if (code != 0 && (!value.empty() || text.empty())) std::abort();
    std::vector<std::wstring> values;
    library.LoadList(table, L"Name", where, &values);
  }
  return 0;
}
