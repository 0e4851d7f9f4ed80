#pragma once
// The performance-counter page: the project's five counter slots (enabled, machine, counter path,
// report title), the counters report file, whether the samples also go into the statement log
// and the text report, and a test that opens the enabled counters at once and says how it went.
#include <QString>
#include <array>
#include <functional>

#include "brunox/engine/project/Project.h"
#include "brunox/ui/common/TitledPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class PagePlugin2 : public CTitledPage {
  Q_OBJECT

 public:
  // The controls of one counter slot. Unchecking the row disables the others but keeps their
  // texts, which are still stored with the slot.
  struct SlotRow {
    QCheckBox* enabled = nullptr;
    QLineEdit* machine = nullptr;
    QComboBox* counter = nullptr;  // editable; lists the suggested counter paths
    QPushButton* browse = nullptr;
    QLineEdit* title = nullptr;
  };

  // `modified` is called once for every store that changed the project; may be empty.
  explicit PagePlugin2(std::function<void()> modified, QWidget* parent = nullptr);
  ~PagePlugin2() override;

  void LoadFromProject() override;
  void StoreToProject() override;

  // Stores the page, opens the enabled counters and tells the result in a message box captioned
  // "Test" (an error icon when any counter failed or none is enabled).
  void Test();
  // Lets the user pick the counter of `slot` from those this computer can sample.
  void BrowseCounter(int slot);

  const SlotRow& Row(int slot) const { return rows_[slot]; }
  QCheckBox* ReportCheck() const { return report_; }
  QLineEdit* ReportPath() const { return reportPath_; }
  QPushButton* ReportBrowse() const { return reportBrowse_; }
  QCheckBox* AddToSqlCheck() const { return addToSql_; }
  QCheckBox* AddToTextCheck() const { return addToText_; }
  QPushButton* TestButton() const { return test_; }

 private:
  void BuildSlotRows();
  void BuildReportControls();
  void EnableRow(int slot);
  void EnableReport();

  // What the controls hold, as the project fields they edit. Only what changed since the page
  // was last loaded or stored is written back, so values the program put into the project in the
  // meantime are not overwritten by older ones the page still shows.
  struct Values {
    int isReport = 0, isSql = 0, isText = 0;
    std::wstring report;
    std::array<int, Project::kCounterSlots> enabled{};
    std::array<std::wstring, Project::kCounterSlots> machine, name, title;
  };
  Values ShownNow() const;

  std::function<void()> modified_;
  Values shown_;
  std::array<SlotRow, Project::kCounterSlots> rows_;
  QCheckBox* report_ = nullptr;
  QLineEdit* reportPath_ = nullptr;
  QPushButton* reportBrowse_ = nullptr;
  QCheckBox* addToSql_ = nullptr;
  QCheckBox* addToText_ = nullptr;
  QPushButton* test_ = nullptr;
};
