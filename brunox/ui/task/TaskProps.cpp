#include "brunox/ui/task/TaskProps.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Task.h"
#include "brunox/ui/task/PageConn.h"
#include "brunox/ui/task/PageMain.h"
#include "brunox/ui/task/PageOpts.h"
#include "brunox/ui/task/PageParams.h"
#include "brunox/ui/task/PageScripts.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/UiServices.h"
#include "sompel/WaitCursor.h"

TaskProps::TaskProps(const CColorizer& colorizer, QWidget* parent)
    : CSmDialog(parent, QStringLiteral("TaskProps")), colorizer_(colorizer) {
  setWindowTitle(tr("Task Properties"));
  // The tab shown chooses the page: the parameters tab names its pattern's.
  SetHelpTopic([this] {
    const int tab = tabs_ ? tabs_->currentIndex() : -1;
    return tab >= 0 && tab < static_cast<int>(pages_.size()) && pages_[tab]
               ? pages_[tab]->HelpTopic()
               : std::wstring(L"task.html");
  });
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("taskTabs"));
  // All six tabs stay visible: the dialog is as wide as their row.
  tabs_->tabBar()->setUsesScrollButtons(false);
  connect(tabs_, &QTabWidget::currentChanged, this, &TaskProps::TabClicked);

  auto* connectionLabel = new QLabel(tr("Connection:"), this);
  connection_ = new QLabel(this);
  connection_->setObjectName(QStringLiteral("taskConnection"));
  connection_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  connection_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TaskProps::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TaskProps::reject);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(connectionLabel);
  bottom->addWidget(connection_, 1);
  bottom->addWidget(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(bottom);
  resize(minimumSizeHint().expandedTo(QSize(640, 560)));
}

TaskProps::~TaskProps() { CloseOwnConnection(); }

void TaskProps::SetTask(Task* task) { task_ = task; }

CTaskPage* TaskProps::Page(int tab) const {
  return tab >= 0 && tab < kTabCount ? pages_[tab] : nullptr;
}

int TaskProps::exec() {
  if (!task_) return QDialog::Rejected;
  CLog::State(L"TaskProps::OnInitDialog");
  taskDbBefore_ = task_->DB;
  OpenTaskConnection();
  ShowConnection();
  BuildTabs();
  if (!LoadLayout()) resize(sizeHint().expandedTo(minimumSizeHint()).expandedTo(QSize(720, 600)));
  CLog::State(nullptr);
  const int result = CSmDialog::exec();
  CLog::State(L"TaskProps::OnDestroy");
  CloseOwnConnection();
  task_->DB = taskDbBefore_;
  CLog::State(nullptr);
  return result;
}

void TaskProps::BuildTabs() {
  const QSignalBlocker quiet(tabs_);
  while (tabs_->count() > 0) {
    QWidget* old = tabs_->widget(0);
    tabs_->removeTab(0);
    delete old;
  }
  pages_[kTabGeneral] = new PageMain(*this);
  pages_[kTabOptions] = new PageOpts(*this);
  pages_[kTabParams] = new PageParams(*this);
  pages_[kTabConnections] = new PageConn(*this);
  pages_[kTabPrologue] = new PageScripts(*this, true);
  pages_[kTabEpilogue] = new PageScripts(*this, false);
  static const char* const kTexts[kTabCount] = {" General Properties ", " Options ",
                                                " Parameters ",         " Connections ",
                                                " Prologue SQL ",       " Epilogue SQL "};
  for (int tab = 0; tab < kTabCount; ++tab) {
    pages_[tab]->SetTask(task_);
    tabs_->addTab(pages_[tab], tr(kTexts[tab]));
  }
  current_ = kTabGeneral;
  tabs_->setCurrentIndex(current_);
  pages_[current_]->Activate();
}

void TaskProps::TabClicked(int tab) {
  if (tab == current_ || !pages_[current_]) return;
  if (!pages_[current_]->CanSave()) {
    const QSignalBlocker quiet(tabs_);
    tabs_->setCurrentIndex(current_);
    return;
  }
  pages_[current_]->Deactivate();
  current_ = tab;
  pages_[current_]->Activate();
}

bool TaskProps::SelectTab(int tab) {
  if (tab < 0 || tab >= kTabCount || !pages_[tab]) return false;
  tabs_->setCurrentIndex(tab);
  return current_ == tab;
}

void TaskProps::accept() {
  CLog::State(L"TaskProps::OnOK");
  CTaskPage* page = Page(current_);
  if (page && !page->CanSave()) {
    CLog::State(nullptr);
    return;
  }
  if (page) page->Deactivate();
  CLog::State(nullptr);
  CSmDialog::accept();
}

CDB* TaskProps::Connection() const { return task_ ? task_->DB : nullptr; }

void TaskProps::OpenTaskConnection() {
  task_->DB = g_mainDB;
  if (task_->DefConnect != 0) return;
  ConnectOwn(task_->TaskCon);
}

bool TaskProps::ConnectOwn(const CONN_INFO& info) {
  if (!task_) return false;
  WaitCursor wait;
  if (!own_) own_.reset(CDB::newDB(info.DsType));
  else own_->CloseConnection();
  CONN_INFO description = info;
  if (own_ && CDB::isOK(own_->OpenConnection(&description))) {
    task_->DB = own_.get();
    return true;
  }
  const std::wstring error = own_ ? own_->ErrorText : std::wstring(L"CDB::newDB failed!");
  own_.reset();
  task_->DB = nullptr;
  platform::Ui().MessageBox(error, info.ConInfo(), platform::MsgButtons::Ok,
                            platform::MsgIcon::Error);
  return false;
}

void TaskProps::CloseOwnConnection() {
  if (!own_) return;
  if (task_ && task_->DB == own_.get()) task_->DB = nullptr;
  own_.reset();  // disconnects
}

void TaskProps::ShowConnection() {
  if (!task_) return;
  const CDB* db = task_->DB;
  QString text;
  if (db) text = QString::fromStdWString(db->ConInfo(1, 1));
  else if (task_->DefConnect == 0) text = tr("%1 (not connected)").arg(QString::fromStdWString(task_->TaskCon.ConInfo()));
  else text = tr("Not connected");
  connection_->setText(text);
}

QString TaskProps::ConnectionText() const { return connection_->text(); }
