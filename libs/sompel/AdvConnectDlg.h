#pragma once
// The connection dialog: chooses how to connect (a data source name with user and password, or
// an ODBC connection string), lists the ODBC data sources and drivers, tests a connection, and
// saves and loads connection profiles (the files that -@ reads). It edits the Info of the
// CAdvConnect it is given, which keeps the last description used between connects.
#include <memory>

#include "kavra/ConnInfo.h"
#include "sompel/SmDialog.h"

class CAdvConnect;
class CDB;
class QShowEvent;

class CAdvConnectDlg : public CSmDialog {
  Q_OBJECT

 public:
  // Each time the dialog opens it shows connector.Info: set that to preset the controls.
  CAdvConnectDlg(CAdvConnect& connector, QWidget* parent = nullptr);
  ~CAdvConnectDlg() override;

  // The description the controls show now. Only the fields of the chosen kind are filled, so a
  // password typed for a data source does not travel with a connection string, and back.
  CONN_INFO Chosen() const;
  // Puts `info` into the controls.
  void Show(const CONN_INFO& info);

  // With a target, OK connects it with the controls' description and the dialog stays open,
  // showing the driver's message (also kept in LastConnectError), when that fails. Without one
  // (the default) OK only takes the description.
  void ConnectOnOk(CDB* target) { connectTarget_ = target; }
  QString LastConnectError;

  // Connects a scratch connection with the controls' description; true on success. The result
  // (the driver's text on failure) is shown in a message box and kept in LastTestText; success
  // also takes away the text of a connect that failed on OK.
  bool TestConnection();
  QString LastTestText;

  // Profile files: the [Connection] section of an ini file. Save returns false (and says why in
  // a message box) when the file cannot be written; Load when it holds no connection.
  bool SaveProfile(const QString& path);
  bool LoadProfile(const QString& path);

  // Makes the connection string name `driver`: its Driver attribute is replaced, or one is put
  // in front when it has none. A driver of another kind of database (a file such as SQLite's
  // against a server) starts a new string with that kind's attributes, empty.
  void InsertDriver(const QString& driver);
  // Lists the data sources and drivers again (done each time the dialog opens).
  void RefreshCatalog();

 protected:
  // OK takes the controls' description into the connector's Info (after connecting the
  // ConnectOnOk target).
  void accept() override;
  void showEvent(QShowEvent* event) override;

 private:
  struct Controls;
  void BuildControls();
  void KindChanged();
  // Shows the typed connection string with its passwords masked.
  void ShowConnString();
  void DescribeDataSource();
  void AskAndSaveProfile();
  void AskAndLoadProfile();

  CAdvConnect& connector_;
  std::unique_ptr<Controls> controls_;  // pointers into the widget tree
  DS_TYPE dsType_ = 0;                  // not edited here: kept from the description shown
  CDB* connectTarget_ = nullptr;        // not owned
};
