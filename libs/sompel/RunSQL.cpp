#include "sompel/RunSQL.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
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
#include "sompel/WaitCursor.h"

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
  QLabel* connection = nullptr;
};

CRunSQL::CRunSQL(QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>()) {
  BuildWidgets();
  Init(4, 4, QString(), 0, nullptr);
}

CRunSQL::~CRunSQL() = default;

void CRunSQL::BuildWidgets() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* toolbar = new QToolBar(this);
  toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  parts_->run = new QAction(style()->standardIcon(QStyle::SP_MediaPlay), tr("Run"), this);
  parts_->run->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return)});
  parts_->run->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  parts_->run->setToolTip(tr("Run the selection, or the whole text when nothing is selected "
                             "(F5, Ctrl+Return)"));
  connect(parts_->run, &QAction::triggered, this, [this] { Run(); });
  addAction(parts_->run);
  toolbar->addAction(parts_->run);
  auto* spacer = new QWidget(toolbar);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolbar->addWidget(spacer);
  parts_->connection = new QLabel(toolbar);
  toolbar->addWidget(parts_->connection);
  layout->addWidget(toolbar);

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setChildrenCollapsible(false);
  parts_->editor = new QsciScintilla(splitter);
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

int CRunSQL::Run() {
  QPlainTextEdit& messages = *parts_->messages;
  messages.clear();
  ShowConnectionState();
  if (!db_ || !db_->IsConnected()) {
    AddMessage(messages, tr("No connection: connect to a database first."), MessageKind::Error);
    return 0;
  }
  const QsciScintilla& editor = *parts_->editor;
  const QString script = editor.hasSelectedText() ? editor.selectedText() : editor.text();
  CParse parser;
  const int count = parser.Parse(script.toStdWString());
  if (count == 0) {
    AddMessage(messages, tr("Nothing to run."));
    return 0;
  }

  sompel::ClearResultGrid(*parts_->grid);
  WaitCursor wait;
  int failed = 0;
  for (int i = 0; i < count; ++i) {
    const QString prefix = count > 1 ? QStringLiteral("[%1] ").arg(i + 1) : QString();
    if (!RunStatement(QString::fromStdWString(parser.Statements[static_cast<size_t>(i)]), prefix))
      ++failed;
  }
  if (count > 1)
    AddMessage(messages, tr("%1 statements run, %2 failed.").arg(count).arg(failed),
               failed ? MessageKind::Error : MessageKind::Info);
  return failed;
}

bool CRunSQL::RunStatement(const QString& statement, const QString& prefix) {
  QPlainTextEdit& messages = *parts_->messages;
  auto fail = [&] {
    AddMessage(messages, prefix + tr("Error: %1").arg(QString::fromStdWString(db_->ErrorText)),
               MessageKind::Error);
    AddMessage(messages, tr("Statement: %1").arg(statement), MessageKind::Error);
    return false;
  };

  if (db_->Execute(statement.toStdWString()) != CDB::kOk) return fail();
  int columns = 0;
  if (db_->ColumnCount(&columns) != CDB::kOk) {
    fail();
    db_->CloseCursor();
    return false;
  }
  if (columns > 0) {
    const sompel::GridFillResult shown =
        sompel::FillResultGrid(*db_, *parts_->grid, maxRows_, kMaxCellChars);
    if (shown.rc != CDB::kOk) return fail();
    if (shown.truncated)
      AddMessage(messages, prefix + tr("First %1 rows shown; the statement returned more.")
                                        .arg(shown.rows));
    else
      AddMessage(messages, prefix + RowsText(shown.rows, "returned"));
    return true;
  }
  int affected = -1;
  db_->RowsAffected(&affected);
  db_->CloseCursor();
  AddMessage(messages, prefix + (affected >= 0 ? RowsText(affected, "affected") : tr("Done.")));
  return true;
}
