#pragma once
// Shows a row set read by ReadRowSet in a QTableWidget: column names as headers, NULL as a grey
// "(null)" that is told apart from the text "(null)" by kNullRole.
#include <Qt>

class QTableWidget;

namespace sompel {

struct RowSet;

// Item data role that is true on the cells of NULL values.
inline constexpr int kNullRole = Qt::UserRole + 1;

// Replaces the grid's contents with the row set.
void ShowRowSet(const RowSet& set, QTableWidget& grid);

// Empties the grid, headers included.
void ClearResultGrid(QTableWidget& grid);

}  // namespace sompel
