#pragma once
// The "Log File" page: the last rows of the program's log, newest at the bottom, read each time
// the page is shown.
#include "brunox/ui/common/TitledPage.h"

class QPlainTextEdit;

class PgLogView : public CTitledPage {
  Q_OBJECT

 public:
  explicit PgLogView(QWidget* parent = nullptr);
  ~PgLogView() override;

  // Shows the page with the log's last rows, scrolled to the end.
  void Activate() override;

  QPlainTextEdit* Text() const { return text_; }

 private:
  QPlainTextEdit* text_;
};
