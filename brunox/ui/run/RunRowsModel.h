#pragma once
// The execution console's list as a table model over RunRows: it holds no copy of the rows, only
// the number of rows it has announced to its views and the check marks the user set.
//
// Rows change under the model from other threads; the model sees them only in Refresh (GUI
// thread), which announces new rows and, when the rows' version moved, repaints the cells.
#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "brunox/ui/run/RunRows.h"

class RunRowsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kTask = 0, kThread = 1, kStatus = 2, kExecuted = 3, kColumnCount = 4 };

  explicit RunRowsModel(const RunRows& rows, QObject* parent = nullptr);
  ~RunRowsModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // Brings the views up to the rows: new rows inserted, the cells repainted when anything changed.
  void Refresh();
  // The rows were emptied: the views forget every row and check mark.
  void Reset();

  bool IsChecked(int row) const;
  void SetChecked(int row, bool checked);
  QList<int> CheckedRows() const;

  // The text of a row's status: "Prepared", "Running", ..., "" for a value without a text.
  static QString StatusText(int status);

 private:
  const RunRows& rows_;
  int shownRows_ = 0;
  std::uint64_t shownVersion_ = 0;
  std::vector<bool> checked_;  // one per shown row
};
