#include "wexal/CheckDialogModel.h"

#include "platform/Text.h"

namespace wexal {

CheckDialogModel::CheckDialogModel(WEXAL_API* api, VSS_OPER mode) : api_(api), mode_(mode) {}

void CheckDialogModel::Initialize() {
  if (initialized_) return;
  initialized_ = true;
  switch (mode_) {
    case VSS_CHECKIN:
      title_ = L"Checkin File";
      entries_ = {file_};
      selection = 0;
      comboShown_ = true;
      comboEnabled_ = false;
      fileEditShown_ = false;
      commentEnabled_ = true;
      break;
    case VSS_CHECKOUT:
      title_ = L"Checkout File";
      comboShown_ = true;
      comboEnabled_ = true;
      fileEditShown_ = false;
      commentEnabled_ = false;
      ListProjectItems();
      break;
    case VSS_ADD:
    default:
      title_ = L"Add New Item";
      comboShown_ = false;
      comboEnabled_ = false;
      fileEditShown_ = true;
      commentEnabled_ = true;
      if (!chosenFile.empty()) fileEditText = chosenFile;
      break;
  }
}

void CheckDialogModel::ListProjectItems() {
  int count = 0;
  if (api_ != nullptr && api_->Init() == 0 && api_->Open() == 0) {
    // A back end reporting a negative count has nothing to list.
    count = api_->Items();
    if (count < 0) count = 0;
    for (int i = 0; i < count; ++i) {
      std::wstring name;
      int deleted = 0;
      int version = 0;
      if (api_->GetItemInfo(i, &name, &deleted, nullptr, &version) != 0 || deleted != 0) continue;
      entries_.push_back(name + L" [" + platform::FromInt(version) + L"]");
    }
  }
  // An empty project (or one that could not be opened) lets the user type the file name.
  if (count == 0) {
    fileEditShown_ = true;
    comboShown_ = false;
    comboEnabled_ = false;
  }
  if (api_ != nullptr) api_->Close();
}

bool CheckDialogModel::Accept() {
  if (mode_ == VSS_ADD) {
    chosenFile = fileEditText;
    return true;
  }
  if (selection < 0 || selection >= static_cast<int>(entries_.size())) {
    chosenFile = fileEditText;
    return !chosenFile.empty();
  }
  chosenFile = FileOfEntry(entries_[static_cast<size_t>(selection)]);
  return true;
}

std::wstring CheckDialogModel::FileOfEntry(const std::wstring& entry) {
  // Only a trailing " [digits]" (as the check-out list writes it) is a version part, so a file
  // whose own name holds " [" keeps it.
  if (entry.size() < 4 || entry.back() != L']') return entry;
  const size_t open = entry.rfind(L" [");
  if (open == std::wstring::npos) return entry;
  size_t digits = open + 2;
  if (digits < entry.size() - 1 && entry[digits] == L'-') ++digits;
  if (digits >= entry.size() - 1) return entry;
  for (size_t i = digits; i < entry.size() - 1; ++i)
    if (entry[i] < L'0' || entry[i] > L'9') return entry;
  return entry.substr(0, open);
}

}  // namespace wexal
