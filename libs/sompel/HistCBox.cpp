#include "sompel/HistCBox.h"

#include <QSettings>

#include "platform/Folders.h"
#include "platform/TextFile.h"

namespace {

// One array per history name; an array keeps each text whole, commas and blanks included.
const QString kItems = QStringLiteral("Items");
const QString kText = QStringLiteral("Text");

void Store(const QString& name, const QStringList& texts) {
  QSettings store(CHistCBox::HistoryFile(), QSettings::IniFormat);
  store.beginGroup(name);
  store.remove(QString());
  store.beginWriteArray(kItems, static_cast<int>(texts.size()));
  for (int i = 0; i < texts.size(); ++i) {
    store.setArrayIndex(i);
    store.setValue(kText, texts[i]);
  }
  store.endArray();
  store.endGroup();
}

}  // namespace

CHistCBox::CHistCBox(QWidget* parent) : QComboBox(parent) {
  setInsertPolicy(QComboBox::NoInsert);  // entered texts join the list through Remember only
}

CHistCBox::~CHistCBox() = default;

QString CHistCBox::HistoryFile() {
  return QString::fromStdWString(platform::JoinPath(platform::ConfigFolder(), L"history.ini"));
}

QStringList CHistCBox::History(const QString& name) {
  QStringList texts;
  if (name.isEmpty()) return texts;
  QSettings store(HistoryFile(), QSettings::IniFormat);
  store.beginGroup(name);
  const int count = store.beginReadArray(kItems);
  for (int i = 0; i < count && texts.size() < kMaxHistory; ++i) {
    store.setArrayIndex(i);
    const QString text = store.value(kText).toString();
    if (!text.isEmpty() && !texts.contains(text)) texts << text;
  }
  store.endArray();
  store.endGroup();
  return texts;
}

void CHistCBox::SetHistory(const QString& name, const QStringList& presets) {
  name_ = name;
  presets_ = presets;
  Fill(History(name_));
}

void CHistCBox::Fill(const QStringList& texts) {
  const QString shown = currentText();
  QStringList all = texts;
  for (const QString& preset : presets_)
    if (!all.contains(preset)) all << preset;
  clear();
  addItems(all);
  if (!shown.isEmpty()) SelectText(shown);
}

void CHistCBox::SelectText(const QString& text) {
  if (text.isEmpty()) {  // nothing to select, and no empty item to add
    setCurrentIndex(-1);
    if (isEditable()) setEditText(text);
    return;
  }
  int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    insertItem(0, text);
    index = 0;
  }
  setCurrentIndex(index);
  if (isEditable()) setEditText(text);
}

bool CHistCBox::SelectByData(const QVariant& data) {
  const int index = findData(data);
  if (index < 0) return false;
  setCurrentIndex(index);
  return true;
}

void CHistCBox::Remember() {
  const QString text = currentText();
  if (name_.isEmpty() || text.isEmpty()) return;
  // Another combo of the same name may have remembered texts since this one was filled.
  QStringList texts = History(name_);
  texts.removeAll(text);
  texts.prepend(text);
  while (texts.size() > kMaxHistory) texts.removeLast();
  Store(name_, texts);
  Fill(texts);
}
