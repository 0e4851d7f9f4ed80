#include "sompel/ColorEditWnd.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <algorithm>

#include "platform/UserFile.h"
#include "sompel/Colorizer.h"

namespace {

bool FamilyInstalled(const QString& family) {
  if (family.isEmpty()) return false;
  const auto lookUp = [](const QString& name) {
    return QFontDatabase::families().contains(name, Qt::CaseInsensitive);
  };
  // Every editor asks for the default family, some of them twice; the list of families is long.
  if (family == CColorEditWnd::DefaultFontFamily()) {
    static const bool installed = lookUp(family);
    return installed;
  }
  return lookUp(family);
}

// Some installed monospace fonts do not call themselves fixed pitch (QFontInfo::fixedPitch() is
// false for them), so the glyphs decide: a narrow and a wide letter take the same room.
bool MeasuresFixedPitch(const QFont& font) {
  const QFontMetricsF metrics(font);
  return qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char('i')),
                       metrics.horizontalAdvance(QLatin1Char('W')));
}

}  // namespace

CColorEditWnd::CColorEditWnd(QWidget* parent) : QsciScintilla(parent) {
  setUtf8(true);
  setAutoIndent(true);
  setTabWidth(4);
  // The horizontal scroll bar follows the longest line instead of a fixed width.
  SendScintilla(SCI_SETSCROLLWIDTH, 1);
  SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
  CColorizer plain;
  plain.Highlight = false;
  SetColorizer(plain);
}

CColorEditWnd::~CColorEditWnd() = default;

QFont CColorEditWnd::EditorFont(const QString& family, int pointSize) {
  QFont font =
      FamilyInstalled(family) ? QFont(family) : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setFixedPitch(true);
  if (!MeasuresFixedPitch(font)) {
    // A proportional family (or a system font that is not what it says) would misalign every
    // column of a script.
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
  }
  if (pointSize > 0) font.setPointSize(pointSize);
  return font;
}

void CColorEditWnd::SetColorizer(const CColorizer& colorizer) {
  const QFont font = EditorFont();
  colorizer.Apply(*this, font);
  setMarginsFont(font);
  setMarginLineNumbers(0, true);
  setMarginWidth(0, QStringLiteral("000"));
}

void CColorEditWnd::LoadText(const QString& text, LoadMode mode) {
  if (mode == LoadMode::kFresh) {
    setText(text);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    setModified(false);
    setCursorPosition(0, 0);
    return;
  }
  beginUndoAction();
  selectAll();
  replaceSelectedText(text);
  endUndoAction();
}

std::vector<std::wstring> CColorEditWnd::Lines() const {
  std::vector<std::wstring> result;
  const int count = std::max(lines(), 1);
  result.reserve(static_cast<size_t>(count));
  for (int line = 0; line < count; ++line) {
    std::wstring text = QsciScintilla::text(line).toStdWString();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    result.push_back(std::move(text));
  }
  return result;
}

std::wstring CColorEditWnd::LoadFile(const std::wstring& path) {
  std::wstring text;
  std::wstring error;
  if (!platform::ReadUserTextFile(path, text, &error))
    return error.empty() ? L"Cannot read '" + path + L"'." : error;
  LoadText(QString::fromStdWString(text), LoadMode::kFresh);
  return std::wstring();
}

int CColorEditWnd::CaretPosition() const {
  const long caret = SendScintilla(SCI_GETCURRENTPOS);
  return static_cast<int>(SendScintilla(SCI_COUNTCHARACTERS, 0UL, caret));
}

int CColorEditWnd::BytePosition(int characters) const {
  const long length = SendScintilla(SCI_GETLENGTH);
  if (characters <= 0) return 0;
  // SCI_POSITIONRELATIVE answers 0 for a position past the end.
  const long position = SendScintilla(SCI_POSITIONRELATIVE, 0UL, static_cast<long>(characters));
  return static_cast<int>(position > 0 ? position : length);
}

void CColorEditWnd::SetSelection(int anchor, int caret) {
  SendScintilla(SCI_SETSEL, static_cast<unsigned long>(BytePosition(anchor)),
                static_cast<long>(BytePosition(caret)));
}

void CColorEditWnd::ReplaceSelection(const QString& text) { replaceSelectedText(text); }
