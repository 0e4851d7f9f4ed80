#pragma once
// The error dialog of a failing script statement: the driver's error text and the statement,
// both selectable so they can be copied.
#include <QString>

#include "sompel/SmDialog.h"

class CErrorDlg : public CSmDialog {
  Q_OBJECT

 public:
  CErrorDlg(const QString& errorText, const QString& statement, QWidget* parent = nullptr);
  QString ErrorText() const { return errorText_; }
  QString Statement() const { return statement_; }

 private:
  QString errorText_;
  QString statement_;
};
