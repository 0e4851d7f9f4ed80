#pragma once
// The base of the pages that edit one generated statement parameter. Each page shows the settings
// of one way of generating values and turns them into the record's value pattern (PropTempl),
// which the data generator evaluates for every execution. The parameters tab shows one page at a
// time and moves records in and out of it.
#include <QWidget>

#include "brunox/engine/project/TaskParam.h"

class QGridLayout;
class QLineEdit;

class OptionPage : public QWidget {
  Q_OBJECT

 public:
  explicit OptionPage(QWidget* parent = nullptr);
  ~OptionPage() override;

  // Record → controls. Only reads: the record's method and pattern stay as they are until it is
  // stored, so looking at a parameter and cancelling changes nothing.
  virtual void LoadParam(const TaskParam& param) = 0;
  // Controls → record: the page's own fields, then the method and the pattern built from them.
  virtual void StoreParam(TaskParam& param) = 0;
  // What StoreParam would make of `param`, without anything else it does (such as remembering
  // an entry in a history list): the pattern line shows it while the user edits.
  virtual void PreviewParam(TaskParam& param) { StoreParam(param); }

 protected:
  // The page's controls go into this grid; a stretch below keeps them at the top.
  QGridLayout* Grid() const { return grid_; }
  // A one-line edit named `name` with `label` before it, on row `row` of the grid.
  QLineEdit* AddEdit(int row, const QString& label, const QString& name);
  // The integer a bound edit shows: its leading number, 0 when it does not start with one.
  static int NumberIn(const QLineEdit& edit);
  static QString Text(int value) { return QString::number(value); }

 private:
  QGridLayout* grid_;
};
