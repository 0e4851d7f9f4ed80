#pragma once
// The program's three settings stores (general, report options, task defaults) and CSettings, the
// one object that owns them. Everything else reads and writes settings by store number and key.
#include <memory>
#include <string>

#include "mervis/Settings.h"

enum SettingsStore { kStoreMain = 0, kStoreReport = 1, kStoreTask = 2, kStoreCount = 3 };

// A store that is also the data behind one settings page of the window. Without a window the
// hooks do nothing; the window's pages override them to move values between controls and store.
class CSettingsPage : public _Settings {
 public:
  explicit CSettingsPage(const std::wstring& storeName);

  // Moves values between the page's controls and the store (toStore: controls -> store).
  virtual void DataExchange(bool toStore);
  // Stores the values that no binding carries (combo indexes, radio buttons) before a save.
  virtual void Complete();
  virtual bool HasWindow() const;

 protected:
  // The log keys that the application base reads; they belong to the general store only.
  void AddGeneralKeys();
};

class PageSettingsMain : public CSettingsPage {
 public:
  PageSettingsMain();
};

class PageSettingsReport : public CSettingsPage {
 public:
  PageSettingsReport();
};

class PageSettingsTask : public CSettingsPage {
 public:
  PageSettingsTask();
};

// The registered default of a task-defaults key as a number, for code that runs without a
// CSettings (tools, the fuzzer); 0 for a key that is not registered there.
int RegisteredTaskDefault(const std::wstring& key);

class CSettings {
 public:
  CSettings();
  // For the window, which supplies pages that carry controls.
  CSettings(std::unique_ptr<PageSettingsMain> main, std::unique_ptr<PageSettingsReport> report,
            std::unique_ptr<PageSettingsTask> task);
  virtual ~CSettings();
  CSettings(const CSettings&) = delete;
  CSettings& operator=(const CSettings&) = delete;

  // A store number outside 0..2 reads as "" and 0 and ignores writes.
  int getInt(int store, const std::wstring& key) const;
  std::wstring getStr(int store, const std::wstring& key) const;
  void setInt(int store, const std::wstring& key, int value);
  void setStr(int store, const std::wstring& key, const std::wstring& value);

  _Settings* GetMainSettings() const;
  CSettingsPage* Page(int store) const;  // null outside 0..2

  void LoadData();
  // pages non-zero: first take the values shown on the pages into the stores.
  void SaveData(int pages);
  // All three stores into one ini file, and back. False at the first store that cannot write
  // or read the file, with the reason (naming the file) in `error`; an import that cannot read
  // the file changes no store.
  bool Export(const std::wstring& iniFile, std::wstring* error = nullptr) const;
  bool Import(const std::wstring& iniFile, std::wstring* error = nullptr);

  // The recent-projects list: kRecentFiles keys PackageFile0..9 of the general store, newest
  // first.
  static constexpr int kRecentFiles = 10;
  static std::wstring RecentFileKey(int slot);
  // Project paths are kept absolute (platform::AbsolutePath), so that they name the same file
  // whatever folder the program starts in next; entries stored otherwise before stay as they are.
  // Puts `path` first in the recent-projects list unless it is already in it (compared in the
  // absolute form of both), and saves the general store.
  void AddRecentFile(const std::wstring& path);
  // Sets LastFile, the project the next start opens; "" for none.
  void SetLastFile(const std::wstring& path);
  // Takes entry `slot` out of the list (the later ones move up, so no gap is left) and saves
  // the general store.
  void RemoveRecentFile(int slot);

 private:
  std::unique_ptr<CSettingsPage> pages_[kStoreCount];
};

// Created at start-up and deleted at exit; null before that (and in tools that run without
// settings).
extern CSettings* g_settings;
