#include "wexal/wexalVSS.h"

#include <mutex>
#include <utility>

#include "platform/Text.h"
#include "wexal/VssErrorTable.h"
#include "wexal/VssSettings.h"

namespace wexal {

namespace {

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

VssProviderFactory& RegistryFactory() {
  static VssProviderFactory factory;
  return factory;
}

}  // namespace

VssProviderFactory RegisterVssProvider(VssProviderFactory factory) {
  std::lock_guard lock(RegistryMutex());
  return std::exchange(RegistryFactory(), std::move(factory));
}

VssProviderFactory RegisteredVssProvider() {
  std::lock_guard lock(RegistryMutex());
  return RegistryFactory();
}

}  // namespace wexal

namespace {

std::wstring Text(const wchar_t* s) { return s != nullptr ? std::wstring(s) : std::wstring(); }

std::wstring Clip(const wchar_t* s, size_t max) { return Text(s).substr(0, max); }

}  // namespace

wexalVSS::wexalVSS() = default;

wexalVSS::~wexalVSS() { Close(); }

void wexalVSS::Settings(const wchar_t* databaseFile, const wchar_t* user, const wchar_t* password,
                        const wchar_t* project, const wchar_t* localFolder) {
  databaseFile_ = Text(databaseFile);
  this->user = Clip(user, kMaxNameLength);
  this->password = Clip(password, kMaxNameLength);
  project_ = Clip(project, kMaxNameLength);
  this->localFolder = Text(localFolder);
}

std::wstring wexalVSS::DefaultBase() { return wexal::DefaultVssDatabase(); }

std::wstring wexalVSS::ErrorText(int code) { return wexal::VssErrorText(code); }

void wexalVSS::SetError(const wchar_t* format, int code) {
  error = platform::Format(format, code, ErrorText(code).c_str());
}

int wexalVSS::Init() {
  if (initialised_) return 0;
  const wexal::VssProviderFactory factory = wexal::RegisteredVssProvider();
  if (!factory) {
    SetError(L"INIT: CLSIDFromProgID error\n [%d, %ls].", wexal::kVssClassNotRegistered);
    return -1;
  }
  std::unique_ptr<wexal::VssProvider> provider;
  wexal::VssResult hr = factory(provider);
  if (!wexal::VssFailed(hr) && !provider) hr = wexal::kVssFail;
  if (wexal::VssFailed(hr)) {
    SetError(L"INIT: CoGetClassObject error [%d, %ls].", hr);
    return -2;
  }
  provider_ = std::move(provider);
  error.clear();
  initialised_ = true;
  return 0;
}

int wexalVSS::Open() {
  if (!initialised_) {
    error = L"Class not ininted";
    return -1;
  }
  // A second Open starts afresh; whatever an earlier one held is released first.
  Close();

  std::unique_ptr<wexal::VssDatabase> database;
  wexal::VssResult hr = provider_->CreateDatabase(database);
  if (!wexal::VssFailed(hr) && !database) hr = wexal::kVssFail;
  if (wexal::VssFailed(hr)) {
    error = platform::Format(L"INIT: Create instance for IID_IVSSDatabase error [%d].", hr);
    return -12;
  }
  database_ = std::move(database);

  hr = database_->Open(databaseFile_, user, password);
  if (wexal::VssFailed(hr)) {
    SetError(L"OPEN: Error while opening database [%d, %ls].", hr);
    Close();
    return -2;
  }

  currentProject_.clear();
  database_->CurrentProject(currentProject_);
  const std::wstring& path = project_.empty() ? currentProject_ : project_;
  hr = database_->Item(path, false, projectItem_);
  if (!wexal::VssFailed(hr) && !projectItem_) hr = wexal::kVssFail;
  if (wexal::VssFailed(hr)) {
    SetError(L"OPEN: Get project item error [%d, %ls].", hr);
    Close();
    return -4;
  }

  int count = 0;
  hr = projectItem_->Items(false, items_);
  if (!wexal::VssFailed(hr) && !items_) hr = wexal::kVssFail;
  if (!wexal::VssFailed(hr)) hr = items_->Count(count);
  if (wexal::VssFailed(hr)) {
    SetError(L"OPEN: get_Items error [%d, %ls].", hr);
    Close();
    return -8;
  }

  itemCount_ = count < 0 ? 0 : count;
  itemNames_.assign(static_cast<size_t>(itemCount_), std::wstring());
  for (int i = 0; i < itemCount_; ++i) {
    if (GetItem(i, nullptr) != 0) continue;  // stays "" so later names keep their index
    std::wstring name;
    if (!wexal::VssFailed(currentItem_->Name(name))) itemNames_[static_cast<size_t>(i)] = name;
    currentItem_.reset();
  }
  return 0;
}

void wexalVSS::Close() {
  currentItem_.reset();
  projectItem_.reset();
  items_.reset();
  database_.reset();
}

int wexalVSS::GetItem(int i, wexal::VssItems* items) {
  if (items != nullptr) {
    int count = 0;
    if (wexal::VssFailed(items->Count(count))) count = 0;
    return SelectItem(i, items, count);
  }
  return SelectItem(i, items_.get(), itemCount_);
}

int wexalVSS::SelectItem(int i, wexal::VssItems* items, int count) {
  if (i < 0 || i >= count) {
    error = L"GET_ITEM: bad item no";
    return -1;
  }
  currentItem_.reset();
  wexal::VssResult hr = -1;
  if (items != nullptr) {
    hr = items->Item(i + 1, currentItem_);
    if (!wexal::VssFailed(hr) && !currentItem_) hr = wexal::kVssFail;
  }
  if (wexal::VssFailed(hr)) {
    currentItem_.reset();
    error = platform::Format(L"GET_ITEM #%d error  [%d, %ls].", i, hr, ErrorText(hr).c_str());
    return hr;
  }
  return 0;
}

int wexalVSS::FindItem(const wchar_t* file) const {
  std::wstring name = Text(file);
  if (name.empty()) return -1;
  // The folder is cut off only where a path separator follows it, so "/a/b" never cuts
  // "/a/bc/x" down to "c/x".
  if (!localFolder.empty()) {
    std::wstring folder = localFolder;
    while (folder.size() > 1 && folder.back() == L'/') folder.pop_back();
    if (name.size() > folder.size() &&
        platform::EqualsNoCase(std::wstring_view(name).substr(0, folder.size()), folder) &&
        (name[folder.size()] == L'/' || folder == L"/")) {
      name.erase(0, folder == L"/" ? 1 : folder.size() + 1);
    }
  }
  if (name.empty()) return -1;
  for (size_t i = 0; i < itemNames_.size(); ++i)
    if (platform::EqualsNoCase(itemNames_[i], name)) return static_cast<int>(i);
  return -1;
}

int wexalVSS::GetItem(const wchar_t* file) {
  const int index = FindItem(file);
  if (index < 0) return -1;
  return GetItem(index, nullptr);
}

int wexalVSS::GetItemInfo(int i, std::wstring* name, int* deleted, int* type, int* version) {
  if (GetItem(i, nullptr) != 0) return -1;
  wexal::VssResult hr = 0;
  if (name != nullptr && !wexal::VssFailed(hr)) hr = currentItem_->Name(*name);
  if (deleted != nullptr && !wexal::VssFailed(hr)) {
    bool isDeleted = false;
    hr = currentItem_->Deleted(isDeleted);
    *deleted = isDeleted ? 1 : 0;
  }
  if (type != nullptr && !wexal::VssFailed(hr)) hr = currentItem_->Type(*type);
  if (version != nullptr && !wexal::VssFailed(hr)) hr = currentItem_->VersionNumber(*version);
  currentItem_.reset();
  if (wexal::VssFailed(hr)) {
    error = platform::Format(L"GET_ITEM #%d error  [%d, %ls].", i, hr, ErrorText(hr).c_str());
    return -1;
  }
  return 0;
}

int wexalVSS::EnsureOpen() { return IsOpen() ? 0 : Open(); }

int wexalVSS::SelectFileItem(const wchar_t* file, const wchar_t* operation) {
  const int index = FindItem(file);
  if (index < 0) {
    SetError(operation, wexal::kVssFileOrProjectNotFound);
    return -1;
  }
  const int rc = GetItem(index, nullptr);
  return rc == 0 ? 0 : -1;
}

int wexalVSS::IsCheckedOut(const wchar_t* file) {
  if (EnsureOpen() != 0) return -1;
  const int index = FindItem(file);
  if (index < 0) return 0;  // not in the project: nothing of it is checked out
  if (GetItem(index, nullptr) != 0) return -1;
  int status = 0;
  const wexal::VssResult hr = currentItem_->IsCheckedOut(status);
  currentItem_.reset();
  if (wexal::VssFailed(hr)) {
    SetError(L"IsCheckedOut [%d, %ls].", hr);
    return -1;
  }
  return status > 0 ? 1 : 0;
}

int wexalVSS::AddItem(const wchar_t* file, const wchar_t* comment) {
  const int rc = EnsureOpen();
  if (rc != 0) return rc;
  wexal::VssResult hr = -1;
  currentItem_.reset();
  if (projectItem_) {
    hr = projectItem_->Add(LocalFile(Text(file)), Text(comment), wexal::kVssFlagDefault,
                           currentItem_);
  }
  if (wexal::VssFailed(hr)) {
    SetError(L"ADD_ITEM error [%d, %ls].", hr);
    return hr;
  }
  return 0;
}

int wexalVSS::CheckIn(const wchar_t* file, const wchar_t* comment) {
  static constexpr const wchar_t* kFormat = L"CHECKIN error [%d, %ls].";
  const int rc = EnsureOpen();
  if (rc != 0) return rc;
  if (SelectFileItem(file, kFormat) != 0) return -1;
  const wexal::VssResult hr =
      currentItem_->Checkin(Text(comment), LocalFile(Text(file)), wexal::kVssFlagDefault);
  currentItem_.reset();
  if (wexal::VssFailed(hr)) {
    SetError(kFormat, hr);
    return hr;
  }
  return 0;
}

int wexalVSS::CheckOutItem(const wchar_t* file, const wchar_t* comment) {
  static constexpr const wchar_t* kFormat = L"CHECK_OUT_ITEM error [%d, %ls].";
  const int rc = EnsureOpen();
  if (rc != 0) return rc;
  if (SelectFileItem(file, kFormat) != 0) return -1;
  const wexal::VssResult hr =
      currentItem_->Checkout(Text(comment), LocalFile(Text(file)), wexal::kVssFlagDefault);
  currentItem_.reset();
  if (wexal::VssFailed(hr)) {
    SetError(kFormat, hr);
    return -1;
  }
  return 0;
}

int wexalVSS::UndoCheckOut(const wchar_t* file) {
  static constexpr const wchar_t* kFormat = L"UNDO_CHECKOUT_ITEM error [%d, %ls].";
  const int rc = EnsureOpen();
  if (rc != 0) return rc;
  if (SelectFileItem(file, kFormat) != 0) return -1;
  const wexal::VssResult hr =
      currentItem_->UndoCheckout(LocalFile(Text(file)), wexal::kVssFlagDefault);
  currentItem_.reset();
  if (wexal::VssFailed(hr)) {
    SetError(kFormat, hr);
    return hr;
  }
  return 0;
}

int wexalVSS::Ready() {
  if (Init() != 0 || Open() != 0) return 0;
  Close();
  return 1;
}

int wexalVSS::Projects(std::vector<std::wstring>* list) {
  if (!initialised_ || !IsOpen() || list == nullptr) return -2;
  list->clear();
  std::unique_ptr<wexal::VssItem> root;
  wexal::VssResult hr = database_->Item(L"$/", false, root);
  if (!wexal::VssFailed(hr) && !root) hr = wexal::kVssFail;
  if (wexal::VssFailed(hr)) {
    SetError(L"Projects: get root pItem [%d, %ls].", hr);
    return -4;
  }
  std::unique_ptr<wexal::VssItems> rootItems;
  hr = root->Items(false, rootItems);
  if (!wexal::VssFailed(hr) && !rootItems) hr = wexal::kVssFail;
  if (wexal::VssFailed(hr)) {
    SetError(L"Project: get_Items error [%d, %ls].", hr);
    return -8;
  }
  int count = 0;
  if (wexal::VssFailed(rootItems->Count(count))) count = 0;
  for (int i = 0; i < count; ++i) {
    if (SelectItem(i, rootItems.get(), count) != 0) continue;
    int type = wexal::kVssTypeFile;
    std::wstring name;
    if (!wexal::VssFailed(currentItem_->Type(type)) && type == wexal::kVssTypeProject &&
        !wexal::VssFailed(currentItem_->Name(name)))
      list->push_back(L"$/" + name);
    currentItem_.reset();
  }
  return 0;
}
