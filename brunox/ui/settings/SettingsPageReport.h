#pragma once
// The "Reporting Options" page: the execution report's title, labels, language and character
// set, and which columns and task rows it shows. A view over the report store of g_settings: it
// shows the store when it is shown and writes (and saves) the store when it is left.
#include <vector>

#include "brunox/ui/settings/SettingsBindings.h"
#include "brunox/ui/common/TitledPage.h"

class CHistCBox;
class QPushButton;

class SettingsPageReport : public CTitledPage {
  Q_OBJECT

 public:
  explicit SettingsPageReport(QWidget* parent = nullptr);
  ~SettingsPageReport() override;

  // Every control from the store; a language or character set not in its list is added to it.
  void LoadFromProject() override;
  // Every control into the store, which is saved at once; the texts of the language and
  // character-set boxes are remembered in their histories. Does nothing before the page has
  // been loaded.
  void StoreToProject() override;

  QLineEdit* TitleEdit() const { return title_; }
  QLineEdit* ProfileEdit() const { return profile_; }
  CHistCBox* LanguageCombo() const { return language_; }
  CHistCBox* CharsetCombo() const { return charset_; }
  QCheckBox* ShowSqlBox() const { return showSql_; }
  // The column and task-row check boxes, in the order of their keys in the store.
  const std::vector<QCheckBox*>& ContentBoxes() const { return contents_; }
  QPushButton* SaveButton() const { return save_; }

 private:
  SettingsBindings bindings_;
  QLineEdit* title_;
  QLineEdit* profile_;
  CHistCBox* language_;
  CHistCBox* charset_;
  QCheckBox* showSql_;
  std::vector<QCheckBox*> contents_;
  QPushButton* save_;
  bool loaded_ = false;
};
