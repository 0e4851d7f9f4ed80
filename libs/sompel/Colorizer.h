#pragma once
// SQL colouring for QScintilla editors: keywords, strings, numbers, comments and identifiers in
// the colours this object holds, the same in every SQL editor of the program.
#include <QColor>
#include <QFont>

class QsciScintilla;
class _Settings;

class CColorizer {
 public:
  // Colours readable on a light background.
  CColorizer();

  // The settings store of the editors this colouriser serves. The colours are not kept in it:
  // they are the public members below, which the owner may change before calling Apply.
  void SetSettings(_Settings* store);
  _Settings* Settings() const { return store_; }
  bool Highlight = true;

  // Gives `editor` an SQL lexer in this colouriser's colours (or plain text when Highlight is
  // off) with `font`. A lexer an earlier Apply gave the editor is replaced and deleted; the new
  // one belongs to the editor.
  void Apply(QsciScintilla& editor, const QFont& font) const;

  QColor Keyword, String, Number, Comment, Operator, Identifier, Text, Background;

 private:
  _Settings* store_ = nullptr;
};
