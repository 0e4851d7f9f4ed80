#include "brunox/ui/project/PagePackage.h"

#include <QAction>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/engine/project/Task.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/common/RowListView.h"
#include "brunox/ui/common/StepSpinBox.h"
#include "brunox/ui/task/TaskProps.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/UiServices.h"

namespace {

enum Column { kColName, kColThreads, kColEnabled, kColumnCount };

constexpr const wchar_t* kWidthKeys[kColumnCount] = {L"PP_W1", L"PP_W2", L"PP_W3"};
constexpr int kDefaultWidths[kColumnCount] = {330, 60, 60};

const char* const kModeTexts[PagePackage::kRunModeCount] = {
    "run until 'Stop' is pressed ", "by task properties", "seconds",
    "times of each task",           "times of all task",  "each thread at least"};

// The limits in the order of their run modes (kRunSeconds onwards): the control's name, the
// setting that remembers it, and the value when nothing is remembered.
struct LimitSpec {
  const char* name;
  const wchar_t* setting;
  int fallback;
};
const LimitSpec kLimits[PagePackage::kLimitCount] = {{"seconds", L"DoSeconds", 10},
                                                     {"eachTasks", L"DoEach", 10},
                                                     {"allTasks", L"DoAll", 50},
                                                     {"atLeast", L"DoAtLeast", 5}};
constexpr int kFirstModeWithLimit = kRunSeconds;
constexpr int kLimitStep = 10;

std::wstring* ProjectLimit(int index) {
  std::wstring* limits[PagePackage::kLimitCount] = {&g_project.Seconds, &g_project.EachTasks,
                                                    &g_project.AllTasks, &g_project.AtLeast};
  return limits[index];
}

QString Text(const std::wstring& text) { return QString::fromStdWString(text); }

}  // namespace

PagePackage::PagePackage(PageHost& window, const CColorizer& colorizer, QWidget* parent)
    : CTitledPage(QStringLiteral("     Brunox Project"), parent),
      window_(window),
      taskDialog_(new TaskProps(colorizer, this)) {
  setObjectName(QStringLiteral("PagePackage"));
  path_ = new QLabel(this);
  path_->setObjectName(QStringLiteral("projectPath"));
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  path_->setWordWrap(true);
  auto* facts = new QFormLayout;
  facts->addRow(tr("Project file:"), path_);
  Body()->addLayout(facts);

  BuildRunMode();
  BuildTaskList();
  BuildBottomLine();

  // The user's last run mode carries over into a project that was not loaded.
  if (g_project.Path.empty() && g_settings) PutIntoProject(RememberedValues());
  LoadFromProject();
}

PagePackage::RunModeValues PagePackage::RememberedValues() {
  RunModeValues remembered;
  for (int i = 0; i < kLimitCount; ++i) remembered.limits[i] = kLimits[i].fallback;
  if (!g_settings) return remembered;
  remembered.doType = std::clamp(g_settings->getInt(kStoreMain, L"DoType"), 0, kRunModeCount - 1);
  for (int i = 0; i < kLimitCount; ++i) {
    const std::wstring text = g_settings->getStr(kStoreMain, kLimits[i].setting);
    if (!text.empty()) remembered.limits[i] = platform::ToInt(text);
  }
  return remembered;
}

PagePackage::~PagePackage() = default;

void PagePackage::BuildRunMode() {
  auto* box = new QGroupBox(tr("Execution mode"), this);
  auto* grid = new QGridLayout(box);
  for (int mode = 0; mode < kRunModeCount; ++mode) {
    auto* radio = new QRadioButton(tr(kModeTexts[mode]), box);
    radio->setObjectName(QStringLiteral("runMode%1").arg(mode));
    connect(radio, &QRadioButton::clicked, this, &PagePackage::RunModeEdited);
    modes_[mode] = radio;
    editingControls_.push_back(radio);
  }
  // Without limits on the left, each limit beside its run mode on the right.
  grid->addWidget(modes_[kRunUntilStopped], 0, 0);
  grid->addWidget(modes_[kRunByTaskCounts], 1, 0);
  for (int i = 0; i < kLimitCount; ++i) {
    auto* spin = new CStepSpinBox(box);
    spin->setObjectName(QString::fromLatin1(kLimits[i].name));
    spin->SetStepRule(CStepSpinBox::Fixed(kLimitStep));
    spin->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    connect(spin, &CStepSpinBox::Stepped, this, &PagePackage::RunModeEdited);
    limits_[i] = spin;
    editingControls_.push_back(spin);
    const int row = i % 2;
    const int column = 1 + 2 * (i / 2);
    grid->addWidget(modes_[kFirstModeWithLimit + i], row, column);
    grid->addWidget(spin, row, column + 1);
  }
  grid->setColumnStretch(grid->columnCount(), 1);  // the controls keep to the left
  Body()->addWidget(box);
}

QPushButton* PagePackage::AddButton(const char* name, const QString& text, int icon,
                                    int command) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QString::fromLatin1(name));
  if (icon >= 0) button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
  if (QAction* action = window_.Action(command)) button->setToolTip(action->toolTip());
  if (command == kCmdRun)
    connect(button, &QPushButton::clicked, this, &PagePackage::RunFromPage);
  else
    connect(button, &QPushButton::clicked, this, [this, command] { SendCommand(command); });
  if (command != kCmdProjectReport) editingControls_.push_back(button);
  return button;
}

void PagePackage::BuildTaskList() {
  list_ = new QTableWidget(0, kColumnCount, this);
  SetUpRowList(*list_);
  // The task list's own name and a little more room in its rows than the other lists give.
  list_->setObjectName(QStringLiteral("taskList"));
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 8);
  list_->setHorizontalHeaderLabels({tr("Name"), tr("Threads"), tr("Enabled")});
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  LoadColumnWidths(*list_, kWidthKeys, kDefaultWidths);
  connect(list_, &QAbstractItemView::doubleClicked, this, [this] { SendCommand(kCmdTaskEdit); });
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    std::unique_ptr<QMenu> menu = MakeContextMenu();
    menu->exec(list_->viewport()->mapToGlobal(at));
  });

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(AddButton("taskNew", tr("New..."), QStyle::SP_FileIcon, kCmdTaskAdd));
  buttons->addWidget(
      AddButton("taskEdit", tr("Edit..."), QStyle::SP_FileDialogDetailedView, kCmdTaskEdit));
  buttons->addWidget(AddButton("taskRemove", tr("Remove"), QStyle::SP_TrashIcon, kCmdTaskDelete));
  buttons->addSpacing(style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing) * 2);
  buttons->addWidget(AddButton("taskUp", tr("Up"), QStyle::SP_ArrowUp, kCmdTaskUp));
  buttons->addWidget(AddButton("taskDown", tr("Down"), QStyle::SP_ArrowDown, kCmdTaskDown));
  buttons->addStretch(1);

  auto* tasks = new QHBoxLayout;
  tasks->addWidget(list_, 1);
  tasks->addLayout(buttons);
  Body()->addLayout(tasks, 1);
}

void PagePackage::BuildBottomLine() {
  connection_ = new QLabel(tr("Restoring connection..."), this);
  connection_->setObjectName(QStringLiteral("connectionStatus"));
  connection_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  connection_->setWordWrap(true);
  auto* line = new QHBoxLayout;
  line->addWidget(AddButton("runProject", tr("Run"), QStyle::SP_MediaPlay, kCmdRun));
  line->addWidget(AddButton("projectReport", tr("Report..."), QStyle::SP_FileDialogInfoView,
                            kCmdProjectReport));
  line->addSpacing(12);
  line->addWidget(new QLabel(tr("Connection:"), this));
  line->addWidget(connection_, 1);
  Body()->addLayout(line);
}

// ---- Run mode ----

PagePackage::RunModeValues PagePackage::ShownValues() const {
  RunModeValues values = synced_;
  for (int mode = 0; mode < kRunModeCount; ++mode) {
    if (modes_[mode]->isChecked()) {
      values.doType = mode;
      break;
    }
  }
  for (int i = 0; i < kLimitCount; ++i) values.limits[i] = limits_[i]->value();
  return values;
}

void PagePackage::ShowValues(const RunModeValues& values) {
  // One radio at most: a run mode the page does not know (a damaged file) shows none checked.
  for (QRadioButton* radio : modes_) radio->setAutoExclusive(false);
  for (int mode = 0; mode < kRunModeCount; ++mode) modes_[mode]->setChecked(mode == values.doType);
  for (QRadioButton* radio : modes_) radio->setAutoExclusive(true);
  for (int i = 0; i < kLimitCount; ++i) {
    const QSignalBlocker quiet(limits_[i]);
    limits_[i]->setValue(values.limits[i]);
  }
}

PagePackage::RunModeValues PagePackage::ProjectValues() {
  RunModeValues values;
  values.doType = g_project.DoType;
  // The project keeps texts; what the runner makes of them is what the page shows ("" is 0).
  for (int i = 0; i < kLimitCount; ++i) values.limits[i] = platform::ToInt(*ProjectLimit(i));
  return values;
}

void PagePackage::PutIntoProject(const RunModeValues& values) {
  g_project.DoType = values.doType;
  for (int i = 0; i < kLimitCount; ++i) *ProjectLimit(i) = platform::FromInt(values.limits[i]);
}

void PagePackage::StoreToProject() {
  const RunModeValues shown = ShownValues();
  if (shown == synced_) return;
  // Only what the user changed on the page: the rest of the project may have moved on since.
  if (shown.doType != synced_.doType) g_project.DoType = shown.doType;
  for (int i = 0; i < kLimitCount; ++i)
    if (shown.limits[i] != synced_.limits[i])
      *ProjectLimit(i) = platform::FromInt(shown.limits[i]);
  synced_ = shown;
  window_.SetModified();
}

void PagePackage::RunModeEdited() {
  StoreToProject();
  window_.SetModified();
}

// ---- Project ----

void PagePackage::LoadFromProject() {
  synced_ = ProjectValues();
  ShowValues(synced_);
  ShowTasks();
  ShowProjectPath();
}

void PagePackage::ShowProjectPath() {
  path_->setText(g_project.Path.empty() ? tr("untitled") : Text(g_project.Path));
}

bool PagePackage::NewProject() {
  if (g_project.SaveIfModified()) return false;
  // A new project starts clean, without the run mode, comparison list or report switches of the
  // project before (Project::Clear keeps some of those for callers that want them), and with
  // the run mode a start without a project has: a limit of 0 would make a run that never starts.
  g_project = Project();
  PutIntoProject(RememberedValues());
  LoadFromProject();
  return true;
}

void PagePackage::SetConnectionText(const QString& text) { connection_->setText(text); }

QString PagePackage::ConnectionText() const { return connection_->text(); }

void PagePackage::ShowRunning(bool running) {
  for (QWidget* control : editingControls_) control->setEnabled(!running);
}

void PagePackage::RememberInSettings() const {
  if (!g_settings) return;
  StoreColumnWidths(*list_, kWidthKeys);
  g_settings->setInt(kStoreMain, L"isConnected", g_mainDB && g_mainDB->IsConnected() ? 1 : 0);
  g_settings->SetLastFile(g_project.Path);
  const RunModeValues shown = ShownValues();
  for (int i = 0; i < kLimitCount; ++i)
    g_settings->setStr(kStoreMain, kLimits[i].setting, platform::FromInt(shown.limits[i]));
}

// ---- Task list ----

void PagePackage::FillRow(int row, const Task& task) {
  const QString texts[kColumnCount] = {Text(task.Name), Text(task.ThreadsText()),
                                       Text(task.ActiveText())};
  for (int column = 0; column < kColumnCount; ++column) {
    QTableWidgetItem* item = list_->item(row, column);
    if (!item) {
      item = new QTableWidgetItem;
      list_->setItem(row, column, item);
    }
    item->setText(texts[column]);
  }
}

void PagePackage::ShowTasks() {
  list_->clearSelection();
  list_->setRowCount(static_cast<int>(g_project.Tasks.size()));
  for (int row = 0; row < list_->rowCount(); ++row) FillRow(row, g_project.Tasks[row]);
}

void PagePackage::SelectRows(const std::vector<int>& rows) {
  list_->clearSelection();
  QItemSelection selection;
  for (int row : rows) {
    if (row < 0 || row >= list_->rowCount()) continue;
    selection.select(list_->model()->index(row, 0),
                     list_->model()->index(row, kColumnCount - 1));
  }
  list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (!rows.empty() && rows.front() >= 0 && rows.front() < list_->rowCount())
    list_->selectionModel()->setCurrentIndex(list_->model()->index(rows.front(), 0),
                                             QItemSelectionModel::NoUpdate);
}

std::vector<int> PagePackage::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int PagePackage::FirstSelectedOrWarn() {
  const std::vector<int> rows = SelectedRows();
  if (!rows.empty()) return rows.front();
  platform::Ui().MessageBox(L"No task was selected.", L"Warning!", platform::MsgButtons::Ok,
                            platform::MsgIcon::Error);
  return -1;
}

std::unique_ptr<QMenu> PagePackage::MakeContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  menu->setObjectName(QStringLiteral("taskMenu"));
  const int items[] = {kCmdTaskAdd, kCmdTaskEdit, kCmdTaskDelete, kCmdTaskCopy, 0,
                       kCmdTaskUp,  kCmdTaskDown, 0,              kCmdTaskEnable};
  for (int id : items) {
    if (id == 0) {
      menu->addSeparator();
      continue;
    }
    // The window's own actions: their enabled state is the window's rule, their trigger its
    // dispatcher.
    if (QAction* action = window_.Action(id)) menu->addAction(action);
  }
  menu->setDefaultAction(window_.Action(kCmdTaskEdit));
  return menu;
}

void PagePackage::keyPressEvent(QKeyEvent* event) {
  // Reaches the page only when no text editor of the page took the key for its own text.
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
    SendCommand(kCmdTaskDelete);
    event->accept();
    return;
  }
  CTitledPage::keyPressEvent(event);
}

void PagePackage::SendCommand(int id) { window_.OnCommand(id); }

bool PagePackage::HandleCommand(int id) {
  switch (id) {
    case kCmdTaskAdd:
      AddTask();
      return true;
    case kCmdTaskEdit:
      EditTask();
      return true;
    case kCmdTaskDelete:
      RemoveTasks();
      return true;
    case kCmdTaskCopy:
      InsertCopies();
      return true;
    case kCmdTaskUp:
      MoveTask(-1);
      return true;
    case kCmdTaskDown:
      MoveTask(1);
      return true;
    case kCmdTaskEnable:
      ToggleEnabled();
      return true;
    case kCmdProjectReport:
      WriteProjectReport();
      return true;
    default:
      return false;
  }
}

bool PagePackage::ConnectionStep() {
  if (window_.Connected()) return true;
  window_.OnCommand(kCmdConnect);
  return window_.Connected();
}

bool PagePackage::ShowTaskDialog(Task& task) {
  taskDialog_->SetTask(&task);
  const bool confirmed = taskDialog_->exec() == QDialog::Accepted;
  taskDialog_->SetTask(nullptr);
  return confirmed;
}

void PagePackage::AddTask() {
  CLog::State(L"PagePackage::OnAdd");
  StoreToProject();
  Task task;
  if (ConnectionStep() && ShowTaskDialog(task)) {
    g_project.Tasks.push_back(task);
    const int row = list_->rowCount();
    list_->insertRow(row);
    FillRow(row, g_project.Tasks.back());
    window_.SetModified();
  }
  CLog::State(nullptr);
}

void PagePackage::EditTask() {
  const int row = FirstSelectedOrWarn();
  if (row < 0) return;
  CLog::State(L"PagePackage::OnEdit");
  Task copy = g_project.Tasks[row];
  if (ConnectionStep()) {
    StoreToProject();
    // Only a confirmed copy that differs counts as an edit.
    if (ShowTaskDialog(copy) && row < static_cast<int>(g_project.Tasks.size()) &&
        copy != g_project.Tasks[row]) {
      g_project.Tasks[row] = copy;
      FillRow(row, g_project.Tasks[row]);
      window_.SetModified();
    }
  }
  CLog::State(nullptr);
}

void PagePackage::RemoveTasks() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) {
    FirstSelectedOrWarn();
    return;
  }
  const platform::MsgAnswer answer = platform::Ui().MessageBox(
      platform::Format(L"Delete %d task(s) from the project?", static_cast<int>(rows.size())),
      L"Warning!", platform::MsgButtons::YesNo, platform::MsgIcon::Question,
      platform::MsgAnswer::No);
  if (answer != platform::MsgAnswer::Yes) return;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    list_->removeRow(*row);
    g_project.Tasks.erase(g_project.Tasks.begin() + *row);
  }
  window_.SetModified();
}

void PagePackage::InsertCopies() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) {
    FirstSelectedOrWarn();
    return;
  }
  StoreToProject();
  g_project.Tasks.reserve(g_project.Tasks.size() + rows.size());
  for (int row : rows) {
    g_project.Tasks.push_back(g_project.Tasks[row]);
    const int added = list_->rowCount();
    list_->insertRow(added);
    FillRow(added, g_project.Tasks.back());
  }
  window_.SetModified();
}

void PagePackage::MoveTask(int by) {
  const int row = FirstSelectedOrWarn();
  if (row < 0) return;
  const int other = row + by;
  if (other < 0 || other >= list_->rowCount()) return;
  std::swap(g_project.Tasks[row], g_project.Tasks[other]);
  FillRow(row, g_project.Tasks[row]);
  FillRow(other, g_project.Tasks[other]);
  SelectRows({other});  // the selection follows the task
  window_.SetModified();
}

void PagePackage::ToggleEnabled() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) {
    FirstSelectedOrWarn();
    return;
  }
  for (int row : rows) {
    Task& task = g_project.Tasks[row];
    task.isActive = 1 - task.isActive;
    FillRow(row, task);
  }
  window_.SetModified();
}

void PagePackage::WriteProjectReport() {
  platform::FileDialogRequest request;
  request.title = L"Save Project Report";
  request.filter = L"HTML documents (*.html)|*.html|All Files(*.*)|*.*||";
  request.defaultExt = L"html";
  std::wstring path;
  if (!platform::Ui().SaveFileDialog(request, path) || path.empty()) return;
  if (g_project.MainDB != g_mainDB) g_project.MainDB = g_mainDB;  // never changed during a run
  if (g_project.WriteDescriptionReport(path)) platform::Ui().OpenWithDesktop(path);
}

void PagePackage::RunFromPage() {
  if (window_.Running() || !ConnectionStep()) return;
  StoreToProject();
  window_.UpdateStatus();
  // Runs once the click has ended, as the window's own Run does.
  QTimer::singleShot(0, this, [window = &window_] { window->OnCommand(kCmdRun); });
}
