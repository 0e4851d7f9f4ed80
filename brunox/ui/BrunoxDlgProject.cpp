// The main window's project commands: open at start, open, recent projects, new, save, save as.
#include <QApplication>

#include "brunox/engine/BrunoxApp.h"
#include "brunox/engine/Project.h"
#include "brunox/engine/SettingsStores.h"
#include "brunox/ui/BrunoxDlg.h"
#include "brunox/ui/PagePackage.h"
#include "brunox/ui/TitledPage.h"
#include "sompel/WaitCursor.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

const wchar_t* const kProjectFilter = L"Ovra DB Brunox projects (*.bxp)|*.bxp|All Files(*.*)|*.*||";

}  // namespace

void CBrunoxDlg::OpenStartProject() {
  // The project named on the command line (only an existing file gets into the list), else the
  // one open when the program last closed.
  std::wstring path = app_.FileList.empty() ? std::wstring() : app_.FileList.front();
  if (path.empty() && g_settings) path = g_settings->getStr(kStoreMain, L"LastFile");
  if (path.empty() || !platform::FileExists(path)) {
    g_project.Path.clear();
    return;
  }
  OpenProject(path, true);
}

bool CBrunoxDlg::OpenProject(const std::wstring& path, bool atStart) {
  CLog::State(L"CBrunoxDlg::OpenProject");
  if (g_project.SaveIfModified()) {
    CLog::State(nullptr);
    return false;
  }
  std::wstring target = path;
  if (target.empty()) {
    platform::FileDialogRequest request;
    request.filter = kProjectFilter;
    request.defaultExt = L"bxp";
    if (atStart || !platform::Ui().OpenFileDialog(request, target) || target.empty()) {
      CLog::State(nullptr);
      return false;
    }
  }

  const CONN_INFO before = g_project.DefConnection;
  g_project.Load(target);
  ReloadProjectPages();
  if (g_project.DefConnection != before && (!atStart || !app_.NoConnect) && g_mainDB) {
    WaitCursor wait;
    g_mainDB->Info = g_project.DefConnection;
    connector_.Info = g_project.DefConnection;
    if (!CDB::isOK(g_mainDB->Connect(g_mainDB))) g_project.DefConnection.Empty();
  }
  UpdateStatus();
  if (current_ == PageIndex::PageProps) pages_[PageIndex::PageProps]->Activate();
  UpdateTitle();
  CLog::State(nullptr);
  return true;
}

void CBrunoxDlg::OpenRecentFile(int slot) {
  if (!g_settings) return;
  const std::wstring path =
      g_settings->getStr(kStoreMain, platform::Format(L"PackageFile%d", slot));
  if (path.empty() || !platform::FileExists(path)) {
    platform::Ui().MessageBox(L"The project file '" + path + L"' cannot be opened: it is gone.",
                              L"Warning!", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  // The same steps as File > Open: the save question and the reconnect.
  OpenProject(path, false);
}

void CBrunoxDlg::OnNewProject() {
  PagePackage* page = ProjectPage();
  if (!page || !page->NewProject()) return;
  Disconnect();
  pages_[PageIndex::PageProps]->LoadFromProject();
  UpdateTitle();
}

void CBrunoxDlg::OnSave() {
  StoreProjectPages();
  if (g_project.Save(g_project.Path)) UpdateTitle();
}

void CBrunoxDlg::OnSaveAs() {
  StoreProjectPages();
  if (g_project.Save(std::wstring())) UpdateTitle();
}
