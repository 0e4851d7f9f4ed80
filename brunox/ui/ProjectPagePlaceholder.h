#pragma once
// The project page until the task list is built: shows the project file and the connection,
// makes a new project, writes the project report, and answers the task commands the window
// forwards with a note that task editing is still to come.
#include <vector>

#include "brunox/ui/PlaceholderPage.h"

class QLabel;

class CProjectPagePlaceholder : public CPlaceholderPage {
  Q_OBJECT

 public:
  explicit CProjectPagePlaceholder(QWidget* parent = nullptr);
  ~CProjectPagePlaceholder() override;

  void LoadFromProject() override;
  bool HandleCommand(int id) override;

  // Offers to save an edited project, then empties it. False when the user cancelled.
  bool NewProject();
  // The connection line the window keeps up to date.
  void SetConnectionText(const QString& text);
  QString ConnectionText() const;
  // What the page remembers for the next start: the project and whether it was connected.
  void RememberInSettings() const;

  // The task commands that reached the page, in order.
  const std::vector<int>& ForwardedCommands() const { return forwarded_; }

 private:
  void WriteProjectReport();

  QLabel* path_;
  QLabel* connection_;
  std::vector<int> forwarded_;
};
