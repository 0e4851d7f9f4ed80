#include "wexal/SetupDialogModel.h"

#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "wexal/wexalVSS.h"

namespace wexal {

namespace {

void ShowError(const std::wstring& text, const std::wstring& caption) {
  platform::Ui().MessageBox(text, caption, platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

}  // namespace

SetupDialogModel::SetupDialogModel(wexalVSS& vss) : vss_(vss) {
  original_ = {vss.DatabaseFile(), vss.user, vss.password, vss.localFolder, vss.Project()};
  fields = original_;
  if (fields.databaseFile.empty()) fields.databaseFile = wexalVSS::DefaultBase();
}

bool SetupDialogModel::FillProjects() {
  vss_.Settings(fields.databaseFile.c_str(), fields.user.c_str(), fields.password.c_str(), L"",
                L"");
  if (vss_.Init() != 0 || vss_.Open() != 0) {
    ShowError(vss_.ErrorText(), L"VSS error");
    return false;
  }
  std::vector<std::wstring> list;
  const int rc = vss_.Projects(&list);
  vss_.Close();
  if (rc != 0) {
    ShowError(vss_.ErrorText(), L"VSS error");
    return false;
  }
  projects = std::move(list);
  return true;
}

bool SetupDialogModel::Test() {
  vss_.Settings(fields.databaseFile.c_str(), fields.user.c_str(), fields.password.c_str(),
                fields.project.c_str(), L"");
  if (vss_.Init() != 0 || vss_.Open() != 0) {
    ShowError(vss_.ErrorText(), L"Connection error!");
    return false;
  }
  vss_.Close();
  platform::Ui().MessageBox(L"TEST COMPLETE SUCCESSFULLY!", L"VSS", platform::MsgButtons::Ok,
                            platform::MsgIcon::Information);
  return true;
}

bool SetupDialogModel::BrowseDatabase() {
  platform::FileDialogRequest request;
  request.filter = L"SourceSafe Databases (*.ini)|*.ini|All Files(*.*)|*.*||";
  request.defaultExt = L"ini";
  request.fileName = fields.databaseFile;
  std::wstring path;
  if (!platform::Ui().OpenFileDialog(request, path)) return false;
  fields.databaseFile = path;
  return true;
}

bool SetupDialogModel::BrowseLocalFolder() {
  std::wstring folder = fields.localFolder;
  if (!platform::Ui().FolderDialog(L"Local Folder", folder)) return false;
  fields.localFolder = folder;
  return true;
}

bool SetupDialogModel::Accept() {
  const wchar_t* problem = nullptr;
  if (fields.user.empty())
    problem = L"User name must be specified.";
  else if (fields.localFolder.empty())
    problem = L"Local folder must be specified.";
  else if (!platform::FileExists(fields.databaseFile))
    problem = L"Specified VSS.INI does not exist.";
  if (problem != nullptr) {
    ShowError(problem, L"Error");
    return false;
  }
  vss_.Settings(fields.databaseFile.c_str(), fields.user.c_str(), fields.password.c_str(),
                fields.project.c_str(), fields.localFolder.c_str());
  return true;
}

void SetupDialogModel::Cancel() {
  vss_.Settings(original_.databaseFile.c_str(), original_.user.c_str(), original_.password.c_str(),
                original_.project.c_str(), original_.localFolder.c_str());
}

}  // namespace wexal
