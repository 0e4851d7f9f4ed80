#pragma once
// Shows the row set of an executed statement in a QTableWidget: column names as headers, NULL as
// a grey "(null)" that is told apart from the text "(null)" by kNullRole.
#include <Qt>

class CDB;
class QTableWidget;

namespace sompel {

// Item data role that is true on the cells of NULL values.
inline constexpr int kNullRole = Qt::UserRole + 1;

struct GridFillResult {
  int rc = 0;              // 0, else the failing CDB result (the connection's ErrorText is set)
  int rows = 0;            // rows shown
  bool truncated = false;  // the row set had more rows than were shown
};

// Replaces the grid's contents with at most `maxRows` rows of the row set open on the
// connection's own statement; a value longer than `maxCellChars` is cut and ends in "...". The
// cursor is closed afterwards, also after a failure.
GridFillResult FillResultGrid(CDB& db, QTableWidget& grid, int maxRows, int maxCellChars);

// Empties the grid, headers included.
void ClearResultGrid(QTableWidget& grid);

}  // namespace sompel
