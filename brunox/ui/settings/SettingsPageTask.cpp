#include "brunox/ui/settings/SettingsPageTask.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <climits>

#include "brunox/engine/run/BrunoxRunner.h"

namespace {

// Kilobytes; a run turns the size into bytes in an int.
constexpr int kLargestBlobKb = INT_MAX / 1024;

QLabel* LabelFor(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

SettingsPageTask::SettingsPageTask(QWidget* parent)
    : CTitledPage(QStringLiteral("Task Settings"), parent),
      bindings_(kStoreTask),
      threads_(SettingNumberBox(1, BrunoxRunner::kMaxThreads, this)),
      executions_(SettingNumberBox(0, INT_MAX, this)),
      delayFrom_(SettingNumberBox(0, INT_MAX, this)),
      delayTo_(SettingNumberBox(0, INT_MAX, this)),
      rows_(SettingNumberBox(0, INT_MAX, this)),
      initialDelay_(SettingNumberBox(0, INT_MAX, this)),
      maxBlob_(SettingNumberBox(0, kLargestBlobKb, this)),
      priority_(new QComboBox(this)) {
  setObjectName(QStringLiteral("SettingsPageTask"));
  threads_->setObjectName(QStringLiteral("threads"));
  executions_->setObjectName(QStringLiteral("executions"));
  delayFrom_->setObjectName(QStringLiteral("delayFrom"));
  delayTo_->setObjectName(QStringLiteral("delayTo"));
  rows_->setObjectName(QStringLiteral("rows"));
  initialDelay_->setObjectName(QStringLiteral("initialDelay"));
  maxBlob_->setObjectName(QStringLiteral("maxBlob"));
  priority_->setObjectName(QStringLiteral("priority"));
  // In the order of the task priority values.
  priority_->addItems({QStringLiteral("Low"), QStringLiteral("Normal"), QStringLiteral("High")});

  auto* defaults = new QGroupBox(QStringLiteral("New tasks"), this);
  auto* grid = new QGridLayout(defaults);
  const auto unit = [defaults](const char* text) {
    return new QLabel(QString::fromLatin1(text), defaults);
  };
  int row = 0;
  grid->addWidget(LabelFor(QStringLiteral("Number of &threads for task :"), threads_, defaults),
                  row, 0);
  grid->addWidget(threads_, row++, 1);
  grid->addWidget(
      LabelFor(QStringLiteral("Number of &iteration for each thread :"), executions_, defaults),
      row, 0);
  grid->addWidget(executions_, row++, 1);
  grid->addWidget(
      LabelFor(QStringLiteral("&Delay between iterations from :"), delayFrom_, defaults), row, 0);
  grid->addWidget(delayFrom_, row, 1);
  grid->addWidget(LabelFor(QStringLiteral("t&o"), delayTo_, defaults), row, 2);
  grid->addWidget(delayTo_, row, 3);
  grid->addWidget(unit("ms"), row++, 4);
  grid->addWidget(LabelFor(QStringLiteral("Number of &rows to fetch :"), rows_, defaults), row, 0);
  grid->addWidget(rows_, row++, 1);
  grid->addWidget(LabelFor(QStringLiteral("I&nitial statement delay :"), initialDelay_, defaults),
                  row, 0);
  grid->addWidget(initialDelay_, row, 1);
  grid->addWidget(unit("ms"), row++, 2);
  grid->addWidget(LabelFor(QStringLiteral("&Priority :"), priority_, defaults), row, 0);
  grid->addWidget(priority_, row++, 1);
  grid->setColumnStretch(5, 1);

  auto* run = new QGroupBox(QStringLiteral("Runs"), this);
  auto* runGrid = new QGridLayout(run);
  runGrid->addWidget(LabelFor(QStringLiteral("&Maximum BLOB/CLOB size to fetch :"), maxBlob_, run),
                     0, 0);
  runGrid->addWidget(maxBlob_, 0, 1);
  runGrid->addWidget(new QLabel(QStringLiteral("Kbytes"), run), 0, 2);
  runGrid->setColumnStretch(3, 1);

  Body()->addWidget(defaults);
  Body()->addWidget(run);
  Body()->addStretch(1);

  bindings_.Bind(threads_, L"DefThreads");
  bindings_.Bind(executions_, L"DefExecCntr");
  bindings_.Bind(delayFrom_, L"DefDelay");
  bindings_.Bind(delayTo_, L"DefDelay2");
  bindings_.Bind(rows_, L"DefRows");
  bindings_.Bind(initialDelay_, L"InitDelay");
  bindings_.Bind(maxBlob_, L"MaxBlobSize");
}

SettingsPageTask::~SettingsPageTask() = default;

void SettingsPageTask::LoadFromProject() {
  bindings_.Load();
  // A priority this version does not know shows no item and is kept as it is.
  priority_->setCurrentIndex(bindings_.StoredInt(L"DefPriority"));
  loaded_ = true;
}

void SettingsPageTask::StoreToProject() {
  if (!loaded_) return;
  bindings_.Store();
  if (priority_->currentIndex() >= 0) bindings_.SetInt(L"DefPriority", priority_->currentIndex());
  bindings_.Save();
}
