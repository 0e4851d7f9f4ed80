#include "mervis/JsonParser.h"

#include <nlohmann/json.hpp>

#include <new>
#include <string_view>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"

namespace {

using Json = nlohmann::json;

// The deepest nesting of arrays and objects in `text`, counted outside strings; stops counting
// past `limit`.
int NestingDepth(std::string_view text, int limit) {
  int depth = 0;
  int deepest = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest) deepest = depth;
      if (deepest > limit) return deepest;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

bool IsIndex(const std::string& segment) {
  if (segment.empty() || segment.size() > 9) return false;
  for (char c : segment)
    if (c < '0' || c > '9') return false;
  return true;
}

std::wstring Text(const Json& value) {
  switch (value.type()) {
    case Json::value_t::string:
      return platform::FromUtf8(value.get_ref<const std::string&>());
    case Json::value_t::null:
      return std::wstring();
    default:
      return platform::FromUtf8(value.dump(-1, ' ', false, Json::error_handler_t::replace));
  }
}

}  // namespace

bool JsonParser::SplitPath(const std::wstring& path, std::vector<std::string>* segments) {
  segments->clear();
  std::wstring_view rest = path;
  if (rest == L"$") rest = L"";
  if (rest.starts_with(L"$.")) rest.remove_prefix(2);
  if (rest.empty()) return true;
  for (const std::wstring& name : platform::Split(rest, L'.')) {
    if (name.empty()) {
      error_ = platform::Format(L"empty name in the path '%ls'", path.c_str());
      segments->clear();
      return false;
    }
    segments->push_back(platform::ToUtf8(name));
  }
  return true;
}

int JsonParser::ValueFromFile(const std::wstring& file, const std::wstring& path,
                              std::vector<std::wstring>* out) {
  error_.clear();
  std::wstring text;
  std::wstring why;
  if (!platform::ReadUserTextFile(file, text, &why, kMaxBytes)) {
    error_ = why.empty() ? L"the file could not be read" : why;
    return 1;
  }
  return ValueFromString(text, path, out);
}

int JsonParser::ValueFromString(const std::wstring& source, const std::wstring& path,
                                std::vector<std::wstring>* out) {
  error_.clear();
  try {
    return Select(platform::ToUtf8(source), path, out);
  } catch (const std::bad_alloc&) {
    error_ = L"out of memory";
    return 1;
  }
}

int JsonParser::Select(const std::string& utf8, const std::wstring& path,
                       std::vector<std::wstring>* out) {
  std::vector<std::string> segments;
  if (!SplitPath(path, &segments)) return 1;
  if (NestingDepth(utf8, kMaxDepth) > kMaxDepth) {
    error_ = platform::Format(L"the document nests deeper than %d levels", kMaxDepth);
    return 1;
  }
  Json document;
  try {
    document = Json::parse(utf8);
  } catch (const Json::parse_error& e) {
    // what() is "[json.exception.parse_error.N] parse error at line L, column C: ..."
    std::string_view what = e.what();
    if (const std::size_t close = what.find("] "); close != std::string_view::npos)
      what.remove_prefix(close + 2);
    error_ = platform::Format(L"%ls (byte %d)", platform::FromUtf8(what).c_str(),
                              static_cast<int>(e.byte));
    return 1;
  } catch (const Json::exception& e) {
    // A number beyond double's range, for one: "[json.exception.out_of_range.406] number ...".
    std::string_view what = e.what();
    if (const std::size_t close = what.find("] "); close != std::string_view::npos)
      what.remove_prefix(close + 2);
    error_ = platform::FromUtf8(what);
    return 1;
  }

  // Breadth by segment: the matches of one segment are the starting points of the next.
  std::vector<const Json*> current{&document};
  for (const std::string& segment : segments) {
    std::vector<const Json*> next;
    for (const Json* node : current) {
      if (segment == "*") {
        if (node->is_object() || node->is_array())
          for (const Json& child : *node) next.push_back(&child);
      } else if (node->is_array()) {
        if (!IsIndex(segment)) continue;
        const std::size_t index = std::stoul(segment);
        if (index < node->size()) next.push_back(&(*node)[index]);
      } else if (node->is_object()) {
        if (const auto found = node->find(segment); found != node->end())
          next.push_back(&*found);
      }
    }
    current.swap(next);
  }
  std::vector<std::wstring> found;
  found.reserve(current.size());
  for (const Json* node : current) found.push_back(Text(*node));
  out->insert(out->end(), found.begin(), found.end());
  return 0;
}
