#pragma once
// What a tab of the task dialog may ask of the dialog: the connection the task's statements are
// tested on, and the connection line. Tabs are given this, never the dialog's class, so that the
// dialog and its tabs do not include each other. The task dialog implements it.
class CColorizer;
class CDB;
struct CONN_INFO;

class TaskPageHost {
 public:
  // The connection the task's statements are tested on: the main connection, the dialog's own,
  // or null when the own one could not be opened.
  virtual CDB* Connection() const = 0;
  // (Re)connects the dialog's own connection with `info` and gives it to the task; false when
  // that failed (the failure has been shown).
  virtual bool ConnectOwn(const CONN_INFO& info) = 0;
  // The connection line at the bottom: the description of the task's connection.
  virtual void ShowConnection() = 0;
  // The colours of the program's SQL editors.
  virtual const CColorizer& Colorizer() const = 0;

 protected:
  // Never deleted through this interface: the dialog owns its tabs.
  ~TaskPageHost() = default;
};
