#pragma once
// A combo box that remembers the texts entered in it: under a history name, the most recently
// used texts come first (at most kMaxHistory of them) and are kept in "history.ini" in the
// settings folder, so every combo of the same name, now or in a later program start, offers them.
// Preset texts follow the history when it does not hold them already. A combo without a history
// name keeps nothing (a plain list whose items may carry data).
#include <QComboBox>
#include <QStringList>
#include <QVariant>

class CHistCBox : public QComboBox {
  Q_OBJECT

 public:
  static constexpr int kMaxHistory = 20;

  explicit CHistCBox(QWidget* parent = nullptr);
  ~CHistCBox() override;

  // Fills the list with the texts remembered under `name`, then `presets`.
  void SetHistory(const QString& name, const QStringList& presets = {});
  const QString& HistoryName() const { return name_; }

  // Selects `text`, adding it at the top when the list does not hold it (compared with case); an
  // empty text selects nothing.
  void SelectText(const QString& text);
  QString CurrentText() const { return currentText(); }
  // Selects the first item with `data`; false (selection unchanged) when there is none.
  bool SelectByData(const QVariant& data);
  // Puts the current text first in the history and keeps it; empty texts are not remembered.
  void Remember();

  // The texts remembered under `name`, most recent first.
  static QStringList History(const QString& name);
  // The file the histories are kept in.
  static QString HistoryFile();

 private:
  void Fill(const QStringList& texts);

  QString name_;
  QStringList presets_;
};
