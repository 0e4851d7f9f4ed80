// The SourceSafe back end over an in-memory server: initialisation without a server, opening,
// the item operations through WEXAL_API, every failing server call's error text, the error
// table and the default database from the settings file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "InMemoryVssProvider.h"
#include "platform/Text.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/TestEnv.h"
#include "wexal/VssErrorTable.h"
#include "wexal/VssSettings.h"
#include "wexal/wexalVSS.h"

namespace {

using wexaltest::MemStore;
using wexaltest::SampleStore;
using wexaltest::ScopedVssProvider;

// Sets (or, with nullopt, unsets) an environment variable for the object's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A back end configured for the sample store's database.
std::unique_ptr<wexalVSS> SampleBackEnd(const wchar_t* localFolder = L"/work/src") {
  auto vss = std::make_unique<wexalVSS>();
  vss->Settings(L"/srv/vss/srcsafe.ini", L"alice", L"secret", L"", localFolder);
  return vss;
}

std::shared_ptr<wexaltest::MemNode> Node(const MemStore& store, const std::wstring& path) {
  return store.Find(path);
}

TEST(VssBackend, WithoutServerInitFailsAndEveryOperationReportsIt) {
  testsupport::RecordingUi ui;
  wexalVSS vss;
  vss.Settings(L"/srv/vss/srcsafe.ini", L"alice", L"secret", L"", L"/work/src");
  EXPECT_EQ(vss.Init(), -1);
  EXPECT_EQ(vss.ErrorText(), L"INIT: CLSIDFromProgID error\n [-2147221164, Class not registered].");

  EXPECT_EQ(vss.Open(), -1);
  EXPECT_EQ(vss.ErrorText(), L"Class not ininted");

  WEXAL_API& api = vss;
  EXPECT_EQ(api.Ready(), 0);
  EXPECT_EQ(api.IsCheckedOut(L"/work/src/a.sql"), -1);
  EXPECT_NE(api.CheckOutItem(L"a.sql", L"c"), 0);
  EXPECT_NE(api.CheckIn(L"a.sql", L"c"), 0);
  EXPECT_NE(api.UndoCheckOut(L"a.sql"), 0);
  EXPECT_NE(api.AddItem(L"new.sql", L"c"), 0);
  EXPECT_EQ(api.ErrorText(), L"Class not ininted");
  EXPECT_EQ(api.Items(), 0);
  std::vector<std::wstring> projects;
  EXPECT_EQ(vss.Projects(&projects), -2);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(VssBackend, ServerThatCannotBeReachedFailsInitWithItsCode) {
  auto store = SampleStore();
  ScopedVssProvider server(store, wexal::kVssFail);
  wexalVSS vss;
  EXPECT_EQ(vss.Init(), -2);
  EXPECT_EQ(vss.ErrorText(), L"INIT: CoGetClassObject error [-2147467259, Unspecified error].");
}

TEST(VssBackend, OpenListsTheProjectItemsAndGetItemInfoReadsThem) {
  auto store = SampleStore();
  ScopedVssProvider server(store);
  auto vss = SampleBackEnd();
  ASSERT_EQ(vss->Init(), 0);
  EXPECT_TRUE(vss->ErrorText().empty());
  ASSERT_EQ(vss->Open(), 0) << vss->ErrorText();
  EXPECT_EQ(store->calls.front(), L"Open /srv/vss/srcsafe.ini alice");
  EXPECT_EQ(vss->Items(), 3);

  std::wstring name;
  int deleted = -1, type = -1, version = -1;
  ASSERT_EQ(vss->GetItemInfo(0, &name, &deleted, &type, &version), 0);
  EXPECT_EQ(name, L"a.sql");
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(type, wexal::kVssTypeFile);
  EXPECT_EQ(version, 3);
  ASSERT_EQ(vss->GetItemInfo(2, &name, nullptr, &type, nullptr), 0);
  EXPECT_EQ(name, L"Lib");
  EXPECT_EQ(type, wexal::kVssTypeProject);

  for (int bad : {3, -1, 100}) {
    vss->error.clear();
    EXPECT_EQ(vss->GetItemInfo(bad, &name, nullptr, nullptr, nullptr), -1) << bad;
    EXPECT_EQ(vss->ErrorText(), L"GET_ITEM: bad item no");
  }
  // Each operation releases the item it selected.
  EXPECT_EQ(store->live, 3);  // database, project item, collection
  vss->Close();
  EXPECT_EQ(store->live, 0);
}

TEST(VssBackend, ConfiguredProjectIsOpenedInsteadOfTheCurrentOne) {
  auto store = SampleStore();
  store->Find(L"$/Other")->Add(L"x.sql", false);
  ScopedVssProvider server(store);
  wexalVSS vss;
  vss.Settings(L"/srv/vss/srcsafe.ini", L"alice", L"secret", L"$/Other", nullptr);
  ASSERT_EQ(vss.Init(), 0);
  ASSERT_EQ(vss.Open(), 0);
  ASSERT_EQ(vss.Items(), 1);
  std::wstring name;
  ASSERT_EQ(vss.GetItemInfo(0, &name, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(name, L"x.sql");
}

TEST(VssBackend, CheckOutCheckInUndoAndAddThroughTheInterface) {
  auto store = SampleStore();
  ScopedVssProvider server(store);
  auto vss = SampleBackEnd();
  ASSERT_EQ(vss->Init(), 0);
  WEXAL_API& api = *vss;
  auto a = Node(*store, L"$/Proj/a.sql");
  auto proj = Node(*store, L"$/Proj");

  // Item operations open the database themselves.
  EXPECT_EQ(api.IsCheckedOut(L"/work/src/a.sql"), 0);
  EXPECT_TRUE(vss->IsOpen());
  EXPECT_EQ(api.IsCheckedOut(L"/work/src/b.sql"), 1);  // checked out by someone else
  EXPECT_EQ(api.IsCheckedOut(L"/work/src/missing.sql"), 0);

  ASSERT_EQ(api.CheckOutItem(L"/work/src/a.sql", L"edit"), 0) << api.ErrorText();
  EXPECT_EQ(a->checkedOut, 2);
  EXPECT_EQ(a->lastLocalFile, L"/work/src/a.sql");
  EXPECT_EQ(a->lastComment, L"edit");
  EXPECT_EQ(api.IsCheckedOut(L"/WORK/SRC/A.SQL"), 1);  // the folder and name ignore case

  // Check-in and undo act on the file's own item, never on the project.
  ASSERT_EQ(api.CheckIn(L"a.sql", L"done"), 0) << api.ErrorText();
  EXPECT_EQ(a->checkedOut, 0);
  EXPECT_EQ(a->version, 4);
  EXPECT_EQ(a->lastLocalFile, L"/work/src/a.sql");
  EXPECT_EQ(proj->version, 1);
  EXPECT_EQ(store->calls.back(), L"Checkin a.sql");

  ASSERT_EQ(api.CheckOutItem(L"a.sql", L""), 0);
  ASSERT_EQ(api.UndoCheckOut(L"/work/src/a.sql"), 0) << api.ErrorText();
  EXPECT_EQ(store->calls.back(), L"UndoCheckout a.sql");
  EXPECT_EQ(a->checkedOut, 0);
  EXPECT_EQ(a->version, 4);

  ASSERT_EQ(api.AddItem(L"new.sql", L"first"), 0) << api.ErrorText();
  auto added = Node(*store, L"$/Proj/new.sql");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->lastLocalFile, L"/work/src/new.sql");
  EXPECT_EQ(added->lastComment, L"first");

  EXPECT_EQ(api.CheckIn(L"missing.sql", L""), -1);
  EXPECT_EQ(api.ErrorText(), L"CHECKIN error [-2147166577, File or project not found].");
  EXPECT_EQ(api.CheckOutItem(L"", L""), -1);
  EXPECT_EQ(api.ErrorText(), L"CHECK_OUT_ITEM error [-2147166577, File or project not found].");
}

TEST(VssBackend, LocalFolderIsCutOnlyAtAPathSeparator) {
  auto store = SampleStore();
  Node(*store, L"$/Proj/a.sql")->checkedOut = 2;
  ScopedVssProvider server(store);
  auto vss = SampleBackEnd(L"/w/b");
  ASSERT_EQ(vss->Init(), 0);
  EXPECT_EQ(vss->IsCheckedOut(L"/w/b/a.sql"), 1);
  // "/w/bXa.sql" lies beside the folder, not in it: it must not be taken for "a.sql".
  EXPECT_EQ(vss->IsCheckedOut(L"/w/bXa.sql"), 0);
  EXPECT_EQ(vss->CheckIn(L"/w/bXa.sql", L""), -1);
  EXPECT_EQ(Node(*store, L"$/Proj/a.sql")->checkedOut, 2);

  auto slashed = SampleBackEnd(L"/w/b/");
  ASSERT_EQ(slashed->Init(), 0);
  EXPECT_EQ(slashed->IsCheckedOut(L"/w/b/a.sql"), 1);
}

TEST(VssBackend, UnreadableItemDuringOpenKeepsNamesAlignedWithTheCollection) {
  auto store = SampleStore();
  store->failures[L"GetItem:1"] = wexal::kVssFail;  // a.sql cannot be read while listing
  ScopedVssProvider server(store);
  auto vss = SampleBackEnd();
  ASSERT_EQ(vss->Init(), 0);
  ASSERT_EQ(vss->Open(), 0);
  store->failures.clear();

  ASSERT_EQ(vss->CheckOutItem(L"Lib", L""), 0) << vss->ErrorText();
  EXPECT_EQ(store->calls.back(), L"Checkout Lib");
  EXPECT_EQ(vss->IsCheckedOut(L"b.sql"), 1);
  EXPECT_EQ(Node(*store, L"$/Proj/b.sql")->checkedOut, 1);
  EXPECT_EQ(vss->IsCheckedOut(L"a.sql"), 0);  // its name was never read
}

TEST(VssBackend, IsCheckedOutGivesOneOnlyForAPositiveStatus) {
  auto store = SampleStore();
  ScopedVssProvider server(store);
  auto vss = SampleBackEnd();
  ASSERT_EQ(vss->Init(), 0);
  auto a = Node(*store, L"$/Proj/a.sql");
  for (auto [status, expected] : {std::pair{0, 0}, {1, 1}, {2, 1}, {-3, 0}}) {
    a->checkedOut = status;
    EXPECT_EQ(vss->IsCheckedOut(L"a.sql"), expected) << status;
  }
}

// One failing server call: which call, what the caller does, and what it must report.
struct FailureCase {
  const wchar_t* failure;
  wexal::VssResult code;
  std::function<int(wexalVSS&)> act;
  int result;
  const wchar_t* text;
};

TEST(VssBackend, EachFailingServerCallReportsItsOperationCodeAndText) {
  const wexal::VssResult denied = static_cast<wexal::VssResult>(0x8004D6C6);
  const std::vector<FailureCase> cases = {
      {L"CreateDatabase", wexal::kVssFail, [](wexalVSS& v) { return v.Open(); }, -12,
       L"INIT: Create instance for IID_IVSSDatabase error [-2147467259]."},
      {L"Open", denied, [](wexalVSS& v) { return v.Open(); }, -2,
       L"OPEN: Error while opening database [-2147166522, Permission denied]."},
      {L"Item:$/Proj", denied, [](wexalVSS& v) { return v.Open(); }, -4,
       L"OPEN: Get project item error [-2147166522, Permission denied]."},
      {L"Items:Proj", wexal::kVssFail, [](wexalVSS& v) { return v.Open(); }, -8,
       L"OPEN: get_Items error [-2147467259, Unspecified error]."},
      {L"Count", wexal::kVssFail, [](wexalVSS& v) { return v.Open(); }, -8,
       L"OPEN: get_Items error [-2147467259, Unspecified error]."},
      {L"IsCheckedOut", denied, [](wexalVSS& v) { return v.IsCheckedOut(L"a.sql"); }, -1,
       L"IsCheckedOut [-2147166522, Permission denied]."},
      {L"Add", denied, [](wexalVSS& v) { return v.AddItem(L"n.sql", L""); }, denied,
       L"ADD_ITEM error [-2147166522, Permission denied]."},
      {L"Checkin", denied, [](wexalVSS& v) { return v.CheckIn(L"b.sql", L""); }, denied,
       L"CHECKIN error [-2147166522, Permission denied]."},
      {L"Checkout", denied, [](wexalVSS& v) { return v.CheckOutItem(L"a.sql", L""); }, -1,
       L"CHECK_OUT_ITEM error [-2147166522, Permission denied]."},
      {L"UndoCheckout", denied, [](wexalVSS& v) { return v.UndoCheckOut(L"b.sql"); }, denied,
       L"UNDO_CHECKOUT_ITEM error [-2147166522, Permission denied]."},
      {L"VersionNumber", static_cast<wexal::VssResult>(0x80001234),
       [](wexalVSS& v) {
         int version = 0;
         return v.Open() != 0 ? -99 : v.GetItemInfo(1, nullptr, nullptr, nullptr, &version);
       },
       -1, L"GET_ITEM #1 error  [-2147478988, Unknown error 0x80001234]."},
      {L"Open", wexal::kVssClassNotRegistered, [](wexalVSS& v) { return v.Open(); }, -2,
       L"OPEN: Error while opening database [-2147221164, Class not registered]."},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.failure);
    auto store = SampleStore();
    ScopedVssProvider server(store);
    auto vss = SampleBackEnd();
    ASSERT_EQ(vss->Init(), 0);
    store->failures[c.failure] = c.code;
    EXPECT_EQ(c.act(*vss), c.result);
    EXPECT_EQ(vss->ErrorText(), c.text);
    if (!vss->IsOpen()) {
      EXPECT_EQ(store->live, 0);  // a failed Open holds nothing
    }
  }
}

TEST(VssBackend, GetItemThatTheServerRefusesReportsIndexAndCode) {
  auto store = SampleStore();
  ScopedVssProvider server(store);
  auto vss = SampleBackEnd();
  ASSERT_EQ(vss->Init(), 0);
  ASSERT_EQ(vss->Open(), 0);
  store->failures[L"GetItem:2"] = static_cast<wexal::VssResult>(0x8004D695);
  std::wstring name;
  EXPECT_EQ(vss->GetItemInfo(1, &name, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(vss->ErrorText(),
            L"GET_ITEM #1 error  [-2147166571, Collision accessing database, please try again.].");
  EXPECT_EQ(store->live, 3);
}

TEST(VssBackend, WrongPasswordFailsOpenAndReadyReleasesEverything) {
  auto store = SampleStore();
  ScopedVssProvider server(store);
  wexalVSS vss;
  vss.Settings(L"/srv/vss/srcsafe.ini", L"alice", L"wrong", L"", nullptr);
  EXPECT_EQ(vss.Ready(), 0);
  EXPECT_EQ(vss.ErrorText(),
            L"OPEN: Error while opening database [-2147166519, Invalid password].");
  EXPECT_EQ(store->live, 0);

  vss.Settings(L"/srv/vss/srcsafe.ini", L"alice", L"secret", L"", nullptr);
  EXPECT_EQ(vss.Ready(), 1);
  EXPECT_FALSE(vss.IsOpen());
  EXPECT_EQ(store->live, 0);
}

TEST(VssBackend, ProjectsListsOnlyProjectsUnderTheRoot) {
  auto store = SampleStore();
  // More root entries than the opened project has items: the root's own count must bound it.
  for (int i = 0; i < 5; ++i) store->root->Add(L"P" + std::to_wstring(i), true);
  ScopedVssProvider server(store);
  auto vss = SampleBackEnd();
  std::vector<std::wstring> list{L"stale"};
  ASSERT_EQ(vss->Init(), 0);
  EXPECT_EQ(vss->Projects(&list), -2);  // not open
  ASSERT_EQ(vss->Open(), 0);
  EXPECT_EQ(vss->Projects(nullptr), -2);
  ASSERT_EQ(vss->Projects(&list), 0) << vss->ErrorText();
  EXPECT_EQ(list, (std::vector<std::wstring>{L"$/Proj", L"$/Other", L"$/P0", L"$/P1", L"$/P2",
                                             L"$/P3", L"$/P4"}));
  EXPECT_EQ(store->live, 3);

  store->failures[L"Item:$/"] = wexal::kVssFail;
  EXPECT_EQ(vss->Projects(&list), -4);
  EXPECT_EQ(vss->ErrorText(), L"Projects: get root pItem [-2147467259, Unspecified error].");
  store->failures.clear();
  store->failures[L"Items:"] = wexal::kVssFail;
  EXPECT_EQ(vss->Projects(&list), -8);
  EXPECT_EQ(vss->ErrorText(), L"Project: get_Items error [-2147467259, Unspecified error].");
  EXPECT_EQ(store->live, 3);
}

TEST(VssBackend, SettingsKeepPathsWholeAndClipNamesTo63) {
  wexalVSS vss;
  const std::wstring longPath = L"/" + std::wstring(300, L'd') + L"/srcsafe.ini";
  const std::wstring longFolder = L"/" + std::wstring(300, L'f');
  const std::wstring longName(70, L'u');
  vss.Settings(longPath.c_str(), longName.c_str(), longName.c_str(), longName.c_str(),
               longFolder.c_str());
  EXPECT_EQ(vss.DatabaseFile(), longPath);
  EXPECT_EQ(vss.localFolder, longFolder);
  EXPECT_EQ(vss.user, std::wstring(63, L'u'));
  EXPECT_EQ(vss.password.size(), 63u);
  EXPECT_EQ(vss.Project().size(), 63u);
  vss.Settings(nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(vss.DatabaseFile().empty());
  EXPECT_TRUE(vss.localFolder.empty());
}

TEST(VssErrorTable, HoldsTheServerRowsInOrderAndFallsBackToSystemTexts) {
  const auto table = wexal::VssErrorTable();
  ASSERT_EQ(table.size(), 98u);
  EXPECT_EQ(table.front().code, 0x8004D698u);
  EXPECT_STREQ(table.front().text, L"File may be corrupt");
  EXPECT_EQ(table.back().code, 0x8004D509u);
  EXPECT_STREQ(table.back().text, L"Error loading resource string");
  EXPECT_EQ(table[20].code, 0x8004D828u);
  EXPECT_STREQ(table[20].text, L"Initialization variable, must be set to 'Yes' or 'No'");

  // Every row's code finds the first row that has it.
  for (size_t i = 0; i < table.size(); ++i) {
    size_t first = 0;
    while (table[first].code != table[i].code) ++first;
    EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(table[i].code)), table[first].text);
  }
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x8004D83A)), L"Too many file handles open");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x8004D84C)), L"Too many file handles open");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x8004D740)), L"Files have no common ancestor");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x8004D82F)),
            L"An error occurred while  trying to check hyperlinks");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x80048002)), L"Cancel");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x8004D75B)), L"File is currently checked ou");

  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x80004005)), L"Unspecified error");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x80004001)), L"Not implemented");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x80070057)), L"The parameter is incorrect");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x80070005)), L"Access is denied");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x80040154)), L"Class not registered");
  EXPECT_EQ(wexalVSS::ErrorText(static_cast<int>(0x8004D7FF)), L"Unknown error 0x8004D7FF");
  EXPECT_EQ(wexalVSS::ErrorText(-1), L"Unknown error 0xFFFFFFFF");
  // Texts are values: a later call does not change an earlier result.
  const std::wstring first = wexalVSS::ErrorText(static_cast<int>(0x8004D698));
  (void)wexalVSS::ErrorText(static_cast<int>(0x8004D509));
  EXPECT_EQ(first, L"File may be corrupt");
}

void WriteFile(const std::wstring& path, const std::string& text) {
  std::ofstream out(platform::ToUtf8(path), std::ios::binary);
  out << text;
}

TEST(VssSettings, DefaultBaseComesFromTheSettingsFile) {
  testsupport::RecordingUi ui;
  const std::wstring ini = testsupport::NewScratchPath(L"wexal.ini");
  ScopedEnv named("WEXAL_SETTINGS", platform::ToUtf8(ini));
  EXPECT_EQ(wexal::SettingsFile(), ini);

  EXPECT_EQ(wexalVSS::DefaultBase(), L"");  // no file yet: empty, and no message
  WriteFile(ini, "[Other]\nAPI Current Database=/x\n");
  EXPECT_EQ(wexalVSS::DefaultBase(), L"");  // no key
  WriteFile(ini, "[SOFTWARE\\Microsoft\\SourceSafe]\nAPI Current Database=/srv/vss\n");
  EXPECT_EQ(wexalVSS::DefaultBase(), L"/srv/vss/srcsafe.ini");

  const std::string longFolder = "/" + std::string(280, 'v') + "/db";
  WriteFile(ini, "[software\\microsoft\\sourcesafe]\napi current database=" + longFolder + "/\n");
  const std::wstring longBase = wexalVSS::DefaultBase();
  EXPECT_GT(longBase.size(), 260u);
  EXPECT_EQ(longBase, platform::FromUtf8(longFolder) + L"/srcsafe.ini");
  EXPECT_TRUE(ui.messages.empty());
}

TEST(VssSettings, UnreadableSettingsFileIsReportedAndGivesNothing) {
  testsupport::RecordingUi ui;
  const std::wstring folder = testsupport::NewScratchPath(L"wexal.ini");
  ASSERT_TRUE(std::filesystem::create_directories(platform::ToUtf8(folder)));
  ScopedEnv named("WEXAL_SETTINGS", platform::ToUtf8(folder));
  EXPECT_EQ(wexalVSS::DefaultBase(), L"");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_FALSE(ui.messages[0].text.empty());
  EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Error);
}

TEST(VssSettings, WithoutANamedFileTheConfigurationFolderIsUsed) {
  const std::wstring ini = testsupport::NewScratchPath(L"wexal.ini");
  const std::wstring folder = ini.substr(0, ini.rfind(L'/'));
  ScopedEnv named("WEXAL_SETTINGS", std::nullopt);
  ScopedEnv config("XDG_CONFIG_HOME", platform::ToUtf8(folder));
  EXPECT_EQ(wexal::SettingsFile(), ini);
  WriteFile(ini, "[SOFTWARE\\Microsoft\\SourceSafe]\nAPI Current Database=/home/vss\n");
  EXPECT_EQ(wexalVSS::DefaultBase(), L"/home/vss/srcsafe.ini");
}

}  // namespace
