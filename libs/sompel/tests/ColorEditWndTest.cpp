#include "sompel/ColorEditWnd.h"

#include <Qsci/qscilexersql.h>

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"
#include "sompel/Colorizer.h"
#include "testsupport/TestEnv.h"

namespace {

// Whether the glyphs of `font` all take the same room, as an editor font's must; measured, since
// QFontInfo::fixedPitch() is false for some installed monospace fonts.
bool MeasuresFixedPitch(const QFont& font) {
  const QFontMetricsF metrics(font);
  const qreal narrow = metrics.horizontalAdvance(QStringLiteral("iiii"));
  return narrow > 0 && qFuzzyCompare(narrow, metrics.horizontalAdvance(QStringLiteral("WWWW"))) &&
         qFuzzyCompare(narrow, metrics.horizontalAdvance(QStringLiteral("mmmm")));
}

TEST(ColorEditWnd, FreshTextStartsANewDocumentAndAnEditCanBeUndone) {
  CColorEditWnd editor;
  editor.LoadText(QStringLiteral("select 1"));
  EXPECT_EQ(editor.Text(), "select 1");
  EXPECT_FALSE(editor.isModified());
  EXPECT_FALSE(editor.isUndoAvailable()) << "a loaded task's script is not an edit";

  editor.LoadText(QStringLiteral("select 2"), CColorEditWnd::LoadMode::kAsEdit);
  EXPECT_EQ(editor.Text(), "select 2");
  EXPECT_TRUE(editor.isModified());
  editor.undo();
  EXPECT_EQ(editor.Text(), "select 1");
}

TEST(ColorEditWnd, LinesComeWithoutTheirEnds) {
  CColorEditWnd editor;
  editor.LoadText(QStringLiteral("a\r\nb\nc\r"));
  EXPECT_EQ(editor.Lines(), (std::vector<std::wstring>{L"a", L"b", L"c", L""}));
  editor.LoadText(QString());
  EXPECT_EQ(editor.Lines(), std::vector<std::wstring>{L""});
  editor.LoadText(QStringLiteral("Zoë"));
  EXPECT_EQ(editor.Lines(), std::vector<std::wstring>{L"Zoë"});
}

TEST(ColorEditWnd, FilesAreDecodedAsEveryTextFileOfTheProgram) {
  const std::wstring utf16 = testsupport::NewScratchPath(L"utf16.sql");
  ASSERT_TRUE(platform::WriteTextFileUtf16Le(utf16, L"select 'Zoë'\r\n"));
  const std::wstring latin1 = testsupport::NewScratchPath(L"latin1.sql");
  ASSERT_TRUE(platform::WriteFileBytes(latin1, "select 'caf\xe9'"));  // not valid UTF-8

  CColorEditWnd editor;
  EXPECT_EQ(editor.LoadFile(utf16), L"");
  EXPECT_EQ(editor.Text(), QStringLiteral("select 'Zoë'\r\n"));
  EXPECT_FALSE(editor.isUndoAvailable());
  std::wstring text;
  EXPECT_TRUE(platform::ReadUserTextFile(latin1, text));
  EXPECT_EQ(text, L"select 'café'");
}

TEST(ColorEditWnd, AFileThatCannotBeReadLeavesTheTextAndSaysWhy) {
  CColorEditWnd editor;
  editor.LoadText(QStringLiteral("kept"));
  const std::wstring missing = testsupport::NewScratchPath(L"missing.sql");
  const std::wstring error = editor.LoadFile(missing);
  EXPECT_NE(error.find(L"missing.sql"), std::wstring::npos) << platform::ToUtf8(error);
  EXPECT_EQ(editor.LoadFile(testsupport::ScratchFolder()).empty(), false) << "a folder is no script";
  EXPECT_EQ(editor.Text(), "kept");

  std::wstring text = L"untouched";
  std::wstring why;
  EXPECT_FALSE(platform::ReadUserTextFile(missing, text, &why));
  EXPECT_EQ(text, L"untouched");
  EXPECT_FALSE(why.empty());
}

// Positions count characters, although the editor keeps UTF-8 bytes.
TEST(ColorEditWnd, CaretAndSelectionCountCharacters) {
  CColorEditWnd editor;
  editor.LoadText(QStringLiteral("äöü abc"));
  editor.SetSelection(1, 3);
  EXPECT_EQ(editor.selectedText(), "öü");
  editor.ReplaceSelection(QStringLiteral("X"));
  EXPECT_EQ(editor.Text(), "äX abc");
  EXPECT_EQ(editor.CaretPosition(), 2);

  editor.SetSelection(2, 2);
  editor.ReplaceSelection(QStringLiteral("€"));
  EXPECT_EQ(editor.Text(), "äX€ abc") << "no selection: inserted at the caret";
  EXPECT_EQ(editor.CaretPosition(), 3);

  editor.SetSelection(4, 100);
  EXPECT_EQ(editor.selectedText(), "abc") << "a position past the end is the end";
  editor.SetSelection(-5, 1);
  EXPECT_EQ(editor.selectedText(), "ä");
}

TEST(ColorEditWnd, ColoursComeFromTheColorizerWithAFixedPitchFont) {
  CColorEditWnd editor;
  EXPECT_EQ(editor.lexer(), nullptr) << "plain text until a colouriser is given";
  CColorizer colorizer;
  colorizer.Keyword = QColor(0x12, 0x34, 0x56);
  editor.SetColorizer(colorizer);
  auto* lexer = qobject_cast<QsciLexerSQL*>(editor.lexer());
  ASSERT_NE(lexer, nullptr);
  EXPECT_EQ(lexer->color(QsciLexerSQL::Keyword), colorizer.Keyword);
  EXPECT_TRUE(MeasuresFixedPitch(lexer->font(QsciLexerSQL::Default)));
}

TEST(ColorEditWnd, AProportionalFamilyGivesWayToAFixedPitchFont) {
  // DejaVu Sans comes with the font packages the window installs; any proportional family shows
  // the same.
  const QFont asked(QStringLiteral("DejaVu Sans"));
  if (MeasuresFixedPitch(asked)) GTEST_SKIP() << "no proportional font installed";
  EXPECT_TRUE(MeasuresFixedPitch(CColorEditWnd::EditorFont(QStringLiteral("DejaVu Sans"), 12)));
  EXPECT_EQ(12, CColorEditWnd::EditorFont(QStringLiteral("DejaVu Sans"), 12).pointSize());
}

}  // namespace
