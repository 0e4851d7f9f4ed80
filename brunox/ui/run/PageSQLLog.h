#pragma once
// The "Executed Statements" page: the executed-statement log of the last run as a read-only
// table, read again from the file each time the page is shown. The column widths are kept in the
// settings.
#include <string>

#include "brunox/ui/common/TitledPage.h"

class QTableView;
class StatementLogModel;

class PageSQLLog : public CTitledPage {
  Q_OBJECT

 public:
  explicit PageSQLLog(QWidget* parent = nullptr);
  // Keeps the column widths in the settings.
  ~PageSQLLog() override;

  // Shows the page and reads the log.
  void Activate() override;
  // Keeps the column widths, then hides the page.
  void Deactivate() override;

  // Reads the log of the last run: the file the runner wrote from the project's log name, else
  // that name expanded as the runner expands it. A missing file is reported and the table keeps
  // its rows.
  void ReadLog();
  // The column widths from the settings (at construction, and after the settings were imported).
  void LoadColumnWidths();
  // The file ReadLog reads.
  static std::wstring LogPath();

  QTableView* List() const { return list_; }
  StatementLogModel* Model() const { return model_; }

 private:
  void StoreColumnWidths() const;

  StatementLogModel* model_;
  QTableView* list_;
};
