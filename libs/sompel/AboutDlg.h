#pragma once
// The About dialog: program title, version, icon, where the settings and the log are kept.
#include <QIcon>
#include <QString>

#include "sompel/SmDialog.h"

class _Settings;

class CAboutDlg : public CSmDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  void Init(_Settings* mainSettings, const QIcon& icon, const QString& title);
};
