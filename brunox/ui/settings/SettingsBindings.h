#pragma once
// What the settings pages share: the plain bindings between a page's controls and one store of
// g_settings (check boxes as 0/1, number boxes as integers, line edits as text), the store's save,
// and the combo boxes whose text is the stored value.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "brunox/engine/settings/SettingsStores.h"

class SettingsBindings {
 public:
  explicit SettingsBindings(int store) : store_(store) {}

  void Bind(QCheckBox* box, const wchar_t* key) { bindings_.push_back({box, key}); }
  void Bind(QSpinBox* box, const wchar_t* key) { bindings_.push_back({box, key}); }
  void Bind(QLineEdit* edit, const wchar_t* key) { bindings_.push_back({edit, key}); }

  // Store -> controls. Nothing without settings.
  void Load() const {
    if (!g_settings) return;
    for (const Binding& b : bindings_) {
      if (auto* box = std::get_if<QCheckBox*>(&b.control))
        (*box)->setChecked(g_settings->getInt(store_, b.key) != 0);
      else if (auto* number = std::get_if<QSpinBox*>(&b.control))
        (*number)->setValue(g_settings->getInt(store_, b.key));
      else if (auto* edit = std::get_if<QLineEdit*>(&b.control))
        (*edit)->setText(QString::fromStdWString(g_settings->getStr(store_, b.key)));
    }
  }

  // Controls -> store, without saving.
  void Store() const {
    if (!g_settings) return;
    for (const Binding& b : bindings_) {
      if (auto* box = std::get_if<QCheckBox*>(&b.control))
        g_settings->setInt(store_, b.key, (*box)->isChecked() ? 1 : 0);
      else if (auto* number = std::get_if<QSpinBox*>(&b.control))
        g_settings->setInt(store_, b.key, (*number)->value());
      else if (auto* edit = std::get_if<QLineEdit*>(&b.control))
        g_settings->setStr(store_, b.key, (*edit)->text().toStdWString());
    }
  }

  // Writes the store to the settings file, so that what the page shows survives a crash too.
  void Save() const {
    if (CSettingsPage* store = g_settings ? g_settings->Page(store_) : nullptr) store->SaveData();
  }

  int StoredInt(const wchar_t* key) const {
    return g_settings ? g_settings->getInt(store_, key) : 0;
  }
  QString StoredText(const wchar_t* key) const {
    return g_settings ? QString::fromStdWString(g_settings->getStr(store_, key)) : QString();
  }
  void SetInt(const wchar_t* key, int value) const {
    if (g_settings) g_settings->setInt(store_, key, value);
  }
  void SetText(const wchar_t* key, const QString& value) const {
    if (g_settings) g_settings->setStr(store_, key, value.toStdWString());
  }

 private:
  struct Binding {
    std::variant<QCheckBox*, QSpinBox*, QLineEdit*> control;
    std::wstring key;
  };
  int store_;
  std::vector<Binding> bindings_;
};

// A number box for a setting: whole numbers from `low` to `high`.
inline QSpinBox* SettingNumberBox(int low, int high, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(low, high);
  box->setAlignment(Qt::AlignRight);
  return box;
}
