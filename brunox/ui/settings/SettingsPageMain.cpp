#include "brunox/ui/settings/SettingsPageMain.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "brunox/ui/common/ChoosePath.h"

namespace {

// Seconds; a day between two statistics rows is already more than any run needs.
constexpr int kLongestStatPeriod = 24 * 60 * 60;

QPushButton* BrowseButton(QWidget* parent, const char* name) {
  auto* button = new QPushButton(QStringLiteral("..."), parent);
  button->setObjectName(QString::fromLatin1(name));
  // As narrow as its three dots allow, like the browse buttons of the dialogs.
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  return button;
}

}  // namespace

SettingsPageMain::SettingsPageMain(QWidget* parent)
    : CTitledPage(QStringLiteral("General Product Settings"), parent),
      bindings_(kStoreMain),
      statPeriod_(SettingNumberBox(0, kLongestStatPeriod, this)),
      byTask_(new QRadioButton(QStringLiteral("show statistics by task"), this)),
      byThread_(new QRadioButton(QStringLiteral("show statistics by thread"), this)),
      perPeriod_(new QRadioButton(QStringLiteral("show per period"), this)),
      perSecond_(new QRadioButton(QStringLiteral("show per second"), this)),
      stopOnError_(new QCheckBox(
          QStringLiteral("&Stop thread on the first error; continue with error ignoring otherwise"),
          this)),
      library_(new QLineEdit(this)),
      logFile_(new QLineEdit(this)),
      logLevel_(new QComboBox(this)),
      save_(new QPushButton(QStringLiteral("Sa&ve"), this)) {
  setObjectName(QStringLiteral("SettingsPageMain"));
  statPeriod_->setObjectName(QStringLiteral("statPeriod"));
  library_->setObjectName(QStringLiteral("library"));
  logFile_->setObjectName(QStringLiteral("logFile"));
  logLevel_->setObjectName(QStringLiteral("logLevel"));
  logLevel_->addItems({QStringLiteral("Core (default)"), QStringLiteral("Full log"),
                       QStringLiteral("None (disable)")});

  // Two pairs of radio buttons on one page: each pair excludes only its partner.
  auto* seriesKind = new QButtonGroup(this);
  seriesKind->addButton(byTask_);
  seriesKind->addButton(byThread_);
  auto* valueKind = new QButtonGroup(this);
  valueKind->addButton(perPeriod_);
  valueKind->addButton(perSecond_);

  auto* statistics = new QGroupBox(QStringLiteral("Statistics"), this);
  auto* statGrid = new QGridLayout(statistics);
  auto* interval = new QHBoxLayout;
  interval->addWidget(
      new QLabel(QStringLiteral("Statistics and counters collection interval :"), statistics));
  interval->addWidget(statPeriod_);
  interval->addWidget(
      new QLabel(QStringLiteral("seconds, 0 means disable statistics"), statistics));
  interval->addStretch(1);
  statGrid->addLayout(interval, 0, 0, 1, 3);
  statGrid->addWidget(byTask_, 1, 0);
  statGrid->addWidget(perPeriod_, 1, 1);
  statGrid->addWidget(byThread_, 2, 0);
  statGrid->addWidget(perSecond_, 2, 1);
  statGrid->setColumnStretch(2, 1);

  QPushButton* chooseLibrary = BrowseButton(this, "chooseLibrary");
  QPushButton* chooseLog = BrowseButton(this, "chooseLogFile");
  connect(chooseLibrary, &QPushButton::clicked, this, &SettingsPageMain::ChooseLibraryFolder);
  connect(chooseLog, &QPushButton::clicked, this, &SettingsPageMain::ChooseLogFile);

  auto* files = new QGroupBox(QStringLiteral("Files"), this);
  auto* fileGrid = new QGridLayout(files);
  fileGrid->addWidget(new QLabel(QStringLiteral("SQL Library location :"), files), 0, 0);
  fileGrid->addWidget(library_, 0, 1);
  fileGrid->addWidget(chooseLibrary, 0, 2);
  fileGrid->addWidget(new QLabel(QStringLiteral("Log File Location :"), files), 1, 0);
  fileGrid->addWidget(logFile_, 1, 1);
  fileGrid->addWidget(chooseLog, 1, 2);
  auto* levelLabel = new QLabel(QStringLiteral("Log &level :"), files);
  levelLabel->setBuddy(logLevel_);
  fileGrid->addWidget(levelLabel, 2, 0);
  auto* level = new QHBoxLayout;
  level->addWidget(logLevel_);
  level->addStretch(1);
  fileGrid->addLayout(level, 2, 1);
  fileGrid->setColumnStretch(1, 1);

  save_->setObjectName(QStringLiteral("save"));
  connect(save_, &QPushButton::clicked, this, &SettingsPageMain::StoreToProject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save_);

  Body()->addWidget(statistics);
  Body()->addWidget(stopOnError_);
  Body()->addWidget(files);
  Body()->addLayout(buttons);
  Body()->addStretch(1);

  bindings_.Bind(statPeriod_, L"StatPeriod");
  bindings_.Bind(stopOnError_, L"StopOnError");
  bindings_.Bind(library_, L"Library");
  bindings_.Bind(logFile_, L"LogFilePath");
}

SettingsPageMain::~SettingsPageMain() = default;

void SettingsPageMain::LoadFromProject() {
  bindings_.Load();
  (bindings_.StoredInt(L"StatByTask") ? byTask_ : byThread_)->setChecked(true);
  (bindings_.StoredInt(L"StatPerPeriod") ? perPeriod_ : perSecond_)->setChecked(true);
  // A level this version does not know shows no item and is kept as it is.
  logLevel_->setCurrentIndex(bindings_.StoredInt(L"LogLevel"));
  loaded_ = true;
}

void SettingsPageMain::StoreToProject() {
  if (!loaded_) return;
  bindings_.Store();
  bindings_.SetInt(L"StatByTask", byTask_->isChecked() ? 1 : 0);
  bindings_.SetInt(L"StatPerPeriod", perPeriod_->isChecked() ? 1 : 0);
  if (logLevel_->currentIndex() >= 0) bindings_.SetInt(L"LogLevel", logLevel_->currentIndex());
  bindings_.Save();
}

void SettingsPageMain::ChooseLibraryFolder() {
  ChooseFolderPath(*library_, L"SQL Library Root Folder");
}

void SettingsPageMain::ChooseLogFile() {
  ChooseSavePath(*logFile_, L"Ovra DB Brunox Log Files (*.log)|*.log||", L"log");
}
