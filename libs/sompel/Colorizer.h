#pragma once
// SQL colouring for QScintilla editors: keywords, strings, numbers, comments and identifiers in
// the colours this object holds, the same in every SQL editor of the program.
#include <QColor>
#include <QFont>

class QsciScintilla;
class _Settings;

class CColorizer {
 public:
  CColorizer();

  // The store the colours may be read from (keys that are not registered keep the defaults).
  void SetSettings(_Settings* store);
  bool Highlight = true;

  // Gives `editor` an SQL lexer in this colouriser's colours (or plain text when Highlight is
  // off) with `font`.
  void Apply(QsciScintilla& editor, const QFont& font) const;

  QColor Keyword, String, Number, Comment, Operator, Identifier, Text, Background;

 private:
  _Settings* store_ = nullptr;
};
