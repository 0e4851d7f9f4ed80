#include "brunox/engine/settings/SettingsStores.h"

#include <iterator>

#include "platform/Text.h"
#include "platform/TextFile.h"

CSettings* g_settings = nullptr;

namespace {

struct KeyDef {
  const wchar_t* key;
  int type;
  int flags;
  const wchar_t* def;
};

// Registration order matters: the settings file and the export list keys in this order.
const KeyDef kMainKeys[] = {
    {L"PackageFile0", S_TEXT, S_NONE, L""},
    {L"PackageFile1", S_TEXT, S_NONE, L""},
    {L"PackageFile2", S_TEXT, S_NONE, L""},
    {L"PackageFile3", S_TEXT, S_NONE, L""},
    {L"PackageFile4", S_TEXT, S_NONE, L""},
    {L"PackageFile5", S_TEXT, S_NONE, L""},
    {L"PackageFile6", S_TEXT, S_NONE, L""},
    {L"PackageFile7", S_TEXT, S_NONE, L""},
    {L"PackageFile8", S_TEXT, S_NONE, L""},
    {L"PackageFile9", S_TEXT, S_NONE, L""},
    {L"LastFile", S_TEXT, S_NONE, L""},
    {L"Library", S_TEXT, S_NONE, L""},
    {L"DoType", S_INT, S_NONE, L""},
    {L"DoSeconds", S_TEXT, S_NONE, L"10"},
    {L"DoEach", S_TEXT, S_NONE, L"10"},
    {L"DoAll", S_TEXT, S_NONE, L"50"},
    {L"DoAtLeast", S_TEXT, S_NONE, L"5"},
    {L"StatByTask", S_INT, S_NONE, L"1"},
    {L"StatPeriod", S_INT, S_NONE, L"15"},
    {L"StatPerPeriod", S_INT, S_NONE, L"1"},
    {L"StopOnError", S_INT, S_NONE, L"1"},
    {L"isConnected", S_INT, S_NONE, L"0"},
    {L"vssUser", S_TEXT, S_NONE, L""},
    {L"vssDB", S_TEXT, S_NONE, L""},
    {L"vssProject", S_TEXT, S_NONE, L""},
    {L"vssFolder", S_TEXT, S_NONE, L""},
    {L"vssPassword", S_TEXT, S_HIDDEN, L""},
    {L"PP_W1", S_INT, S_NONE, L"330"},
    {L"PP_W2", S_INT, S_NONE, L"60"},
    {L"PP_W3", S_INT, S_NONE, L"60"},
    {L"PC_W1", S_INT, S_NONE, L"190"},
    {L"PC_W2", S_INT, S_NONE, L"70"},
    {L"PC_W3", S_INT, S_NONE, L"110"},
    {L"PC_W4", S_INT, S_NONE, L"70"},
    {L"sl_W1", S_INT, S_NONE, L"45"},
    {L"sl_W2", S_INT, S_NONE, L"80"},
    {L"sl_W3", S_INT, S_NONE, L"55"},
    {L"sl_W4", S_INT, S_NONE, L"96"},
    {L"sl_W5", S_INT, S_NONE, L"55"},
    {L"sl_W6", S_INT, S_NONE, L"65"},
    {L"sl_W7", S_INT, S_NONE, L"65"},
    {L"sl_W8", S_INT, S_NONE, L"75"},
};

// Read by the log and the application base; registered after the page's own keys.
const KeyDef kGeneralKeys[] = {
    {L"LogLevel", S_INT, S_NONE, L"0"},
    // The desktop's opener, so the log shows in whatever the user has chosen for text files.
    {L"LogViewer", S_TEXT, S_NONE, L"xdg-open"},
    {L"ConsoleSQL", S_TEXT, S_NONE, L""},
    {L"LogFilePath", S_TEXT, S_NONE, L""},
    {L"TruncateBigLog", S_INT, S_NONE, L"0"},
    {L"TruncateSize", S_INT, S_NONE, L"10"},
};

const KeyDef kReportKeys[] = {
    {L"ReportTitle", S_TEXT, S_NONE, L"Brunox Test Execution Report"},
    {L"TextProfile", S_TEXT, S_NONE, L""},
    {L"HtmlLanguage", S_TEXT, S_NONE, L"en-us"},
    {L"HtmlCharset", S_TEXT, S_NONE, L"iso-8859-1"},
    {L"RepShowSQL", S_INT, S_NONE, L"1"},
    {L"rbExecuted", S_INT, S_NONE, L"1"},
    {L"rbAvgSpeed", S_INT, S_NONE, L"1"},
    {L"rbAvgDuration", S_INT, S_NONE, L"1"},
    {L"rbMaxDuration", S_INT, S_NONE, L"1"},
    {L"rbMinDuration", S_INT, S_NONE, L"1"},
    {L"rbDuration", S_INT, S_NONE, L"1"},
    {L"rbConnect", S_INT, S_NONE, L"1"},
    {L"rbDisconnect", S_INT, S_NONE, L"1"},
    {L"rbTaskPriority", S_INT, S_NONE, L"1"},
    {L"rbTaskInit", S_INT, S_NONE, L"1"},
    {L"rbTaskTotal", S_INT, S_NONE, L"1"},
};

const KeyDef kTaskKeys[] = {
    {L"DefThreads", S_INT, S_NONE, L"1"},
    {L"DefRows", S_INT, S_NONE, L"25"},
    {L"DefPriority", S_INT, S_NONE, L"1"},
    {L"DefDelay", S_INT, S_NONE, L"1"},
    {L"DefDelay2", S_INT, S_NONE, L"1"},
    {L"InitDelay", S_INT, S_NONE, L"0"},
    {L"DefExecCntr", S_INT, S_NONE, L"0"},
    {L"MaxBlobSize", S_INT, S_NONE, L"1024"},
};

template <size_t N>
void Register(_Settings& store, const KeyDef (&keys)[N]) {
  for (const KeyDef& k : keys) store.Add(k.key, k.type, k.flags, k.def);
}

}  // namespace

CSettingsPage::CSettingsPage(const std::wstring& storeName) : _Settings(storeName) {}

void CSettingsPage::DataExchange(bool) {}
void CSettingsPage::Complete() {}
bool CSettingsPage::HasWindow() const { return false; }

void CSettingsPage::AddGeneralKeys() { Register(*this, kGeneralKeys); }

PageSettingsMain::PageSettingsMain() : CSettingsPage(L"General") {
  Register(*this, kMainKeys);
  AddGeneralKeys();
}

PageSettingsReport::PageSettingsReport() : CSettingsPage(L"Report") {
  Register(*this, kReportKeys);
}

PageSettingsTask::PageSettingsTask() : CSettingsPage(L"TaskDefaults") {
  Register(*this, kTaskKeys);
}

int RegisteredTaskDefault(const std::wstring& key) {
  for (const KeyDef& k : kTaskKeys)
    if (key == k.key) return platform::ToInt(k.def);
  return 0;
}

CSettings::CSettings()
    : CSettings(std::make_unique<PageSettingsMain>(), std::make_unique<PageSettingsReport>(),
                std::make_unique<PageSettingsTask>()) {}

CSettings::CSettings(std::unique_ptr<PageSettingsMain> main,
                     std::unique_ptr<PageSettingsReport> report,
                     std::unique_ptr<PageSettingsTask> task) {
  pages_[kStoreMain] = std::move(main);
  pages_[kStoreReport] = std::move(report);
  pages_[kStoreTask] = std::move(task);
}

CSettings::~CSettings() = default;

CSettingsPage* CSettings::Page(int store) const {
  if (store < 0 || store >= kStoreCount) return nullptr;
  return pages_[store].get();
}

int CSettings::getInt(int store, const std::wstring& key) const {
  const CSettingsPage* page = Page(store);
  return page ? page->getInt(key) : 0;
}

std::wstring CSettings::getStr(int store, const std::wstring& key) const {
  const CSettingsPage* page = Page(store);
  return page ? page->getStr(key) : std::wstring();
}

void CSettings::setInt(int store, const std::wstring& key, int value) {
  if (CSettingsPage* page = Page(store)) page->setInt(key, value);
}

void CSettings::setStr(int store, const std::wstring& key, const std::wstring& value) {
  if (CSettingsPage* page = Page(store)) page->setStr(key, value);
}

_Settings* CSettings::GetMainSettings() const { return Page(kStoreMain); }

void CSettings::LoadData() {
  for (auto& page : pages_)
    if (page) page->LoadData();
}

void CSettings::SaveData(int pages) {
  for (auto& page : pages_) {
    if (!page) continue;
    if (pages) {
      if (page->HasWindow()) page->DataExchange(true);
      page->Complete();
    }
    page->SaveData();
  }
}

bool CSettings::Export(const std::wstring& iniFile, std::wstring* error) const {
  for (const auto& page : pages_)
    if (page && !page->Export(iniFile, error)) return false;
  return true;
}

bool CSettings::Import(const std::wstring& iniFile, std::wstring* error) {
  // The stores read the same file, so one that cannot read it is the first.
  for (auto& page : pages_)
    if (page && !page->Import(iniFile, error)) return false;
  return true;
}

std::wstring CSettings::RecentFileKey(int slot) { return L"PackageFile" + platform::FromInt(slot); }

void CSettings::AddRecentFile(const std::wstring& path) {
  CSettingsPage* main = Page(kStoreMain);
  if (!main) return;
  const std::wstring entry = platform::AbsolutePath(path);
  for (int i = 0; i < kRecentFiles; ++i)
    if (platform::AbsolutePath(main->getStr(RecentFileKey(i))) == entry) return;
  for (int i = kRecentFiles - 1; i > 0; --i)
    main->setStr(RecentFileKey(i), main->getStr(RecentFileKey(i - 1)));
  main->setStr(RecentFileKey(0), entry);
  main->SaveData();
}

void CSettings::SetLastFile(const std::wstring& path) {
  setStr(kStoreMain, L"LastFile", platform::AbsolutePath(path));
}

void CSettings::RemoveRecentFile(int slot) {
  CSettingsPage* main = Page(kStoreMain);
  if (!main || slot < 0 || slot >= kRecentFiles) return;
  for (int i = slot; i + 1 < kRecentFiles; ++i)
    main->setStr(RecentFileKey(i), main->getStr(RecentFileKey(i + 1)));
  main->setStr(RecentFileKey(kRecentFiles - 1), L"");
  main->SaveData();
}
