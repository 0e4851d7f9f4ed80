#pragma once
// The SQL editor of the task dialog's pages and of the SQL library preview: a QScintilla editor
// in the colouriser's colours with a fixed-pitch font, that loads texts and script files and
// offers the caret and selection operations that inserting a library script needs.
//
// Positions are character offsets into Text() (QScintilla counts UTF-8 bytes; that stays inside).
#include <Qsci/qsciscintilla.h>

#include <string>
#include <vector>

class CColorizer;
class CDB;

class CColorEditWnd : public QsciScintilla {
  Q_OBJECT

 public:
  // How LoadText treats what was there before.
  enum class LoadMode {
    kFresh,   // a new document: the undo history starts with this text, nothing is modified
    kAsEdit,  // one edit of the present document, which Undo takes back
  };

  // Plain colours until SetColorizer.
  explicit CColorEditWnd(QWidget* parent = nullptr);
  ~CColorEditWnd() override;

  // Colours the text as `colorizer` says (it need not outlive the editor).
  void SetColorizer(const CColorizer& colorizer);

  void LoadText(const QString& text, LoadMode mode = LoadMode::kFresh);
  QString Text() const { return text(); }
  // The lines without their line ends; an empty editor has one empty line.
  std::vector<std::wstring> Lines() const;

  // Loads a script file as a fresh document, decoded as every text file of the program
  // (platform::ReadUserTextFile). "" on success, else why it could not be read (the text then
  // stays as it was).
  std::wstring LoadFile(const std::wstring& path);

  // The caret and the selection, in characters.
  int CaretPosition() const;
  void SetSelection(int anchor, int caret);
  // Replaces the selection (or inserts at the caret when nothing is selected); the caret ends
  // after the new text.
  void ReplaceSelection(const QString& text);

  // The connection the editor's text belongs to (not owned; may be null).
  void SetConnection(CDB* db) { db_ = db; }
  CDB* Connection() const { return db_; }

  // The font of the program's SQL editors: `family` when installed, else the system's
  // fixed-pitch font; `pointSize` 0 keeps the font's own size. Whether the default family is
  // installed is looked up once.
  static QFont EditorFont(const QString& family = DefaultFontFamily(), int pointSize = 0);
  static QString DefaultFontFamily() { return QStringLiteral("Courier New"); }

 private:
  int BytePosition(int characters) const;

  CDB* db_ = nullptr;
};
