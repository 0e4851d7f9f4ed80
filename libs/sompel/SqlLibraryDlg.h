#pragma once
// The SQL library: the script files (*.sql) below a root folder, as a tree of folders and files,
// with a read-only preview of the file chosen and the way its text is to go into the editor.
#include <string>

#include "sompel/SmDialog.h"

class CColorEditWnd;
class CColorizer;
class QButtonGroup;
class QDialogButtonBox;
class QLabel;
class QShowEvent;
class QTreeWidget;
class QTreeWidgetItem;

class CSqlLibraryDlg : public CSmDialog {
  Q_OBJECT

 public:
  enum InsertMode { kInsertAtCaret = 0, kReplaceText = 1, kAppendText = 2 };

  explicit CSqlLibraryDlg(QWidget* parent = nullptr);
  ~CSqlLibraryDlg() override;

  // The folder listed when the dialog opens; it is read afresh at every opening.
  void SetRootFolder(const std::wstring& folder);
  const std::wstring& RootFolder() const { return root_; }
  // Colours of the preview.
  void SetColorizer(const CColorizer& colorizer);

  // Lists the root folder again (done each time the dialog opens).
  void Refresh();
  // Chooses the listed file `path`; false when the tree does not list it.
  bool SelectFile(const std::wstring& path);
  void SetInsertionMode(int mode);

  // After OK: the chosen file (full path; "" until a showing ends with OK) and one of InsertMode.
  const std::wstring& ChosenFile() const { return chosen_; }
  int InsertionMode() const;

  // What the dialog shows, for tests.
  QTreeWidget* Tree() const { return tree_; }
  CColorEditWnd* Preview() const { return preview_; }
  QString FolderText() const;

 protected:
  void accept() override;
  void showEvent(QShowEvent* event) override;

 private:
  void ShowSelected();
  std::wstring SelectedFile() const;
  QTreeWidgetItem* FindFile(QTreeWidgetItem* parent, const QString& path) const;

  std::wstring root_;
  std::wstring chosen_;
  QTreeWidget* tree_ = nullptr;
  CColorEditWnd* preview_ = nullptr;
  QLabel* folder_ = nullptr;
  QButtonGroup* modes_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};
