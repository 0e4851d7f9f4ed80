#pragma once
// The navigation tree on the left of the main window: every item stands for one page (its data
// is a PageIndex), and choosing an item asks the window to show that page.
#include <QTreeWidget>

class CStrModes : public QTreeWidget {
  Q_OBJECT

 public:
  explicit CStrModes(QWidget* parent = nullptr);
  ~CStrModes() override;

  // Makes the item of `page` the current one (which emits PageChosen when it changes).
  void SelectPage(int page);
  // The execution console, where a run is watched.
  void SelectConsole();
  // The page of the current item; -1 when none is current.
  int SelectedPage() const;
  QTreeWidgetItem* ItemOf(int page);
  // Makes `page`'s item the current and the only selected one.
  void ShowAsSelected(int page);

 signals:
  void PageChosen(int page);

 private:
  void Build();
};
