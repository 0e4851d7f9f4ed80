// Downloads and $webfile / $webfilegroup against a server on the loopback address of this process.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/base/Download.h"
#include "synthor/generators/base/FileLoaders.h"
#include "synthor/generators/base/UserNotice.h"
#include "testsupport/LoopbackHttpServer.h"
#include "testsupport/RecordingUi.h"

namespace {

using std::string_literals::operator""s;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 512; ++i) bytes.push_back(static_cast<char>(i & 0xFF));
  return bytes;
}

// What the tests' server serves, by path.
HttpReply Serve(const std::string& path) {
  static const std::map<std::string, std::string> files = {
      {"/utf8", "caf\xC3\xA9\n"},
      {"/utf8bom", "\xEF\xBB\xBF" "caf\xC3\xA9"},
      {"/utf16le", "\xFF\xFE" "c\0\xE9\0"s},
      {"/utf16be", "\xFE\xFF\0c\0\xE9"s},
      {"/latin1", "caf\xE9"},
      {"/binary", AllBytes()},
      {"/empty", ""},
      {"/one", "x"},
      {"/two", "xy"},
      {"/lines", "a\r\nb\nc"},
      {"/feed", "a\n"},
      {"/lastfeed", "a\r\n\r\nb\r\n"},
      {"/pattern", "$rint(1,3)\n"},
      {"/bad", "$nosuchfunction(1)"},
      {"/rows", "x1;y1;z1\nx2;y2\n"},
  };
  if (const auto it = files.find(path); it != files.end()) return {200, it->second, {}, 0};
  if (path == "/hop1") return {302, "", {{"Location", "/hop2"}}, 0};
  if (path == "/hop2") return {301, "moved", {{"Location", "/utf8"}}, 0};
  if (path == "/loop") return {302, "", {{"Location", "/loop"}}, 0};
  if (path == "/tofile") return {302, "", {{"Location", "file:///etc/hostname"}}, 0};
  if (path == "/slow") return {200, "late", {}, 1500};
  if (path == "/capped") return {200, std::string(FileLoaders::kMaxFileBytes, 'c'), {}, 0};
  if (path == "/toolarge") return {200, std::string(FileLoaders::kMaxFileBytes + 1, 'c'), {}, 0};
  if (path == "/boom") return {500, "stack trace", {}, 0};
  return {404, "not here", {}, 0};
}

class WebTest : public engine_test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    user_notice::ForgetShown();
    ASSERT_TRUE(server.Listening());
  }
  download::Result Fetch(const std::string& path, download::Options options = {}) {
    return download::Fetch(server.Url(path), options);
  }

  LoopbackHttpServer server{&Serve};
  testsupport::RecordingUi ui;  // failures are shown to the user: recorded here
};

TEST_F(WebTest, DownloadKeepsEveryByteAndDecodesTextAsFilesAre) {
  const struct {
    const char* path;
    std::wstring text;
  } texts[] = {
      {"/utf8", L"caf\u00E9\n"},   {"/utf8bom", L"caf\u00E9"}, {"/utf16le", L"c\u00E9"},
      {"/utf16be", L"c\u00E9"},    {"/latin1", L"caf\u00E9"},  {"/empty", L""},
      {"/one", L"x"},              {"/two", L"xy"},
  };
  for (const auto& t : texts) {
    const download::Result r = Fetch(t.path);
    ASSERT_TRUE(r.ok) << t.path << ": " << platform::ToUtf8(r.error);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(download::DecodeDownloadedText(r.bytes), t.text) << t.path;
  }
  const download::Result binary = Fetch("/binary");
  ASSERT_TRUE(binary.ok);
  EXPECT_EQ(binary.bytes, AllBytes());
}

TEST_F(WebTest, RedirectsAreFollowedWithinLimitsAndOnlyToWebSchemes) {
  const download::Result followed = Fetch("/hop1");
  ASSERT_TRUE(followed.ok) << platform::ToUtf8(followed.error);
  EXPECT_EQ(followed.bytes, "caf\xC3\xA9\n");
  download::Options one;
  one.maxRedirects = 1;
  EXPECT_FALSE(Fetch("/hop1", one).ok);
  const download::Result loop = Fetch("/loop");
  EXPECT_FALSE(loop.ok);
  EXPECT_TRUE(loop.bytes.empty());
  EXPECT_FALSE(Fetch("/tofile").ok);
  for (const wchar_t* url : {L"file:///etc/hostname", L"gopher://127.0.0.1/", L"no url"})
    EXPECT_FALSE(download::Fetch(url).ok) << platform::ToUtf8(url);
}

TEST_F(WebTest, ErrorStatusesTimeoutsAndOversizedResponsesAreFailuresWithoutData) {
  for (const char* path : {"/missing", "/boom"}) {
    const download::Result r = Fetch(path);
    EXPECT_FALSE(r.ok) << path;
    EXPECT_TRUE(r.bytes.empty()) << path;
    EXPECT_NE(r.error.find(path[1] == 'm' ? L"404" : L"500"), std::wstring::npos)
        << platform::ToUtf8(r.error);
  }

  download::Options quick;
  quick.totalTimeoutMs = 300;
  const auto start = std::chrono::steady_clock::now();
  const download::Result slow = Fetch("/slow", quick);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  EXPECT_FALSE(slow.ok);
  EXPECT_EQ(slow.curlCode, 28);  // timed out

  EXPECT_EQ(Fetch("/capped").bytes.size(), FileLoaders::kMaxFileBytes);
  const download::Result large = Fetch("/toolarge");
  EXPECT_FALSE(large.ok);
  EXPECT_TRUE(large.bytes.empty());
  EXPECT_NE(large.error.find(L"larger than 16 MiB"), std::wstring::npos)
      << platform::ToUtf8(large.error);
}

TEST_F(WebTest, HttpsVerifiesCertificatesUnlessTheCallerSaysOtherwise) {
  // Spoken to with TLS, a plain HTTP port fails the handshake.
  EXPECT_FALSE(download::Fetch(server.Url("/utf8", "https")).ok);

  const std::wstring folder = platform::MakePrivateTempFolder(L"webtls");
  ASSERT_FALSE(folder.empty());
  std::string cert, key;
  if (!testsupport::MakeTestCertificate(platform::NativePath(folder), &cert, &key)) {
    std::filesystem::remove_all(platform::NativePath(folder));
    GTEST_SKIP() << "no openssl command to make a test certificate";
  }
  {
    LoopbackHttpServer tls(&Serve, cert, key);
    ASSERT_TRUE(tls.Listening());
    const std::wstring url = tls.Url("/utf8", "https");
    const download::Result refused = download::Fetch(url);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.bytes.empty());
    download::Options trusting;
    trusting.ignoreCertificateErrors = true;
    const download::Result accepted = download::Fetch(url, trusting);
    ASSERT_TRUE(accepted.ok) << platform::ToUtf8(accepted.error);
    EXPECT_EQ(accepted.bytes, "caf\xC3\xA9\n");
    // Patterns cannot ask for trust.
    DGValue v;
    EXPECT_EQ(engine.Value(-1, L"$webfile(" + url + L")", &v, nullptr), 0);
    EXPECT_EQ(engine.ErrorCode(), 3801);
  }
  std::filesystem::remove_all(platform::NativePath(folder));
}

TEST_F(WebTest, WebFileGivesTheServedLines) {
  const std::wstring lines = L"$webfile(" + server.Url("/lines") + L", 1)";
  for (const wchar_t* expected : {L"a", L"b", L"c", L"a"}) EXPECT_EQ(Render(lines), expected);
  // A text ending in a line feed has no empty line after it, as a file has not.
  const std::wstring feed = L"$webfile(" + server.Url("/feed") + L", 1)";
  EXPECT_EQ(Render(feed), L"a");
  EXPECT_EQ(Render(feed), L"a");
  const std::wstring lastFeed = L"$webfile(" + server.Url("/lastfeed") + L", 1)";
  for (const wchar_t* expected : {L"a", L"", L"b", L"a"}) EXPECT_EQ(Render(lastFeed), expected);
  EXPECT_EQ(Render(L"$webfile(" + server.Url("/utf16le") + L")"), L"c\u00E9");
  EXPECT_EQ(Render(L"$webfile(" + server.Url("/one") + L")"), L"x");
  for (const std::wstring& v : Distinct(L"$webfile(" + server.Url("/pattern") + L", 0, 1)", 30))
    EXPECT_TRUE(v == L"1" || v == L"2" || v == L"3") << platform::ToUtf8(v);

  DGValue v;
  engine.Value(-1, L"$webfile(" + server.Url("/bad") + L", 0, 1)", &v, nullptr);
  EXPECT_EQ(engine.ErrorCode(), 3802);
  EXPECT_EQ(engine.Error(), L"WebFileData: could not calculate item.");
}

TEST_F(WebTest, WebFileGroupGivesColumnsOfTheSameRow) {
  const std::wstring rows =
      L"$webfilegroup(1, 2, " + server.Url("/rows") + L", 1, 0, (\";\"))-$group(1, 1)";
  EXPECT_EQ(Render(rows), L"y1-x1");
  EXPECT_EQ(Render(rows), L"y2-x2");

  // Row 2 has no third column.
  const std::wstring third =
      L"$webfilegroup(2, 1, " + server.Url("/rows") + L", 1, 0, (\";\"))=$group(2, 3)";
  EXPECT_EQ(Render(third), L"x1=z1");
  // Value-time errors: the engine keeps the code and text of the last one.
  DGValue v;
  engine.Value(-1, third, &v, nullptr);
  EXPECT_EQ(v.value, L"x2=");
  EXPECT_EQ(engine.ErrorCode(), 3903);
  EXPECT_EQ(engine.Error(), L"WebFileGroup: Group item is out of range");

  engine.Value(-1, L"$webfilegroup(3, 9, " + server.Url("/rows") + L")", &v, nullptr);
  EXPECT_EQ(engine.ErrorCode(), 3904);
  EXPECT_EQ(engine.Error(), L"WebFileGroupData::Value empty - inited 1 DefCol 9");
}

TEST_F(WebTest, FailuresAreCompileErrorsAndShownOnceToTheUser) {
  const std::wstring missing = server.Url("/missing");
  const struct {
    std::wstring pattern;
    int code;
  } cases[] = {
      {L"$webfile()", 3800},
      {L"$webfile(" + missing + L")", 3801},
      {L"$webfile(" + server.Url("/boom") + L")", 3801},
      {L"$webfilegroup(1, 1)", 3900},
      {L"$webfilegroup(1, 1, " + server.Url("/rows") + L", 0, 0, (\"\"))", 3901},
      {L"$webfilegroup(1, 1, " + missing + L")", 3801},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RenderError(c.pattern), c.code) << platform::ToUtf8(c.pattern);
  RenderError(L"$webfile(" + missing + L")");
  EXPECT_EQ(engine.Error(), L"WebData: could not load the resource.");

  // The same failure, met again and again by a run, reaches the user once.
  int aboutMissing = 0;
  for (const auto& m : ui.messages)
    if (m.text.find(missing) != std::wstring::npos) ++aboutMissing;
  EXPECT_EQ(aboutMissing, 1);
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_NE(ui.messages.front().text.find(L"404"), std::wstring::npos);
}

}  // namespace
