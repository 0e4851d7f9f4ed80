#pragma once
// The project's properties: its description (note and author), the files a run writes (the
// executed-statement log and the three execution reports) and whether the HTML report opens by
// itself after a run. The controls are a copy of those project fields: LoadFromProject fills
// them, StoreToProject writes back each value that differs and then reports the edit once.
#include <QString>
#include <array>
#include <functional>
#include <string>

#include "brunox/ui/common/TitledPage.h"

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// How the project pages store a control's value: `field` takes `value` only when they differ,
// and the result says whether it did (the page marks the project modified when any did).
template <typename T>
bool StoreIfDifferent(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

class PageProps : public CTitledPage {
  Q_OBJECT

 public:
  // The files of a run, in the order the page shows them.
  enum File { kStatementLog, kHtmlReport, kTextReport, kInternalReport, kFileCount };

  // `modified` is called once for every store that changed the project; may be empty.
  explicit PageProps(std::function<void()> modified, QWidget* parent = nullptr);
  ~PageProps() override;

  void LoadFromProject() override;
  void StoreToProject() override;

  QCheckBox* OpenReportCheck() const { return openReport_; }
  QLineEdit* FileEdit(File file) const { return files_[file].edit; }
  QPushButton* BrowseButton(File file) const { return files_[file].browse; }
  QPlainTextEdit* NoteEdit() const { return note_; }
  QLineEdit* AuthorEdit() const { return author_; }

 private:
  struct FileRow {
    QLineEdit* edit = nullptr;
    QPushButton* browse = nullptr;
  };

  void AddFileRow(QGridLayout& grid, int row, File file, const QString& label);
  void Browse(File file);

  // What the controls held when they were last loaded or stored. Only what the user changed
  // since then is written back, so a value the window itself put into the project (a report
  // name made for a run) is never overwritten by an older one the page still shows.
  struct Shown {
    int openReport = 0;
    std::array<std::wstring, kFileCount> files;
    std::wstring note, author;
  };
  Shown ShownNow() const;

  std::function<void()> modified_;
  Shown shown_;
  QCheckBox* openReport_;
  std::array<FileRow, kFileCount> files_;
  QPlainTextEdit* note_;
  QLineEdit* author_;
};
