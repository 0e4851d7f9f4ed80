#pragma once
// The SQL console: an SQL editor and a result area. Runs the selection, or the whole text when
// nothing is selected, statement by statement on the connection it is given; a row set fills
// the grid, other statements show the rows they affected, a failing statement the driver's text.
#include <memory>

#include <QString>
#include <QWidget>

class CColorizer;
class CDB;
class QsciScintilla;
class QTableWidget;
class QPlainTextEdit;

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
  // The connection statements run on (not owned; may be null or disconnected).
  void SetConnection(CDB* db);
  void SetMaxRows(int maxRows) { maxRows_ = maxRows; }

  QString Text() const;
  void SetText(const QString& text);

  // Runs the selection or the whole text; returns the number of statements that failed. Without
  // a connected connection nothing runs and 0 is returned (the messages say why).
  int Run();

  // What the last run showed, for the window and for tests.
  QTableWidget* Grid() const;
  QPlainTextEdit* Messages() const;
  QsciScintilla* Editor() const;

 private:
  void BuildWidgets();
  void ShowConnectionState();
  // Runs one statement; false when it failed.
  bool RunStatement(const QString& statement, const QString& prefix);

  struct Parts;
  std::unique_ptr<Parts> parts_;  // pointers into the widget tree
  CDB* db_ = nullptr;
  int maxRows_ = kDefaultMaxRows;
};
