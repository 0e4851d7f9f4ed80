#include "sompel/SmDialog.h"

#include <QKeyEvent>
#include <QSettings>

#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "sompel/SmApp.h"

namespace {

QString LayoutKey(const QString& layoutName) { return layoutName + QStringLiteral("/Geometry"); }

}  // namespace

CSmDialog::CSmDialog(QWidget* parent, const QString& layoutName)
    : QDialog(parent), layoutName_(layoutName) {}

CSmDialog::~CSmDialog() = default;

QString CSmDialog::LayoutFile() {
  return QString::fromStdWString(platform::JoinPath(platform::ConfigFolder(), L"layout.ini"));
}

bool CSmDialog::LoadLayout() {
  if (layoutName_.isEmpty()) return false;
  QSettings store(LayoutFile(), QSettings::IniFormat);
  const QByteArray geometry = store.value(LayoutKey(layoutName_)).toByteArray();
  return !geometry.isEmpty() && restoreGeometry(geometry);
}

void CSmDialog::SaveLayout() const {
  if (layoutName_.isEmpty()) return;
  QSettings store(LayoutFile(), QSettings::IniFormat);
  store.setValue(LayoutKey(layoutName_), saveGeometry());
}

void CSmDialog::done(int result) {
  SaveLayout();
  QDialog::done(result);
}

void CSmDialog::SetHelpTopic(const std::wstring& topic) {
  helpTopic_ = [topic] { return topic; };
}

void CSmDialog::SetHelpTopic(std::function<std::wstring()> topic) { helpTopic_ = std::move(topic); }

void CSmDialog::keyPressEvent(QKeyEvent* event) {
  if (helpTopic_ && event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    CSmApp::ShowHtmlHelp(helpTopic_());
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
