// The main window's start (the start project, the reconnect, -r) and its connection: Connect,
// Disconnect.
#include <QMetaObject>
#include <memory>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/window/BrunoxDlg.h"
#include "brunox/ui/common/CommandIds.h"
#include "sompel/WaitCursor.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "sompel/AdvConnectDlg.h"

namespace {

// The -@ profile when its file is there.
const std::wstring* UsableProfile(const CBrunoxApp& app) {
  return !app.Profile.empty() && platform::FileExists(app.Profile) ? &app.Profile : nullptr;
}

}  // namespace

void CBrunoxDlg::OnStartTimer() {
  CLog::State(L"CBrunoxDlg::OnStartTimer");
  // Opened once the window is on the screen, so that a start file that is refused is told over
  // the window rather than on an empty screen.
  OpenStartProject();
  UpdateTitle();
  if (!Connected() && !app_.NoConnect && g_settings) {
    if (UsableProfile(app_) || g_settings->getInt(kStoreMain, L"isConnected")) RestoreConnection();
  }
  UpdateStatus();
  if (app_.RunAtStart)
    QMetaObject::invokeMethod(
        this, [this] { OnCommand(kCmdRun); }, Qt::QueuedConnection);
  CLog::State(nullptr);
}

bool CBrunoxDlg::RestoreConnection(CDB* target) {
  const bool main = target == nullptr;
  CDB* db = main ? g_mainDB : target;
  if (!db) return false;
  if (db->IsConnected()) return true;
  std::unique_ptr<WaitCursor> wait;
  if (main) wait = std::make_unique<WaitCursor>();
  if (db->Info.IsEmpty()) db->Info = g_project.DefConnection;
  // An untitled project without a profile has nothing to connect to: no failure to tell.
  if (db->Info.IsEmpty() && !UsableProfile(app_)) {
    if (main) UpdateStatus();
    return false;
  }
  if (!CDB::isOK(connector_.DoConnect(db, UsableProfile(app_), 0))) {
    if (main) {
      NoteConnectFailure(db->Info);
      UpdateStatus();
    }
    return false;
  }
  if (g_project.DefConnection != db->Info) {
    g_project.DefConnection = db->Info;
    SetModified();
  }
  if (main) UpdateStatus();
  return true;
}

void CBrunoxDlg::Disconnect() {
  connectFailure_.clear();
  if (!Connected()) {
    UpdateStatus();
    return;
  }
  g_mainDB->CloseConnection();
  UpdateStatus();
}

void CBrunoxDlg::OnConnect() {
  if (!g_mainDB) return;
  connector_.Info = g_mainDB->Info.IsEmpty() ? g_project.DefConnection : g_mainDB->Info;
  CAdvConnectDlg dialog(connector_, this);
  dialog.Show(connector_.Info);
  // What the user chose here counts, not the -@ profile of the command line; a connect that
  // fails keeps the dialog open with the driver's message.
  dialog.ConnectOnOk(g_mainDB);
  const bool connected = dialog.exec() == QDialog::Accepted;
  if (connected && g_project.DefConnection != g_mainDB->Info) {
    g_project.DefConnection = g_mainDB->Info;
    SetModified();
  }
  UpdateStatus();
}

void CBrunoxDlg::NoteConnectFailure(const CONN_INFO& info) {
  connectFailure_ = L"Could not connect to " + info.ConInfo();
  if (g_mainDB && !g_mainDB->ErrorText.empty()) connectFailure_ += L": " + g_mainDB->ErrorText;
  UpdateStatus();
}
