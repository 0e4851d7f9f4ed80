#include "sompel/AboutDlg.h"

CAboutDlg::CAboutDlg(QWidget* parent) : CSmDialog(parent, QStringLiteral("About")) {}
void CAboutDlg::Init(_Settings*, const QIcon& icon, const QString& title) {
  setWindowIcon(icon);
  setWindowTitle(title);
}
