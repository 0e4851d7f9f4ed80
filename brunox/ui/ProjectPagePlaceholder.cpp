#include "brunox/ui/ProjectPagePlaceholder.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "brunox/engine/BrunoxApp.h"
#include "brunox/engine/Project.h"
#include "brunox/engine/SettingsStores.h"
#include "brunox/ui/CommandIds.h"
#include "kavra/CDB.h"
#include "platform/UiServices.h"

CProjectPagePlaceholder::CProjectPagePlaceholder(QWidget* parent)
    : CPlaceholderPage(tr("Brunox Project"),
                       tr("The task list and the run mode come with the project editing pages."),
                       parent),
      path_(new QLabel(this)),
      connection_(new QLabel(tr("Restoring connection..."), this)) {
  path_->setObjectName(QStringLiteral("projectPath"));
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  path_->setWordWrap(true);
  connection_->setObjectName(QStringLiteral("connectionStatus"));
  connection_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  connection_->setWordWrap(true);
  auto* facts = new QFormLayout;
  facts->addRow(tr("Project file:"), path_);
  facts->addRow(tr("Connection:"), connection_);
  Body()->insertLayout(0, facts);
  LoadFromProject();
}

CProjectPagePlaceholder::~CProjectPagePlaceholder() = default;

void CProjectPagePlaceholder::LoadFromProject() {
  path_->setText(g_project.Path.empty() ? tr("untitled") : QString::fromStdWString(g_project.Path));
}

bool CProjectPagePlaceholder::HandleCommand(int id) {
  if (id == kCmdProjectReport) {
    WriteProjectReport();
    return true;
  }
  if (!IsTaskCommand(id)) return false;
  forwarded_.push_back(id);
  platform::Ui().MessageBox(
      L"Task editing is not available yet: the task list comes with the project editing pages. "
      L"Edit the project file with a text editor meanwhile.",
      L"Tasks", platform::MsgButtons::Ok, platform::MsgIcon::Information);
  return true;
}

bool CProjectPagePlaceholder::NewProject() {
  if (g_project.SaveIfModified()) return false;
  g_project.Clear();
  LoadFromProject();
  return true;
}

void CProjectPagePlaceholder::SetConnectionText(const QString& text) { connection_->setText(text); }

QString CProjectPagePlaceholder::ConnectionText() const { return connection_->text(); }

void CProjectPagePlaceholder::RememberInSettings() const {
  if (!g_settings) return;
  g_settings->setInt(kStoreMain, L"isConnected", g_mainDB && g_mainDB->IsConnected() ? 1 : 0);
  g_settings->setStr(kStoreMain, L"LastFile", g_project.Path);
}

void CProjectPagePlaceholder::WriteProjectReport() {
  platform::FileDialogRequest request;
  request.title = L"Save Project Report";
  request.filter = L"HTML documents (*.html)|*.html|All Files(*.*)|*.*||";
  request.defaultExt = L"html";
  std::wstring path;
  if (!platform::Ui().SaveFileDialog(request, path) || path.empty()) return;
  g_project.MainDB = g_mainDB;
  if (g_project.WriteDescriptionReport(path)) platform::Ui().OpenWithDesktop(path);
}
