#pragma once
// The SourceSafe back end: WEXAL_API over the automation server of VssProvider.h. Init finds the
// registered server, Open opens the database and the project and lists the project's items;
// the item operations open the database themselves when it is not open and leave it open.
#include <memory>
#include <string>
#include <vector>

#include "wexal/VssProvider.h"
#include "wexal/WexalApi.h"

class WEXAL_EXPORT wexalVSS : public WEXAL_API {
 public:
  // How many characters of the user, password and project are kept.
  static constexpr size_t kMaxNameLength = 63;

  wexalVSS();
  ~wexalVSS() override;
  wexalVSS(const wexalVSS&) = delete;
  wexalVSS& operator=(const wexalVSS&) = delete;

  // A null text is taken as empty; an empty project means the database's current project.
  void Settings(const wchar_t* databaseFile, const wchar_t* user, const wchar_t* password,
                const wchar_t* project, const wchar_t* localFolder);
  const std::wstring& DatabaseFile() const { return databaseFile_; }
  const std::wstring& Project() const { return project_; }

  int Init() override;
  int Items() override { return itemCount_; }
  // 1 checked out, 0 not (or not in the project), -1 on error.
  int IsCheckedOut(const wchar_t* file) override;
  int Ready() override;
  int Open() override;
  void Close() override;
  int AddItem(const wchar_t* file, const wchar_t* comment) override;
  int CheckIn(const wchar_t* file, const wchar_t* comment) override;
  int CheckOutItem(const wchar_t* file, const wchar_t* comment) override;
  int GetItemInfo(int i, std::wstring* name, int* deleted, int* type, int* version) override;
  int UndoCheckOut(const wchar_t* file) override;

  // The projects under the root, each as "$/" + name. Needs an open database; -2 otherwise.
  int Projects(std::vector<std::wstring>* list);

  // The default database file from the settings file ("" when none).
  static std::wstring DefaultBase();
  using WEXAL_API::ErrorText;
  static std::wstring ErrorText(int code);

  bool IsOpen() const { return database_ != nullptr; }

 protected:
  // Selects item i of `items` (the project's own when null) as the current item.
  int GetItem(int i, wexal::VssItems* items);
  // Selects the item named by `file` (a path under the local folder, or a bare name).
  // -1 when the file is not in the project, without an error text; else as GetItem(i).
  int GetItem(const wchar_t* file);

 private:
  int SelectItem(int i, wexal::VssItems* items, int count);
  int FindItem(const wchar_t* file) const;
  // Opens the database unless it is open; 0 when it is open afterwards.
  int EnsureOpen();
  // Selects the item of `file` for an operation named `operation`, setting the error text
  // (with the server's not-found code) when the file is not in the project.
  int SelectFileItem(const wchar_t* file, const wchar_t* operation);
  void SetError(const wchar_t* format, int code);

  std::unique_ptr<wexal::VssProvider> provider_;  // kept from Init until destruction
  std::unique_ptr<wexal::VssDatabase> database_;  // from Open until Close
  std::unique_ptr<wexal::VssItem> projectItem_;
  std::unique_ptr<wexal::VssItem> currentItem_;
  std::unique_ptr<wexal::VssItems> items_;
  std::wstring databaseFile_;
  std::wstring project_;
  std::wstring currentProject_;
  // Indexed like the project's collection: an item that could not be read has an empty name.
  std::vector<std::wstring> itemNames_;
  int itemCount_ = 0;
  bool initialised_ = false;
};
