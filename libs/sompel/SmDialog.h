#pragma once
// The base of the program's dialogs: a QDialog that remembers its size and position under a
// layout name (file "layout.ini" in the settings folder, one section per layout name).
#include <QDialog>
#include <QString>
#include <functional>
#include <string>

class CSmDialog : public QDialog {
  Q_OBJECT

 public:
  // An empty layout name keeps no layout.
  explicit CSmDialog(QWidget* parent = nullptr, const QString& layoutName = {});
  ~CSmDialog() override;

  const QString& LayoutName() const { return layoutName_; }
  // Restores the saved size and position; false when none was saved (the window keeps its own).
  bool LoadLayout();
  void SaveLayout() const;
  // The file the layouts are kept in.
  static QString LayoutFile();

  // F1 opens the help page `topic`, or the one `topic` names when F1 is pressed (for a dialog
  // whose page depends on what it shows). Without either F1 does nothing here.
  void SetHelpTopic(const std::wstring& topic);
  void SetHelpTopic(std::function<std::wstring()> topic);

 protected:
  void done(int result) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString layoutName_;
  std::function<std::wstring()> helpTopic_;
};
