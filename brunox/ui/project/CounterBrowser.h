#pragma once
// Lets the user pick a performance counter from those the program can sample on this machine:
// the counters grouped by their object ("Processor(_Total)", "Memory", ...), the full path of
// the one chosen shown below. Double-clicking a counter chooses it at once.
#include <QString>
#include <string>
#include <vector>

#include "sompel/SmDialog.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CounterBrowser : public CSmDialog {
  Q_OBJECT

 public:
  // `paths`: the counter paths offered ("\object[(instance)]\counter"); `current`: the path the
  // caller has now, selected when it is among them.
  CounterBrowser(const std::vector<std::wstring>& paths, const QString& current,
                 QWidget* parent = nullptr);
  ~CounterBrowser() override;

  // The path of the selected counter; "" when an object (or nothing) is selected.
  QString ChosenPath() const;
  // Selects the counter with this path; false when it is not offered.
  bool Select(const QString& path);

  QTreeWidget* Tree() const { return tree_; }

 private:
  void OnSelectionChanged();
  void OnActivated(QTreeWidgetItem* item);

  QTreeWidget* tree_;
  QLabel* path_;
  QPushButton* ok_;
};
