#pragma once
// The SQL console: an SQL editor and a result area. Runs the selection, or the whole text when
// nothing is selected, statement by statement; a row set fills the grid, other statements show
// the rows they affected, a failing statement the driver's text.
//
// Statements run on a thread of their own, on a connection of the console's own made with the
// description of the connection it is given: the window stays responsive during a long
// statement, Cancel reaches the driver, and the window may use its own connection meanwhile.
// Closing or destroying the console cancels what runs and waits for it.
#include <memory>

#include <QString>
#include <QWidget>

class CColorizer;
class CDB;
class QCloseEvent;
class QsciScintilla;
class QTableWidget;
class QPlainTextEdit;

namespace sompel {
struct ScriptEnd;
struct StatementOutcome;
}  // namespace sompel

class CRunSQL : public QWidget {
  Q_OBJECT

 public:
  // Rows shown of one row set unless SetMaxRows says otherwise.
  static constexpr int kDefaultMaxRows = 10000;

  explicit CRunSQL(QWidget* parent = nullptr);
  ~CRunSQL() override;

  // Tab width, indent, editor font name and size (0: the default size), the colouriser (may be
  // null: plain text). A font that is not installed gives the system's fixed-pitch font.
  void Init(int tabWidth, int indent, const QString& fontName, int fontSize,
            const CColorizer* colorizer);
  // The connection whose description statements run with (not owned; may be null or
  // disconnected). Read on the window's thread only. Also shows its state: call again when the
  // connection has connected or disconnected.
  void SetConnection(CDB* db);
  void SetMaxRows(int maxRows) { maxRows_ = maxRows; }

  QString Text() const;
  void SetText(const QString& text);

  // Starts the selection or the whole text; true when statements were started. Nothing starts
  // without a connected connection, without statements or while a run is under way (the
  // messages say why). RunFinished follows each started run.
  bool Run();
  // True from Run until RunFinished.
  bool IsBusy() const;
  // Asks the driver to stop the running statement; the statements after it do not run.
  void Cancel();
  // Cancels and waits until the run has ended; its results are not shown.
  void CancelAndWait();

  // What the last run showed, for the window and for tests.
  QTableWidget* Grid() const;
  QPlainTextEdit* Messages() const;
  QsciScintilla* Editor() const;

 signals:
  // A run has ended: the statements that failed, and whether Cancel stopped it.
  void RunFinished(int failed, bool cancelled);

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Esc cancels a running statement from the editor too, which would otherwise keep the key.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWidgets();
  void ShowConnectionState();
  void ShowBusy(bool busy);
  void ShowOutcome(const sompel::StatementOutcome& outcome);
  void Finish(const sompel::ScriptEnd& end);

  struct Parts;
  std::unique_ptr<Parts> parts_;  // pointers into the widget tree
  struct Running;
  std::unique_ptr<Running> running_;  // the console's connection and the run on it
  CDB* db_ = nullptr;
  int maxRows_ = kDefaultMaxRows;
  int statementCount_ = 0;  // of the run under way
};
