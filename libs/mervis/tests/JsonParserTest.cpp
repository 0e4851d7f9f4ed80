// The path forms of the JSON reader, file decoding, and malformed documents.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mervis/JsonParser.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

using Values = std::vector<std::wstring>;

Values Find(const std::wstring& json, const std::wstring& path) {
  JsonParser parser;
  Values out;
  EXPECT_EQ(parser.ValueFromString(json, path, &out), 0) << platform::ToUtf8(parser.ErrorText());
  return out;
}

TEST(JsonParser, PathForms) {
  const std::wstring doc =
      LR"({"shop": {"name": "Corner", "open": true, "rating": 4.5, "owner": null},
          "items": [{"name": "Pen", "id": 1}, {"name": "Ink", "id": 2}, {"name": "Pad", "id": 3}],
          "tags": ["a", "b"], "2": "two", "nested": [[1, 2], [3]]})";
  EXPECT_EQ(Find(doc, L"shop.name"), Values{L"Corner"});
  EXPECT_EQ(Find(doc, L"$.shop.name"), Values{L"Corner"});
  EXPECT_EQ(Find(doc, L"shop.open"), Values{L"true"});
  EXPECT_EQ(Find(doc, L"shop.rating"), Values{L"4.5"});
  EXPECT_EQ(Find(doc, L"shop.owner"), Values{L""});
  EXPECT_EQ(Find(doc, L"items.1.name"), Values{L"Ink"});
  EXPECT_EQ(Find(doc, L"items.*.name"), (Values{L"Pen", L"Ink", L"Pad"}));
  EXPECT_EQ(Find(doc, L"items.*.id"), (Values{L"1", L"2", L"3"}));
  EXPECT_EQ(Find(doc, L"tags.*"), (Values{L"a", L"b"}));
  EXPECT_EQ(Find(doc, L"nested.*.*"), (Values{L"1", L"2", L"3"}));
  EXPECT_EQ(Find(doc, L"tags"), Values{LR"(["a","b"])"});
  EXPECT_EQ(Find(doc, L"2"), Values{L"two"});  // a number names a member of an object
  EXPECT_EQ(Find(LR"([{"id": 7}, {"id": 8}, {"x": 9}])", L"*.id"), (Values{L"7", L"8"}));
  EXPECT_EQ(Find(L"\"just\"", L"$"), Values{L"just"});
  EXPECT_EQ(Find(L"[1,2]", L""), Values{L"[1,2]"});
  // Nothing there: no values, no error.
  for (const wchar_t* path : {L"items.9.name", L"items.x", L"shop.name.first", L"missing.*"})
    EXPECT_TRUE(Find(doc, path).empty()) << platform::ToUtf8(path);

  JsonParser parser;
  Values out{L"kept"};
  EXPECT_NE(parser.ValueFromString(doc, L"items..name", &out), 0);
  EXPECT_NE(parser.ErrorText().find(L"items..name"), std::wstring::npos);
  EXPECT_EQ(out, Values{L"kept"});
}

TEST(JsonParser, MalformedDocumentsGiveTheMessageWithBytePosition) {
  const struct {
    const wchar_t* json;
    const char* position;
  } cases[] = {
      {L"{\"a\": [1, 2,, 3]}", "(byte 13)"},
      {L"{\"a\": 1", "(byte 8)"},
      {L"", "(byte 1)"},
      {L"{\"a\": tru}", "(byte 10)"},
  };
  for (const auto& c : cases) {
    JsonParser parser;
    Values out;
    EXPECT_NE(parser.ValueFromString(c.json, L"a", &out), 0) << platform::ToUtf8(c.json);
    const std::string error = platform::ToUtf8(parser.ErrorText());
    EXPECT_NE(error.find("parse error at line"), std::string::npos) << error;
    EXPECT_NE(error.find(c.position), std::string::npos) << error;
    EXPECT_EQ(error.find("json.exception"), std::string::npos) << error;
    EXPECT_TRUE(out.empty());
  }
  JsonParser parser;
  Values out;
  EXPECT_NE(parser.ValueFromString(L"[1e999]", L"*", &out), 0);  // beyond double's range
  EXPECT_NE(parser.ErrorText().find(L"number overflow"), std::wstring::npos);
  EXPECT_NE(parser.ValueFromString(std::wstring(100000, L'[') + std::wstring(100000, L']'), L"",
                                   &out),
            0);
  EXPECT_NE(parser.ErrorText().find(L"deeper"), std::wstring::npos);
}

TEST(JsonParser, FilesAreDecodedAsTheFileLoadersDo) {
  using std::string_literals::operator""s;
  const std::wstring folder = platform::MakePrivateTempFolder(L"jsonparser");
  ASSERT_FALSE(folder.empty());
  const std::wstring file = platform::JoinPath(folder, L"doc.json");
  for (const std::string& bytes :
       {"{\"v\": \"caf\xC3\xA9\"}"s, "\xEF\xBB\xBF{\"v\": \"caf\xC3\xA9\"}"s,
        "{\"v\": \"caf\xE9\"}"s, "\xFF\xFE{\0\"\0v\0\"\0:\0\"\0c\0a\0f\0\xE9\0\"\0}\0"s}) {
    ASSERT_TRUE(platform::WriteFileBytes(file, bytes));
    JsonParser parser;
    Values out;
    EXPECT_EQ(parser.ValueFromFile(file, L"v", &out), 0) << platform::ToUtf8(parser.ErrorText());
    EXPECT_EQ(out, Values{L"caf\u00E9"});
  }
  JsonParser parser;
  Values out;
  EXPECT_NE(parser.ValueFromFile(folder + L"/missing.json", L"v", &out), 0);
  EXPECT_FALSE(parser.ErrorText().empty());
  std::error_code ignored;
  std::filesystem::remove_all(platform::NativePath(folder), ignored);
}

}  // namespace
