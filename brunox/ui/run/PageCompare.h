#pragma once
// The "Execution Report Comparison" page: the project's list of internal reports, the comparison
// report of the listed reports (written into one temporary file, shown on the page and saved
// under a chosen name on request), and the visualizer for the list.
#include <functional>
#include <string>
#include <vector>

#include "brunox/ui/common/TitledPage.h"

class QListWidget;
class QPushButton;
class QVBoxLayout;
class ReportBrowser;

class PageCompare : public CTitledPage {
  Q_OBJECT

 public:
  // `temporaryFolder`: a private folder for the comparison report. `modified` is called when the
  // list is edited (may be empty).
  PageCompare(std::function<std::wstring()> temporaryFolder, std::function<void()> modified,
              QWidget* parent = nullptr);
  ~PageCompare() override;

  // The list from the project's IniReports (empty entries are left out).
  void LoadFromProject() override;
  // The list into IniReports when it differs from it (letter case aside); that edit marks the
  // project modified.
  void StoreToProject() override;

  void OnAddReport();
  void OnCompare();
  void OnSaveReport();
  void OnVisualize();
  void OnRemove();
  void OnClearList();

  // The listed reports, in order.
  std::vector<std::wstring> Reports() const;
  // The comparison report written last ("" before the first).
  const std::wstring& LastReport() const { return lastReport_; }
  QListWidget* List() const { return list_; }
  ReportBrowser* Browser() const { return browser_; }

 private:
  QPushButton* AddButton(const QString& name, const QString& text, void (PageCompare::*slot)());
  void MarkModified() const;

  const std::function<std::wstring()> temporaryFolder_;  // made on first need
  const std::function<void()> modified_;
  QListWidget* list_;
  ReportBrowser* browser_;
  QVBoxLayout* buttons_;
  std::wstring lastReport_;
};
