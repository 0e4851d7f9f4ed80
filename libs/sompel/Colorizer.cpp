#include "sompel/Colorizer.h"

#include <Qsci/qscilexersql.h>
#include <Qsci/qsciscintilla.h>

namespace {

// QsciLexerSQL has more styles than the colouriser has colours; each maps to the nearest.
// Double-quoted text is an identifier in standard SQL, so it is coloured like one.
QColor ColourOfStyle(const CColorizer& c, int style) {
  switch (style) {
    case QsciLexerSQL::Comment:
    case QsciLexerSQL::CommentLine:
    case QsciLexerSQL::CommentDoc:
    case QsciLexerSQL::PlusComment:
    case QsciLexerSQL::CommentLineHash:
    case QsciLexerSQL::CommentDocKeyword:
    case QsciLexerSQL::CommentDocKeywordError:
      return c.Comment;
    case QsciLexerSQL::Number:
      return c.Number;
    case QsciLexerSQL::Keyword:
    case QsciLexerSQL::PlusKeyword:
    case QsciLexerSQL::KeywordSet5:
    case QsciLexerSQL::KeywordSet6:
    case QsciLexerSQL::KeywordSet7:
    case QsciLexerSQL::KeywordSet8:
      return c.Keyword;
    case QsciLexerSQL::SingleQuotedString:
      return c.String;
    case QsciLexerSQL::DoubleQuotedString:
    case QsciLexerSQL::QuotedIdentifier:
    case QsciLexerSQL::Identifier:
      return c.Identifier;
    case QsciLexerSQL::Operator:
    case QsciLexerSQL::QuotedOperator:
      return c.Operator;
    default:
      return c.Text;
  }
}

bool IsKeywordStyle(int style) {
  return style == QsciLexerSQL::Keyword || style == QsciLexerSQL::PlusKeyword ||
         (style >= QsciLexerSQL::KeywordSet5 && style <= QsciLexerSQL::KeywordSet8);
}

// Removes a lexer that an earlier Apply left on the editor (it is the editor's child).
void DropOwnLexer(QsciScintilla& editor, QsciLexer* replacement) {
  QsciLexer* old = editor.lexer();
  editor.setLexer(replacement);
  if (old && old != replacement && old->parent() == &editor) delete old;
}

}  // namespace

CColorizer::CColorizer()
    : Keyword(0x00, 0x00, 0xa0),
      String(0xa3, 0x15, 0x15),
      Number(0x09, 0x86, 0x58),
      Comment(0x00, 0x80, 0x00),
      Operator(0x5a, 0x32, 0x00),
      Identifier(0x20, 0x20, 0x20),
      Text(0x00, 0x00, 0x00),
      Background(0xff, 0xff, 0xff) {}

void CColorizer::SetSettings(_Settings* store) { store_ = store; }

void CColorizer::Apply(QsciScintilla& editor, const QFont& font) const {
  if (!Highlight) {
    DropOwnLexer(editor, nullptr);
    editor.setFont(font);
    editor.setColor(Text);
    editor.setPaper(Background);
    return;
  }
  auto* lexer = new QsciLexerSQL(&editor);
  lexer->setDefaultFont(font);
  lexer->setDefaultColor(Text);
  lexer->setDefaultPaper(Background);
  lexer->setFont(font, -1);
  lexer->setPaper(Background, -1);
  constexpr int kLastStyle = 127;  // QScintilla's style numbers for lexers run 0..127
  for (int style = 0; style <= kLastStyle; ++style) {
    if (lexer->description(style).isEmpty()) continue;
    lexer->setColor(ColourOfStyle(*this, style), style);
    if (IsKeywordStyle(style)) {
      QFont bold = font;
      bold.setBold(true);
      lexer->setFont(bold, style);
    }
  }
  DropOwnLexer(editor, lexer);
}
