#include "brunox/ui/task/PageMain.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/engine/run/StatementMarkers.h"
#include "brunox/engine/project/Task.h"
#include "brunox/engine/run/ThreadInfo.h"
#include "brunox/engine/run/ValueFile.h"
#include "brunox/ui/common/ChoosePath.h"
#include "brunox/ui/common/StepSpinBox.h"
#include "brunox/ui/task/SqlImportDlg.h"
#include "brunox/ui/task/TaskPageHost.h"
#include "brunox/ui/task/TaskScriptTest.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "platform/UserFile.h"
#include "sompel/ColorEditWnd.h"
#include "sompel/SqlLibraryDlg.h"

namespace {

constexpr std::wstring_view kTrailingBlanks = L" \t\r\n";

void Warn(const std::wstring& text) {
  platform::Ui().MessageBox(text, L"Warning!", platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

// The values of one execution of `task`, as a run would put them into its statements, or none
// (the markers stay). `note` says why a value file gave none.
std::optional<std::vector<std::wstring>> ValuesOfOneExecution(Task& task, CDB* db,
                                                              std::wstring* note) {
  if (task.ParamType == kParamsGenerated) {
    if (!g_runner) return std::nullopt;
    // A record of the task's own: its engine lives only for this one preview.
    ThreadInfo record;
    record.TheTask = &task;
    record.Runner = g_runner;
    return g_runner->GenerateValues(&record, &g_project, db, /*oneOff=*/true);
  }
  if (task.File.empty()) return std::nullopt;
  const std::wstring path = CLog::DecodePath(task.File);
  // As in a run: no file leaves the markers; anything else at the path is tried, so that a
  // folder or a device named by mistake is said.
  std::error_code ignored;
  if (!std::filesystem::exists(platform::NativePath(path), ignored)) return std::nullopt;
  ValueFile file;
  std::wstring line;
  if (!file.Open(path)) {
    *note = file.Error();
  } else if (file.IsEmpty()) {
    *note = L"The value file '" + path + L"' is empty: the statement ran without values.";
  } else if (task.Separator.empty()) {
    *note = L"The task's value file has no separator: the statement ran without values.";
  } else if (file.ReadLineWrapping(&line)) {
    return platform::Split(line, BrunoxRunner::SeparatorChar(task.Separator));
  } else {
    *note = file.Error();
  }
  return std::nullopt;
}

}  // namespace

PageMain::PageMain(TaskPageHost& dialog, QWidget* parent) : CTaskPage(dialog, parent) {
  BuildControls();
}

PageMain::~PageMain() = default;

void PageMain::BuildControls() {
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("taskName"));
  auto* nameLabel = new QLabel(tr("Task &name"), this);
  nameLabel->setBuddy(name_);

  threads_ = new CStepSpinBox(this);
  threads_->setObjectName(QStringLiteral("threads"));
  threads_->SetStepRule(CStepSpinBox::AtLeastOne());
  auto* useLabel = new QLabel(tr("&Use"), this);
  useLabel->setBuddy(threads_);
  auto* threadsText =
      new QLabel(tr("concurrent threads for the task. Thread is one virtual user to be emulated."),
                 this);
  threadsText->setWordWrap(true);

  immediate_ = new QRadioButton(tr("&Immediate script definition"), this);
  immediate_->setObjectName(QStringLiteral("immediateScript"));
  fromFile_ = new QRadioButton(tr("Use script from the &file :"), this);
  fromFile_->setObjectName(QStringLiteral("scriptFromFile"));
  connect(immediate_, &QRadioButton::toggled, this, &PageMain::EnableSource);

  editor_ = new CColorEditWnd(this);
  editor_->setObjectName(QStringLiteral("sqlEditor"));
  editor_->SetColorizer(Colorizer());

  load_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOpenButton), tr("&Load…"), this);
  load_->setObjectName(QStringLiteral("loadScript"));
  load_->setToolTip(tr("Load task's script from the disk file"));
  connect(load_, &QPushButton::clicked, this, [this] { LoadScriptInto(*editor_); });
  library_ = new QPushButton(tr("SQL Li&brary…"), this);
  library_->setObjectName(QStringLiteral("sqlLibrary"));
  library_->setToolTip(tr("Load task's script from the SQL Library"));
  connect(library_, &QPushButton::clicked, this, &PageMain::InsertFromLibrary);
  import_ = new QPushButton(tr("Import…"), this);
  import_->setObjectName(QStringLiteral("importTrace"));
  import_->setToolTip(tr("Import the statements a server trace recorded"));
  connect(import_, &QPushButton::clicked, this, &PageMain::ImportTrace);
  test_ = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), tr("&Test"), this);
  test_->setObjectName(QStringLiteral("testStatement"));
  test_->setToolTip(tr("Test SQL statement against connected database"));
  connect(test_, &QPushButton::clicked, this, [this] { TestStatement(); });

  scriptFile_ = new QLineEdit(this);
  scriptFile_->setObjectName(QStringLiteral("scriptFile"));
  chooseFile_ = new QPushButton(QStringLiteral("..."), this);
  chooseFile_->setObjectName(QStringLiteral("chooseScriptFile"));
  chooseFile_->setToolTip(tr("Choose the script file"));
  connect(chooseFile_, &QPushButton::clicked, this, &PageMain::ChooseScriptFile);

  useParser_ = new QCheckBox(tr("Use &SQL parser"), this);
  useParser_->setObjectName(QStringLiteral("useParser"));
  useParser_->setToolTip(tr("Switch it on for complex script with a few SQL statements"));
  asTransaction_ = new QCheckBox(tr("Run whole script as single transaction."), this);
  asTransaction_->setObjectName(QStringLiteral("asTransaction"));

  // The thread count needs room for a few digits only; the text after it takes the rest.
  threads_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  threads_->setMinimumWidth(threads_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) +
                            threads_->sizeHint().height() * 2);
  threads_->setMaximumWidth(threads_->minimumWidth());
  auto* threadsRow = new QHBoxLayout;
  threadsRow->addWidget(threads_);
  threadsRow->addWidget(threadsText, 1);
  auto* top = new QGridLayout;
  top->addWidget(nameLabel, 0, 0);
  top->addWidget(name_, 0, 1);
  top->addWidget(useLabel, 1, 0);
  top->addLayout(threadsRow, 1, 1);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(load_);
  buttons->addWidget(library_);
  buttons->addWidget(import_);
  buttons->addStretch(1);
  buttons->addWidget(test_);
  auto* editorRow = new QHBoxLayout;
  editorRow->addWidget(editor_, 1);
  editorRow->addLayout(buttons);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fromFile_);
  fileRow->addWidget(scriptFile_, 1);
  fileRow->addWidget(chooseFile_);

  auto* checks = new QHBoxLayout;
  checks->addWidget(useParser_);
  checks->addWidget(asTransaction_);
  checks->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(immediate_);
  layout->addLayout(editorRow, 1);
  layout->addLayout(fileRow);
  layout->addLayout(checks);
  immediate_->setChecked(true);
  EnableSource();
}

void PageMain::Activate() {
  Task* task = GetTask();
  if (!task) return;
  name_->setText(QString::fromStdWString(task->Name));
  scriptFile_->setText(QString::fromStdWString(task->sqlFile));
  threads_->setValue(task->Threads);
  useParser_->setChecked(task->UseParser != 0);
  asTransaction_->setChecked(task->AsTransaction != 0);
  (task->UseFileSQL != 0 ? fromFile_ : immediate_)->setChecked(true);
  editor_->LoadText(QString::fromStdWString(task->SQL));
  CDB* db = Dialog().Connection();
  editor_->SetConnection(db && db->IsConnected() ? db : nullptr);
  EnableSource();
}

bool PageMain::CanSave() {
  Task* task = GetTask();
  if (!task) return true;
  task->Name = name_->text().toStdWString();
  if (task->Name.empty()) {
    Warn(L"Please enter task name!");
    return false;
  }
  if (FileMode()) {
    task->sqlFile = scriptFile_->text().toStdWString();
    if (task->sqlFile.empty() || !platform::FileExists(CLog::DecodePath(task->sqlFile))) {
      Warn(L"The SQL script with task definition does not exist or inaccessible.");
      return false;
    }
    return true;
  }
  task->SQL = platform::TrimRight(editor_->Text().toStdWString(), kTrailingBlanks);
  if (task->SQL.empty()) {
    Warn(L"Please enter SQL statement for the task!");
    return false;
  }
  return true;
}

void PageMain::Deactivate() {
  Task* task = GetTask();
  if (!task) return;
  task->Threads = threads_->value();
  task->sqlFile = scriptFile_->text().toStdWString();
  task->UseParser = useParser_->isChecked() ? 1 : 0;
  task->AsTransaction = asTransaction_->isChecked() ? 1 : 0;
  task->UseFileSQL = FileMode() ? 1 : 0;
}

bool PageMain::FileMode() const { return fromFile_->isChecked(); }

void PageMain::EnableSource() {
  const bool fileMode = FileMode();
  editor_->setEnabled(!fileMode);
  load_->setEnabled(!fileMode);
  library_->setEnabled(!fileMode);
  scriptFile_->setEnabled(fileMode);
  chooseFile_->setEnabled(fileMode);
}

void PageMain::ChooseScriptFile() {
  ChooseOpenPath(*scriptFile_, kScriptFilter, L"Select SQL Script File");
}

CSqlLibraryDlg& PageMain::Library() {
  if (!libraryDlg_) {
    libraryDlg_ = new CSqlLibraryDlg(this);
    libraryDlg_->SetColorizer(Colorizer());
  }
  return *libraryDlg_;
}

void PageMain::InsertFromLibrary() {
  CSqlLibraryDlg& library = Library();
  library.SetRootFolder(
      g_settings ? CLog::DecodePath(g_settings->getStr(kStoreMain, L"Library")) : std::wstring());
  if (!library.LoadLayout()) library.move(editor_->mapToGlobal(QPoint(5, 5)));
  if (library.exec() != QDialog::Accepted || library.ChosenFile().empty()) return;
  std::wstring script, error;
  if (!platform::ReadUserTextFile(library.ChosenFile(), script, &error)) {
    Warn(error);
    return;
  }
  InsertScript(script, library.InsertionMode());
}

void PageMain::InsertScript(const std::wstring& script, int mode) {
  const QString text = QString::fromStdWString(script);
  switch (mode) {
    case CSqlLibraryDlg::kInsertAtCaret: {
      const int caret = editor_->CaretPosition();
      editor_->SetSelection(caret, caret);
      editor_->ReplaceSelection(text);
      break;
    }
    case CSqlLibraryDlg::kReplaceText:
      editor_->LoadText(text, CColorEditWnd::LoadMode::kAsEdit);
      break;
    case CSqlLibraryDlg::kAppendText:
      editor_->LoadText(editor_->Text() + text + QLatin1Char(' '), CColorEditWnd::LoadMode::kAsEdit);
      break;
    default:
      return;
  }
  editor_->setFocus();
}

std::wstring PageMain::ScriptToTest() {
  std::wstring script;
  if (FileMode()) {
    Task* task = GetTask();
    task->sqlFile = scriptFile_->text().toStdWString();
    std::wstring error;
    if (!platform::ReadUserTextFile(CLog::DecodePath(task->sqlFile), script, &error)) {
      Warn(error);
      return std::wstring();
    }
  } else {
    script = editor_->Text().toStdWString();
  }
  return platform::TrimRight(script, kTrailingBlanks);
}

bool PageMain::TestStatement() {
  Task* task = GetTask();
  if (!task) return false;
  const std::wstring script = ScriptToTest();
  if (script.empty()) return false;
  CDB* db = Dialog().Connection();
  if (!db || !db->IsConnected()) return RunTaskScriptTest(db, TaskScriptTest{});

  TaskScriptTest test;
  const auto values = ValuesOfOneExecution(*task, db, &test.note);
  ScriptStatements statements(script, useParser_->isChecked());
  test.statements = statements.Fill(values ? &*values : nullptr);
  test.shownScript = values ? FillMarkers(script, *values) : script;
  test.fetchRows = true;
  return RunTaskScriptTest(db, test);
}

void PageMain::ImportTrace() {
  // The trace is read by the server that recorded it, over the main connection.
  CSqlImport import(g_mainDB, this);
  if (import.exec() == QDialog::Accepted)
    editor_->LoadText(QString::fromStdWString(import.Script()), CColorEditWnd::LoadMode::kAsEdit);
}
