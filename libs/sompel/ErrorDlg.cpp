#include "sompel/ErrorDlg.h"

CErrorDlg::CErrorDlg(const QString& errorText, const QString& statement, QWidget* parent)
    : CSmDialog(parent, QStringLiteral("ErrorDlg")), errorText_(errorText), statement_(statement) {}
