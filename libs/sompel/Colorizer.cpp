#include "sompel/Colorizer.h"

CColorizer::CColorizer() = default;
void CColorizer::SetSettings(_Settings* store) { store_ = store; }
void CColorizer::Apply(QsciScintilla&, const QFont&) const {}
