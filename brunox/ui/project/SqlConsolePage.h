#pragma once
// The SQL console page: the dialog library's SQL console on the main connection. Its text lives
// in the setting ConsoleSQL between visits and between program runs.
#include "brunox/ui/common/TitledPage.h"

class CColorizer;
class CRunSQL;

class CSqlConsolePage : public CTitledPage {
  Q_OBJECT

 public:
  CSqlConsolePage(const CColorizer* colorizer, QWidget* parent = nullptr);
  ~CSqlConsolePage() override;

  // Gives the console the main connection and the text kept in ConsoleSQL.
  void LoadFromProject() override;
  // The main connection has connected or disconnected: the console shows so at once.
  void ConnectionChanged();
  // Keeps the console's text in ConsoleSQL, once the console has been opened: a console never
  // shown must not overwrite the text kept from an earlier run.
  void StoreToProject() override;

  CRunSQL* Console() const { return console_; }
  bool WasOpened() const { return opened_; }

 private:
  CRunSQL* console_;
  bool opened_ = false;
};
