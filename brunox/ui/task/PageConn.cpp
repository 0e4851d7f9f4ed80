#include "brunox/ui/task/PageConn.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Task.h"
#include "brunox/ui/task/TaskPageHost.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "sompel/AdvConnect.h"
#include "sompel/AdvConnectDlg.h"

namespace {

QString Description(const CONN_INFO& info) {
  const QString text = QString::fromStdWString(info.ConInfo());
  return text.isEmpty() ? QObject::tr("(none)") : text;
}

QLabel* DescriptionLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setFrameShape(QFrame::StyledPanel);
  label->setMargin(2 * label->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
  label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  return label;
}

}  // namespace

PageConn::PageConn(TaskPageHost& dialog, QWidget* parent)
    : CTaskPage(dialog, parent), connector_(std::make_unique<CAdvConnect>()) {
  CLog::State(L"PageConn::OnInitDialog");
  default_ = new QRadioButton(tr("Use &default connection for this task"), this);
  default_->setObjectName(QStringLiteral("defaultConnection"));
  custom_ = new QRadioButton(tr("Use &custom connection"), this);
  custom_->setObjectName(QStringLiteral("customConnection"));
  choose_ = new QPushButton(QStringLiteral("..."), this);
  choose_->setObjectName(QStringLiteral("chooseConnection"));
  choose_->setToolTip(tr("Choose the task's own connection"));
  mainText_ = DescriptionLabel("mainConnectionText", this);
  taskText_ = DescriptionLabel("taskConnectionText", this);
  default_->setChecked(true);

  connect(default_, &QRadioButton::clicked, this, &PageConn::SourceClicked);
  connect(custom_, &QRadioButton::clicked, this, &PageConn::SourceClicked);
  connect(choose_, &QPushButton::clicked, this, [this] { ChooseConnection(); });

  const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                     style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
  auto* grid = new QGridLayout;
  grid->setColumnMinimumWidth(0, indent);
  grid->addWidget(default_, 0, 0, 1, 3);
  grid->addWidget(mainText_, 1, 1, 1, 2);
  grid->addWidget(custom_, 2, 0, 1, 3);
  grid->addWidget(taskText_, 3, 1);
  grid->addWidget(choose_, 3, 2, Qt::AlignTop);
  grid->setColumnStretch(1, 1);
  grid->setVerticalSpacing(grid->verticalSpacing() * 2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  EnableCustom();
  CLog::State(nullptr);
}

PageConn::~PageConn() = default;

void PageConn::Activate() {
  CLog::State(L"PageConn::Activate");
  Task* task = GetTask();
  if (task) {
    mainText_->setText(g_mainDB ? Description(g_mainDB->Info) : tr("(none)"));
    useDefault_ = task->DefConnect != 0;
    const QSignalBlocker quietDefault(default_), quietCustom(custom_);
    (useDefault_ ? default_ : custom_)->setChecked(true);
    taskText_->setText(Description(task->TaskCon));
    EnableCustom();
  }
  CLog::State(nullptr);
}

void PageConn::Deactivate() {
  if (Task* task = GetTask()) task->DefConnect = default_->isChecked() ? 1 : 0;
}

void PageConn::EnableCustom() {
  choose_->setEnabled(!useDefault_);
  taskText_->setEnabled(!useDefault_);
}

void PageConn::SourceClicked() {
  const bool useDefault = default_->isChecked();
  if (useDefault == useDefault_) return;
  useDefault_ = useDefault;
  EnableCustom();
  Task* task = GetTask();
  if (!task) return;
  if (useDefault_) {
    // The task's own description stays for a later change of mind; statements tested from now
    // on run where the task will run.
    task->DB = g_mainDB;
    Dialog().ShowConnection();
  } else {
    ChooseConnection();
  }
}

CAdvConnectDlg& PageConn::ConnectDialog() {
  if (!connectDlg_) connectDlg_ = new CAdvConnectDlg(*connector_, this);
  return *connectDlg_;
}

bool PageConn::ChooseConnection() {
  Task* task = GetTask();
  if (!task) return false;
  if (!task->TaskCon.IsEmpty()) connector_->Info = task->TaskCon;
  if (ConnectDialog().exec() != QDialog::Accepted) return false;
  task->TaskCon = connector_->Info;
  taskText_->setText(Description(task->TaskCon));
  Dialog().ConnectOwn(task->TaskCon);
  Dialog().ShowConnection();
  return true;
}
