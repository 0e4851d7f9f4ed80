#include "sompel/RunSQL.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <optional>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QProgressBar>
#include <QTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QTextCursor>
#include <QToolBar>
#include <QVBoxLayout>

#include "kavra/CDB.h"
#include "kavra/Parse.h"
#include "sompel/ColorEditWnd.h"
#include "sompel/Colorizer.h"
#include "sompel/ResultGrid.h"
#include "sompel/SqlScriptRun.h"

namespace {

// Longest value shown in one grid cell; the grid is for looking, not for exporting.
constexpr int kMaxCellChars = 4000;

enum class MessageKind { Info, Error };

void AddMessage(QPlainTextEdit& messages, const QString& text, MessageKind kind = MessageKind::Info) {
  QTextCursor cursor(messages.document());
  cursor.movePosition(QTextCursor::End);
  if (!messages.document()->isEmpty()) cursor.insertBlock();
  QTextCharFormat format;
  if (kind == MessageKind::Error) format.setForeground(QColor(0xb0, 0x00, 0x00));
  cursor.insertText(text, format);
  messages.setTextCursor(cursor);
  messages.ensureCursorVisible();
}

// How often a cancel is sent again while the statement has not stopped: one sent just before
// the statement reached the driver finds nothing to stop.
constexpr int kCancelRepeatMs = 100;

// The selection, or the whole text when nothing is selected. Asked of the editing component
// itself: QsciScintilla's own selection flag lags behind when typing replaces a selection, and
// says "selected" until the next click.
QString ScriptToRun(const QsciScintilla& editor) {
  if (editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEMPTY) != 0) return editor.text();
  // A rectangular selection is its lines' pieces, which only the selected text gives.
  const QString selected = editor.selectedText();
  if (!selected.isEmpty()) return selected;
  const auto from =
      static_cast<int>(editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART));
  const auto to = static_cast<int>(editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND));
  return editor.text(from, to);
}

QString RowsText(int n, const char* what) {
  return n == 1 ? QStringLiteral("1 row %1.").arg(QLatin1String(what))
                : QStringLiteral("%1 rows %2.").arg(n).arg(QLatin1String(what));
}

}  // namespace

// The widgets below belong to the CRunSQL widget tree; these are only handles.
struct CRunSQL::Parts {
  QsciScintilla* editor = nullptr;
  QTableWidget* grid = nullptr;
  QPlainTextEdit* messages = nullptr;
  QAction* run = nullptr;
  QAction* cancel = nullptr;
  QLabel* connection = nullptr;
  QLabel* busy = nullptr;
  QProgressBar* busyBar = nullptr;
  QTimer* cancelRepeat = nullptr;
};

// The console's own connection and the run on it. Only the run's thread touches the connection
// while a run is under way; the window's thread only cancels it.
struct CRunSQL::Running {
  std::unique_ptr<CDB> db;
  sompel::SqlScriptRun run;
  int id = 0;  // of the run whose results are shown; results of older runs are dropped
  bool busy = false;
};

CRunSQL::CRunSQL(QWidget* parent)
    : QWidget(parent), parts_(std::make_unique<Parts>()), running_(std::make_unique<Running>()) {
  BuildWidgets();
  Init(4, 4, QString(), 0, nullptr);
}

CRunSQL::~CRunSQL() {
  CancelAndWait();
  // The editor outlives the handles the filter reads (it goes with the base class).
  parts_->editor->removeEventFilter(this);
}

void CRunSQL::BuildWidgets() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* toolbar = new QToolBar(this);
  toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  parts_->run = new QAction(style()->standardIcon(QStyle::SP_MediaPlay), tr("Run"), this);
  parts_->run->setObjectName(QStringLiteral("run"));
  parts_->run->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return)});
  parts_->run->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  parts_->run->setToolTip(tr("Run the selection, or the whole text when nothing is selected "
                             "(F5, Ctrl+Return)"));
  connect(parts_->run, &QAction::triggered, this, [this] { Run(); });
  addAction(parts_->run);
  toolbar->addAction(parts_->run);
  parts_->cancel = new QAction(style()->standardIcon(QStyle::SP_BrowserStop), tr("Cancel"), this);
  parts_->cancel->setObjectName(QStringLiteral("cancel"));
  parts_->cancel->setShortcut(QKeySequence(Qt::Key_Escape));
  parts_->cancel->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  parts_->cancel->setToolTip(tr("Stop the running statement (Esc)"));
  parts_->cancel->setEnabled(false);
  connect(parts_->cancel, &QAction::triggered, this, [this] { Cancel(); });
  addAction(parts_->cancel);
  toolbar->addAction(parts_->cancel);
  parts_->busyBar = new QProgressBar(toolbar);
  parts_->busyBar->setRange(0, 0);  // no end known: the bar just moves
  parts_->busyBar->setMaximumWidth(120);
  parts_->busyBar->setTextVisible(false);
  parts_->busyBar->setVisible(false);
  toolbar->addWidget(parts_->busyBar);
  parts_->busy = new QLabel(toolbar);
  parts_->busy->setObjectName(QStringLiteral("busy"));
  toolbar->addWidget(parts_->busy);
  auto* spacer = new QWidget(toolbar);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolbar->addWidget(spacer);
  parts_->connection = new QLabel(toolbar);
  parts_->connection->setObjectName(QStringLiteral("connection"));
  toolbar->addWidget(parts_->connection);
  layout->addWidget(toolbar);

  parts_->cancelRepeat = new QTimer(this);
  parts_->cancelRepeat->setInterval(kCancelRepeatMs);
  connect(parts_->cancelRepeat, &QTimer::timeout, this, [this] {
    if (running_->busy) running_->run.Cancel();
  });

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setChildrenCollapsible(false);
  parts_->editor = new QsciScintilla(splitter);
  parts_->editor->installEventFilter(this);
  parts_->editor->setUtf8(true);
  parts_->editor->setAutoIndent(true);
  parts_->editor->setMarginLineNumbers(0, true);
  // The horizontal scroll bar follows the longest line instead of a fixed width.
  parts_->editor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTH, 1);
  parts_->editor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTHTRACKING, 1);

  parts_->grid = new QTableWidget(splitter);
  parts_->grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  parts_->grid->setAlternatingRowColors(true);
  parts_->grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
  // Rows as high as one line of text; the style's default leaves half of each row empty.
  parts_->grid->verticalHeader()->setDefaultSectionSize(parts_->grid->fontMetrics().height() +
                                                        parts_->grid->fontMetrics().descent() + 4);

  parts_->messages = new QPlainTextEdit(splitter);
  parts_->messages->setReadOnly(true);
  parts_->messages->setPlaceholderText(tr("Messages of the last run"));

  splitter->addWidget(parts_->editor);
  splitter->addWidget(parts_->grid);
  splitter->addWidget(parts_->messages);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 3);
  splitter->setStretchFactor(2, 2);
  layout->addWidget(splitter, 1);
  ShowConnectionState();
}

void CRunSQL::Init(int tabWidth, int indent, const QString& fontName, int fontSize,
                   const CColorizer* colorizer) {
  QsciScintilla& editor = *parts_->editor;
  const QFont font = CColorEditWnd::EditorFont(fontName, fontSize);
  if (colorizer) {
    colorizer->Apply(editor, font);
  } else {
    CColorizer plain;
    plain.Highlight = false;
    plain.Apply(editor, font);
  }
  editor.setTabWidth(tabWidth > 0 ? tabWidth : 4);
  editor.setIndentationWidth(std::max(indent, 0));  // 0: the tab width
  editor.setMarginsFont(font);
  editor.setMarginWidth(0, QStringLiteral("00000"));  // room for five-digit line numbers
  parts_->messages->setFont(font);
}

void CRunSQL::SetConnection(CDB* db) {
  db_ = db;
  ShowConnectionState();
}

void CRunSQL::ShowConnectionState() {
  if (!db_ || !db_->IsConnected()) {
    parts_->connection->setText(tr("Not connected"));
    return;
  }
  QString server = QString::fromStdWString(db_->DbmsName);
  if (!db_->DbmsVersion.empty()) server += QLatin1Char(' ') + QString::fromStdWString(db_->DbmsVersion);
  parts_->connection->setText(tr("Connected to %1").arg(server));
}

QString CRunSQL::Text() const { return parts_->editor->text(); }
void CRunSQL::SetText(const QString& text) { parts_->editor->setText(text); }

QTableWidget* CRunSQL::Grid() const { return parts_->grid; }
QPlainTextEdit* CRunSQL::Messages() const { return parts_->messages; }
QsciScintilla* CRunSQL::Editor() const { return parts_->editor; }

bool CRunSQL::IsBusy() const { return running_->busy; }

bool CRunSQL::Run() {
  if (running_->busy) return false;
  QPlainTextEdit& messages = *parts_->messages;
  messages.clear();
  // What the grid shows answered the run before: it must not pass for this run's answer.
  sompel::ClearResultGrid(*parts_->grid);
  ShowConnectionState();
  if (!db_ || !db_->IsConnected()) {
    // The console's connection follows the window's: none there, none here.
    if (running_->db) running_->db->CloseConnection();
    AddMessage(messages, tr("No connection: connect to a database first."), MessageKind::Error);
    return false;
  }
  const QString script = ScriptToRun(*parts_->editor);
  CParse parser;
  const int count = parser.Parse(script.toStdWString());
  if (count == 0) {
    AddMessage(messages, tr("Nothing to run."));
    return false;
  }

  sompel::SqlScriptRun::Script work;
  work.statements = parser.Statements;
  work.maxRows = maxRows_;
  work.maxCellChars = kMaxCellChars;
  // A console connection made with another description, or lost, is made again.
  Running& r = *running_;
  if (!r.db || r.db->Info.DsType != db_->Info.DsType) r.db.reset(CDB::newDB(db_->Info.DsType));
  if (!r.db) {
    AddMessage(messages, tr("The ODBC driver manager is not available."), MessageKind::Error);
    return false;
  }
  if (!r.db->IsConnected() || !(r.db->Info == db_->Info)) work.connectFirst = db_->Info;

  statementCount_ = count;
  const int id = ++r.id;
  r.busy = true;
  ShowBusy(true);
  // The sinks run on the run's thread; what they carry is shown on the window's thread. Queued
  // calls die with this widget, whose destructor waits for the run first.
  r.run.Start(
      *r.db, std::move(work),
      [this, id](sompel::StatementOutcome outcome) {
        QMetaObject::invokeMethod(
            this,
            [this, id, outcome = std::move(outcome)] {
              if (id == running_->id && running_->busy) ShowOutcome(outcome);
            },
            Qt::QueuedConnection);
      },
      [this, id](sompel::ScriptEnd end) {
        QMetaObject::invokeMethod(
            this,
            [this, id, end = std::move(end)] {
              if (id == running_->id && running_->busy) Finish(end);
            },
            Qt::QueuedConnection);
      });
  return true;
}

void CRunSQL::Cancel() {
  if (!running_->busy) return;
  running_->run.Cancel();
  parts_->busy->setText(tr("Cancelling..."));
  parts_->cancel->setEnabled(false);
  parts_->cancelRepeat->start();
}

void CRunSQL::CancelAndWait() {
  Running& r = *running_;
  r.run.CancelAndWait();
  if (!r.busy) return;
  sompel::ScriptEnd end;
  end.cancelled = true;
  Finish(end);
  ++r.id;  // what the ended run still has on its way is not shown
}

void CRunSQL::closeEvent(QCloseEvent* event) {
  CancelAndWait();
  QWidget::closeEvent(event);
}

bool CRunSQL::eventFilter(QObject* watched, QEvent* event) {
  // The editing component claims Esc before shortcuts are looked at (it has a command bound to
  // it). While a statement runs, the key is left to the Cancel shortcut instead.
  if (watched == parts_->editor && event->type() == QEvent::ShortcutOverride &&
      parts_->cancel->isEnabled()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void CRunSQL::ShowBusy(bool busy) {
  parts_->run->setEnabled(!busy);
  parts_->cancel->setEnabled(busy);
  parts_->busyBar->setVisible(busy);
  parts_->busy->setText(busy ? tr("Running...") : QString());
  if (!busy) parts_->cancelRepeat->stop();
}

void CRunSQL::ShowOutcome(const sompel::StatementOutcome& outcome) {
  QPlainTextEdit& messages = *parts_->messages;
  const QString prefix =
      statementCount_ > 1 ? QStringLiteral("[%1] ").arg(outcome.index + 1) : QString();
  if (!parts_->cancelRepeat->isActive() && statementCount_ > 1)
    parts_->busy->setText(tr("Running... (%1 of %2 done)").arg(outcome.index + 1).arg(statementCount_));
  if (outcome.failed) {
    AddMessage(messages, prefix + tr("Error: %1").arg(QString::fromStdWString(outcome.error)),
               MessageKind::Error);
    AddMessage(messages, tr("Statement: %1").arg(QString::fromStdWString(outcome.statement)),
               MessageKind::Error);
    return;
  }
  if (outcome.rows) {
    const sompel::RowSet& set = *outcome.rows;
    sompel::ShowRowSet(set, *parts_->grid);
    const int shown = static_cast<int>(set.rows.size());
    if (set.truncated)
      AddMessage(messages,
                 prefix + tr("First %1 rows shown; the statement returned more.").arg(shown));
    else
      AddMessage(messages, prefix + RowsText(shown, "returned"));
    return;
  }
  AddMessage(messages, prefix + (outcome.affected >= 0 ? RowsText(outcome.affected, "affected")
                                                       : tr("Done.")));
}

void CRunSQL::Finish(const sompel::ScriptEnd& end) {
  Running& r = *running_;
  r.run.Wait();  // the run has handed out its end: its thread is about to return
  r.busy = false;
  ShowBusy(false);
  QPlainTextEdit& messages = *parts_->messages;
  if (!end.connectError.empty())
    AddMessage(messages,
               tr("Could not connect: %1").arg(QString::fromStdWString(end.connectError)),
               MessageKind::Error);
  if (end.cancelled)
    AddMessage(messages, tr("Cancelled: %1 of %2 statements run.").arg(end.run).arg(statementCount_),
               MessageKind::Error);
  else if (statementCount_ > 1 && end.connectError.empty())
    AddMessage(messages, tr("%1 statements run, %2 failed.").arg(statementCount_).arg(end.failed),
               end.failed ? MessageKind::Error : MessageKind::Info);
  const int failed = end.connectError.empty() ? end.failed : statementCount_;
  emit RunFinished(failed, end.cancelled);
}
