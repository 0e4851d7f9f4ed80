#pragma once
// What the SourceSafe setup dialog does, without the widgets: the fields the dialog shows, the
// project list, the "<<" and "Test" buttons, the browse buttons and the checks of OK. The dialog
// only copies its controls into `fields` before an action and back afterwards.
//
// "<<" and "Test" try the connection through the back end's Settings; Cancel puts the settings
// the back end had before the dialog back, so a cancelled dialog changes nothing.
#include <string>
#include <vector>

#include "wexal/WexalExport.h"

class wexalVSS;

namespace wexal {

struct SetupFields {
  std::wstring databaseFile;
  std::wstring user;
  std::wstring password;
  std::wstring localFolder;
  std::wstring project;
};

class WEXAL_EXPORT SetupDialogModel {
 public:
  // Starts from the back end's settings; an empty database file is taken from the default one.
  explicit SetupDialogModel(wexalVSS& vss);

  SetupFields fields;
  std::vector<std::wstring> projects;  // filled by FillProjects

  // "<<": true when the project list was filled; else the error was shown ("VSS error").
  bool FillProjects();
  // "Test": true when the connection works; either way the user was told.
  bool Test();
  // "&Browse..." and "Browse...": true when the user chose a file or folder.
  bool BrowseDatabase();
  bool BrowseLocalFolder();
  // OK: false with the reason shown when a field is missing; true once the fields are
  // applied to the back end.
  bool Accept();
  // Cancel: the back end gets back the settings it had before the dialog.
  void Cancel();

 private:
  wexalVSS& vss_;
  SetupFields original_;
};

}  // namespace wexal
