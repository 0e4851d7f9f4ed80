#pragma once
// The look of the window's long read-only lists (run rows, executed statements): whole-row
// selection, grid lines, one fixed row height so that the view never measures its rows, columns
// the user sizes.
class QTableView;

void SetUpRowList(QTableView& list);
