#pragma once
// The About dialog: program title, version, icon, where the settings and the log are kept.
#include <QIcon>
#include <QString>

#include "sompel/SmDialog.h"

class QLabel;
class _Settings;

class CAboutDlg : public CSmDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  // Fills in the icon and the title; the folders and the log are read anew each time, since the
  // log may have been opened or moved since the last call.
  void Init(_Settings* mainSettings, const QIcon& icon, const QString& title);

  // The version shown, from the build.
  static QString Version();

 private:
  QLabel* icon_ = nullptr;
  QLabel* title_ = nullptr;
  QLabel* settingsFolder_ = nullptr;
  QLabel* logFile_ = nullptr;
};
