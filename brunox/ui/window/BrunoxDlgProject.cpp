// The main window's project commands: open at start, open, recent projects, new, save, save as.
#include <QApplication>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/ProjectFileCheck.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/window/BrunoxDlg.h"
#include "brunox/ui/project/PagePackage.h"
#include "brunox/ui/common/TitledPage.h"
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
  g_project.Path.clear();
  // A project named on the command line is the one the user wants, even when it is not there:
  // the window then starts untitled and says so, rather than open the last project in its place.
  std::wstring named = app_.ProjectArgument;
  if (named.empty() && !app_.FileList.empty()) named = app_.FileList.front();
  if (!named.empty()) {
    OpenProject(named, true);
    return;
  }
  // The one open when the program last closed; gone since, it is no news worth a message.
  const std::wstring last = g_settings ? g_settings->getStr(kStoreMain, L"LastFile") : L"";
  if (!last.empty() && platform::FileExists(last)) OpenProject(last, true);
}

bool CBrunoxDlg::RefusedAsProject(const std::wstring& path) {
  const std::wstring problem = ProjectFileProblem(path);
  if (problem.empty()) return false;
  // The words console mode uses; the open project stays as it is.
  platform::Ui().MessageBox(problem, L"Error", platform::MsgButtons::Ok, platform::MsgIcon::Error);
  return true;
}

bool CBrunoxDlg::OpenProject(const std::wstring& path, bool atStart) {
  CLog::State(L"CBrunoxDlg::OpenProject");
  // A file that is no project is refused before anything is asked or changed: loading is lenient
  // and would turn it into an empty project that a later Save writes over the file.
  if (!path.empty() && RefusedAsProject(path)) {
    CLog::State(nullptr);
    return false;
  }
  if (g_project.SaveIfModified()) {
    CLog::State(nullptr);
    return false;
  }
  std::wstring target = path;
  if (target.empty()) {
    platform::FileDialogRequest request;
    request.filter = kProjectFilter;
    request.defaultExt = L"bxp";
    if (atStart || !platform::Ui().OpenFileDialog(request, target) || target.empty() ||
        RefusedAsProject(target)) {
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
    // A failed connect leaves the project's connection as it is: the server may be down for
    // the moment, and a later Save must not write the project without it.
    if (!CDB::isOK(g_mainDB->Connect(g_mainDB))) NoteConnectFailure(g_project.DefConnection);
  }
  UpdateStatus();
  if (current_ == PageIndex::PageProps) pages_[PageIndex::PageProps]->Activate();
  UpdateTitle();
  CLog::State(nullptr);
  return true;
}

void CBrunoxDlg::OpenRecentFile(int slot) {
  if (!g_settings) return;
  const std::wstring path = g_settings->getStr(kStoreMain, CSettings::RecentFileKey(slot));
  if (path.empty()) return;
  // Missing, empty or no project: the entry would only be refused again next time.
  if (RefusedAsProject(path)) {
    g_settings->RemoveRecentFile(slot);
    return;
  }
  // The same steps as File > Open: the save question and the reconnect.
  OpenProject(path, false);
}

void CBrunoxDlg::OnNewProject() {
  PagePackage* page = ProjectPage();
  if (!page || !page->NewProject()) return;
  Disconnect();
  // Every page shows the new project, so none carries a list or a mode over from the one before.
  ReloadProjectPages();
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
