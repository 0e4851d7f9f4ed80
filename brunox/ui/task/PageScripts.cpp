#include "brunox/ui/task/PageScripts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/StatementMarkers.h"
#include "brunox/engine/project/Task.h"
#include "brunox/ui/task/TaskPageHost.h"
#include "brunox/ui/task/TaskScriptTest.h"
#include "kavra/CDB.h"
#include "platform/Text.h"
#include "sompel/ColorEditWnd.h"

namespace {

constexpr std::wstring_view kScriptTrailer = L" \r\n";

}  // namespace

PageScripts::PageScripts(TaskPageHost& dialog, bool prologue, QWidget* parent)
    : CTaskPage(dialog, parent), prologue_(prologue) {
  auto* kind = new QLabel(
      prologue_ ? tr("Prologue script will be executed before the first run of the first task's thread")
                : tr("Epilogue script will be executed after the last run of the last task's thread"),
      this);
  kind->setWordWrap(true);

  editor_ = new CColorEditWnd(this);
  editor_->setObjectName(QStringLiteral("scriptEditor"));
  editor_->SetColorizer(Colorizer());
  editor_->SetConnection(g_mainDB && g_mainDB->IsConnected() ? g_mainDB : nullptr);

  auto* load = new QPushButton(style()->standardIcon(QStyle::SP_DialogOpenButton), tr("&Load..."), this);
  load->setObjectName(QStringLiteral("loadScript"));
  load->setToolTip(tr("Load the script from a file"));
  connect(load, &QPushButton::clicked, this, [this] { LoadScriptInto(*editor_); });
  auto* test = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), tr("&Test"), this);
  test->setObjectName(QStringLiteral("testScript"));
  test->setToolTip(tr("Run the script once on the task's connection"));
  connect(test, &QPushButton::clicked, this, [this] { TestScript(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(load);
  buttons->addWidget(test);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(kind);
  layout->addWidget(editor_, 1);
  layout->addLayout(buttons);
}

PageScripts::~PageScripts() = default;

void PageScripts::Activate() {
  const Task* task = GetTask();
  if (!task) return;
  editor_->SetConnection(Dialog().Connection());
  editor_->LoadText(QString::fromStdWString(prologue_ ? task->SQLBefore : task->SQLAfter));
}

void PageScripts::Deactivate() {
  Task* task = GetTask();
  if (!task) return;
  std::wstring script;
  for (const std::wstring& line : editor_->Lines()) script += line + L"\r\n";
  (prologue_ ? task->SQLBefore : task->SQLAfter) = std::move(script);
  task->SQLBefore = platform::TrimRight(task->SQLBefore, kScriptTrailer);
  task->SQLAfter = platform::TrimRight(task->SQLAfter, kScriptTrailer);
}

bool PageScripts::TestScript() {
  const Task* task = GetTask();
  if (!task) return false;
  TaskScriptTest test;
  test.shownScript = editor_->Text().toStdWString();
  ScriptStatements statements(test.shownScript, task->UseParser != 0);
  test.statements = statements.Fill(nullptr);
  return RunTaskScriptTest(Dialog().Connection(), test);
}
