#pragma once
// The look of the window's long read-only lists (run rows, executed statements, tasks): whole-row
// selection, grid lines, one fixed row height so that the view never measures its rows, columns
// the user sizes and a last column that fills the rest.
#include <span>

class QTableView;

void SetUpRowList(QTableView& list);

// The column widths the user gave a list, kept in the main settings store under `keys` (one per
// column). A column without a stored width (or with one <= 0) takes its entry of `defaults`, or
// keeps its width when `defaults` is empty. Nothing happens without settings.
void LoadColumnWidths(QTableView& list, std::span<const wchar_t* const> keys,
                      std::span<const int> defaults = {});
void StoreColumnWidths(const QTableView& list, std::span<const wchar_t* const> keys);
