#pragma once
// The connection dialog: chooses how to connect (a data source name with user and password, or
// an ODBC connection string), lists the ODBC data sources and drivers, tests a connection, and
// saves and loads connection profiles (the files that -@ reads). It edits the Info of the
// CAdvConnect it is given, which keeps the last description used between connects.
#include <memory>

#include "kavra/ConnInfo.h"
#include "sompel/SmDialog.h"

class CAdvConnect;

class CAdvConnectDlg : public CSmDialog {
  Q_OBJECT

 public:
  CAdvConnectDlg(CAdvConnect& connector, QWidget* parent = nullptr);
  ~CAdvConnectDlg() override;

  // The description the controls show now.
  CONN_INFO Chosen() const;
  // Puts `info` into the controls.
  void Show(const CONN_INFO& info);

  // Connects a scratch connection with the controls' description; true on success. The result
  // (the driver's text on failure) is shown in a message box and kept in LastTestText.
  bool TestConnection();
  QString LastTestText;

  // Profile files: the [Connection] section of an ini file. Save returns false (and says why in
  // a message box) when the file cannot be written.
  bool SaveProfile(const QString& path);
  bool LoadProfile(const QString& path);

 protected:
  // OK takes the controls' description into the connector's Info.
  void accept() override;

 private:
  struct Controls;
  CAdvConnect& connector_;
  std::unique_ptr<Controls> controls_;  // pointers into the widget tree
};
