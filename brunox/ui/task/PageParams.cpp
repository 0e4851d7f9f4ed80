#include "brunox/ui/task/PageParams.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "brunox/engine/project/Task.h"
#include "brunox/ui/common/ChoosePath.h"
#include "brunox/ui/task/OpCustom.h"
#include "brunox/ui/task/OpDateTime.h"
#include "brunox/ui/task/OpInterval.h"
#include "brunox/ui/task/OpString.h"
#include "mervis/Log.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "sompel/HistCBox.h"
#include "synthor/engine/DSynthor.h"

namespace {

// Checks the radio of `index` and unchecks the others; an index outside leaves none checked.
template <std::size_t N>
void CheckOnly(const std::array<QRadioButton*, N>& radios, int index) {
  for (std::size_t i = 0; i < N; ++i) {
    QButtonGroup* group = radios[i]->group();
    if (group) group->setExclusive(false);
    radios[i]->setChecked(static_cast<int>(i) == index);
    if (group) group->setExclusive(true);
  }
}

QButtonGroup* Group(QWidget* owner, std::initializer_list<QRadioButton*> radios) {
  auto* group = new QButtonGroup(owner);
  for (QRadioButton* radio : radios) group->addButton(radio);
  return group;
}

}  // namespace

int PageParams::CountParameters(const std::wstring& sql) {
  int count = 0;
  std::size_t at = sql.find(L'?');
  while (at != std::wstring::npos) {
    std::size_t digit = at + 1;
    int number = 0;
    for (; digit < sql.size() && sql[digit] >= L'0' && sql[digit] <= L'9'; ++digit)
      number = std::min(kMaxParameters, number * 10 + (sql[digit] - L'0'));
    count = std::max(count, number);
    at = sql.find(L'?', digit);
  }
  return count;
}

PageParams::PageParams(TaskPageHost& dialog, QWidget* parent) : CTaskPage(dialog, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildSource());
  layout->addWidget(BuildDataFile());
  layout->addWidget(BuildParameters(), 1);
  ShowPage(kParamInterval);
  EnableSource();
}

PageParams::~PageParams() = default;

QWidget* PageParams::BuildSource() {
  auto* source = new QWidget(this);
  useValueFile_ = new QRadioButton(tr("Use External &Data File"), source);
  useValueFile_->setObjectName(QStringLiteral("useValueFile"));
  useGenerated_ = new QRadioButton(tr("Use &Generated Values"), source);
  useGenerated_->setObjectName(QStringLiteral("useGenerated"));
  Group(source, {useValueFile_, useGenerated_});
  for (QRadioButton* radio : {useValueFile_, useGenerated_})
    connect(radio, &QRadioButton::toggled, this, &PageParams::EnableSource);
  auto* layout = new QHBoxLayout(source);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(useValueFile_);
  layout->addWidget(useGenerated_);
  layout->addStretch(1);
  return source;
}

QGroupBox* PageParams::BuildDataFile() {
  dataFile_ = new QGroupBox(tr(" Data File "), this);
  valueFile_ = new QLineEdit(dataFile_);
  valueFile_->setObjectName(QStringLiteral("valueFile"));
  auto* browse = new QToolButton(dataFile_);
  browse->setText(tr("..."));
  browse->setObjectName(QStringLiteral("chooseValueFile"));
  connect(browse, &QToolButton::clicked, this, &PageParams::ChooseValueFile);
  auto* edit = new QPushButton(tr("Edit file..."), dataFile_);
  edit->setObjectName(QStringLiteral("editValueFile"));
  connect(edit, &QPushButton::clicked, this, &PageParams::EditValueFile);
  auto* fileLabel = new QLabel(tr("Optional &Value File :"), dataFile_);
  fileLabel->setBuddy(valueFile_);

  separator_ = new CHistCBox(dataFile_);
  separator_->setObjectName(QStringLiteral("separator"));
  separator_->setEditable(true);
  separator_->SetHistory(QStringLiteral("Separators"),
                         {QStringLiteral("<tab>"), QStringLiteral(";"), QStringLiteral(",")});
  auto* separatorLabel = new QLabel(tr("Value separator :"), dataFile_);
  separatorLabel->setBuddy(separator_);

  static const char* const kThreadUse[] = {
      "Threads use values file independently",
      "Each thread uses one unique line from values file",
      "Threads use lines from values file sequentially"};
  static const char* const kThreadUseNames[] = {"tduIndependent", "tduUnique", "tduSequential"};
  for (std::size_t i = 0; i < threadUse_.size(); ++i) {
    threadUse_[i] = new QRadioButton(tr(kThreadUse[i]), dataFile_);
    threadUse_[i]->setObjectName(QString::fromLatin1(kThreadUseNames[i]));
  }
  Group(dataFile_, {threadUse_[0], threadUse_[1], threadUse_[2]});

  auto* grid = new QGridLayout(dataFile_);
  grid->addWidget(fileLabel, 0, 0);
  auto* file = new QHBoxLayout;
  file->addWidget(valueFile_, 1);
  file->addWidget(browse);
  file->addWidget(edit);
  grid->addLayout(file, 0, 1);
  grid->addWidget(separatorLabel, 1, 0);
  auto* separator = new QHBoxLayout;
  separator->addWidget(separator_);
  separator->addStretch(1);
  grid->addLayout(separator, 1, 1);
  for (std::size_t i = 0; i < threadUse_.size(); ++i)
    grid->addWidget(threadUse_[i], 2 + static_cast<int>(i), 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return dataFile_;
}

QGroupBox* PageParams::BuildParameters() {
  auto* box = new QGroupBox(tr(" Parameter Properties "), this);
  list_ = new QTableWidget(0, 1, box);
  list_->setObjectName(QStringLiteral("paramList"));
  list_->setHorizontalHeaderLabels({tr("Parameter")});
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setShowGrid(true);
  list_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Expanding);
  list_->setMaximumWidth(list_->fontMetrics().horizontalAdvance(QStringLiteral("Parameter")) * 2);
  connect(list_, &QTableWidget::itemSelectionChanged, this, &PageParams::SelectionChanged);

  valueType_ = new CHistCBox(box);
  valueType_->setObjectName(QStringLiteral("valueType"));
  // In ParamMethod order: the position, the item data and the option page coincide.
  static const char* const kValueTypeTexts[kValueTypes] = {"Random Integer", "Random String",
                                                           "Random Date/Time", "Custom pattern"};
  for (int type = 0; type < kValueTypes; ++type) valueType_->addItem(tr(kValueTypeTexts[type]), type);
  connect(valueType_, &QComboBox::currentIndexChanged, this, &PageParams::ValueTypeChanged);
  valueTypeLabel_ = new QLabel(tr("Value Type"), box);
  valueTypeLabel_->setBuddy(valueType_);

  pages_ = new QStackedWidget(box);
  optionPages_ = {new OpInterval, new OpString, new OpDateTime, new OpCustom};
  for (OptionPage* page : optionPages_) {
    pages_->addWidget(page);
    FollowEdits(*page);
  }

  pattern_ = new QLineEdit(box);
  pattern_->setObjectName(QStringLiteral("pattern"));
  pattern_->setReadOnly(true);
  auto* patternLabel = new QLabel(tr("Pattern :"), box);
  patternLabel->setBuddy(pattern_);

  auto* type = new QHBoxLayout;
  type->addWidget(valueTypeLabel_);
  type->addWidget(valueType_);
  type->addStretch(1);
  auto* patternLine = new QHBoxLayout;
  patternLine->addWidget(patternLabel);
  patternLine->addWidget(pattern_, 1);
  auto* frame = new QGroupBox(box);
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->setContentsMargins(0, 0, 0, 0);
  frameLayout->addWidget(pages_);
  auto* right = new QVBoxLayout;
  right->addLayout(type);
  right->addWidget(frame, 1);
  right->addLayout(patternLine);
  auto* layout = new QHBoxLayout(box);
  layout->addWidget(list_);
  layout->addLayout(right, 1);
  return box;
}

TaskParam* PageParams::Param(int index) const {
  Task* task = GetTask();
  if (!task || index < 0 || index >= static_cast<int>(task->Params.size())) return nullptr;
  return &task->Params[index];
}

void PageParams::Activate() {
  Task* task = GetTask();
  if (!task) return;
  const int count = CountParameters(task->SQL);
  {
    const QSignalBlocker quiet(list_);
    list_->clearSelection();
    list_->clearContents();
    list_->setRowCount(count);
    for (int row = 0; row < count; ++row) {
      auto* item = new QTableWidgetItem(QString::number(row + 1));
      item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
      list_->setItem(row, 0, item);
    }
  }
  curParam_ = -1;
  pattern_->clear();
  // Records beyond the markers stay: removing a marker for a while loses nothing. A new record
  // gets the pattern of its default settings, so that it generates values before anyone edits it.
  while (static_cast<int>(task->Params.size()) < count) {
    TaskParam fresh;
    OpInterval::BuildPattern(fresh);
    task->Params.push_back(fresh);
  }

  CheckOnly(std::array{useValueFile_, useGenerated_}, task->ParamType);
  separator_->SelectText(QString::fromStdWString(task->Separator));
  valueFile_->setText(QString::fromStdWString(task->File));
  CheckOnly(threadUse_, task->TDU);
  EnableSource();
  if (count > 0) list_->selectRow(0);
}

void PageParams::Deactivate() {
  Task* task = GetTask();
  if (!task) return;
  task->Separator = separator_->CurrentText().toStdWString();
  separator_->Remember();
  task->File = valueFile_->text().toStdWString();
  task->ParamType = useValueFile_->isChecked() ? kParamsFromFile : kParamsGenerated;
  task->TDU = threadUse_[kEachThreadReadsFile]->isChecked() ? kEachThreadReadsFile
              : threadUse_[kOneLinePerThread]->isChecked()  ? kOneLinePerThread
                                                             : kThreadsShareReader;
  if (curParam_ >= 0) StoreParameter(curParam_);
}

void PageParams::EnableSource() {
  const bool fromFile = useValueFile_->isChecked();
  dataFile_->setEnabled(fromFile);
  for (QWidget* control : {static_cast<QWidget*>(list_), static_cast<QWidget*>(valueTypeLabel_),
                           static_cast<QWidget*>(valueType_)})
    control->setEnabled(!fromFile);
}

void PageParams::ChooseValueFile() {
  ChooseOpenPath(*valueFile_, L"Text files (*.txt)|*.txt|All Files(*.*)|*.*||");
}

void PageParams::EditValueFile() {
  const std::wstring path = CLog::DecodePath(valueFile_->text().toStdWString());
  if (!platform::FileExists(path)) {
    platform::Ui().MessageBox(L"File '" + path + L"' not found.", L"Warning!",
                              platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  platform::Ui().OpenWithDesktop(path);
}

void PageParams::SelectionChanged() {
  if (inSelChange_) return;
  inSelChange_ = true;
  const QList<QTableWidgetSelectionRange> ranges = list_->selectedRanges();
  const int selected = ranges.isEmpty() ? -1 : ranges.first().topRow();
  if (selected >= 0 && selected != curParam_) {
    if (curParam_ >= 0) StoreParameter(curParam_);
    ShowParameter(selected);
    curParam_ = selected;
  }
  ShowPattern();
  inSelChange_ = false;
}

void PageParams::StoreParameter(int index) {
  TaskParam* param = Param(index);
  if (!param || valueType_->currentIndex() < 0) return;
  TaskParam stored = *param;
  stored.PropMethod = valueType_->currentData().toInt();
  optionPages_[pages_->currentIndex()]->StoreParam(stored);
  if (stored.Differs(untouched_)) *param = stored;
  pattern_->setText(QString::fromStdWString(param->PropTempl));
}

void PageParams::ShowParameter(int index) {
  const TaskParam* param = Param(index);
  if (!param) return;
  // A method this program does not know is shown as what it is, a pattern.
  const int method =
      param->PropMethod >= 0 && param->PropMethod < kValueTypes ? param->PropMethod : kParamPattern;
  {
    const QSignalBlocker quiet(valueType_);
    valueType_->SelectByData(method);
  }
  ShowPage(method);
  optionPages_[method]->LoadParam(*param);
  untouched_ = *param;
  untouched_.PropMethod = method;
  optionPages_[method]->StoreParam(untouched_);
  pattern_->setText(QString::fromStdWString(param->PropTempl));
}

void PageParams::ShowPage(int valueType) { pages_->setCurrentIndex(valueType); }

void PageParams::ValueTypeChanged() {
  const int valueType = valueType_->currentIndex();
  if (valueType < 0) return;
  if (valueType != pages_->currentIndex()) {
    ShowPage(valueType);
    // The record's method changes only when it is stored.
    if (const TaskParam* param = Param(curParam_)) optionPages_[valueType]->LoadParam(*param);
  }
  ShowPattern();
}

std::wstring PageParams::HelpTopic() const {
  if (!useGenerated_->isChecked() || !Param(curParam_)) return CTaskPage::HelpTopic();
  return DSynthor::HelpByPattern(pattern_->text().toStdWString());
}

void PageParams::FollowEdits(QWidget& page) {
  // The pattern line follows every change on the option page at once (an editable combo box
  // edits through its own line edit, which is found here too).
  for (auto* edit : page.findChildren<QLineEdit*>())
    connect(edit, &QLineEdit::textChanged, this, &PageParams::ShowPattern);
  for (auto* box : page.findChildren<QComboBox*>())
    connect(box, &QComboBox::currentIndexChanged, this, &PageParams::ShowPattern);
  for (auto* button : page.findChildren<QAbstractButton*>())
    connect(button, &QAbstractButton::toggled, this, &PageParams::ShowPattern);
}

void PageParams::ShowPattern() {
  const TaskParam* param = Param(curParam_);
  if (!param) return;
  // What storing the record now would make of it, without storing it: a record only looked at
  // keeps its own pattern, as StoreParameter keeps it.
  TaskParam preview = *param;
  if (valueType_->currentIndex() >= 0) {
    preview.PropMethod = valueType_->currentData().toInt();
    optionPages_[pages_->currentIndex()]->PreviewParam(preview);
  }
  const std::wstring& shown = preview.Differs(untouched_) ? preview.PropTempl : param->PropTempl;
  pattern_->setText(QString::fromStdWString(shown));
}
