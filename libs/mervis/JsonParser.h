#pragma once
// The JSON reader of the utilities: the values found at a path inside a JSON document.
//
// Path syntax (written so that it fits inside a pattern argument without escaping):
//   - names separated by dots walk into objects: `customer.address.city`;
//   - a number is an array index from 0: `items.2.name` (on an object it is a member name);
//   - `*` takes every member of an object or every element of an array: `items.*.name`, `*.id`;
//   - a leading `$.` is accepted and ignored (`$.items.0` is `items.0`); an empty path or `$`
//     alone is the whole document.
// A name cannot contain a dot, and an empty name (`a..b`) is an error.
//
// Values: a string as it stands, a number or a boolean as JSON writes it, null as an empty text,
// an object or an array as compact JSON. A path that matches nothing gives no values and is not
// an error.
//
// Files are decoded as the file loaders decode them (a byte-order mark, else UTF-8 when valid,
// else Latin-1). Malformed JSON is reported with the parser's message and its byte position in
// the document's UTF-8 form.
#include <cstddef>
#include <string>
#include <vector>

class JsonParser {
 public:
  static constexpr std::size_t kMaxBytes = 16u * 1024u * 1024u;
  // Deeper documents are refused: the reader and its callers walk them recursively.
  static constexpr int kMaxDepth = 512;

  // Appends to `out` the values found at `path`. 0 on success; otherwise non-zero, `out`
  // unchanged and ErrorText() says why.
  int ValueFromFile(const std::wstring& file, const std::wstring& path,
                    std::vector<std::wstring>* out);
  int ValueFromString(const std::wstring& source, const std::wstring& path,
                      std::vector<std::wstring>* out);

  // The segments of `path` as described above; false (ErrorText() set) for an empty name.
  bool SplitPath(const std::wstring& path, std::vector<std::string>* segments);

  const std::wstring& ErrorText() const { return error_; }

 private:
  int Select(const std::string& utf8, const std::wstring& path, std::vector<std::wstring>* out);

  std::wstring error_;
};
