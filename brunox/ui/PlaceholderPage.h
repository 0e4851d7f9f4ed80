#pragma once
// A page whose real content is not built yet: its caption and a line that says what will be
// shown here, so the tree and the window work in full already.
#include "brunox/ui/TitledPage.h"

class CPlaceholderPage : public CTitledPage {
  Q_OBJECT

 public:
  CPlaceholderPage(const QString& caption, const QString& comesWith, QWidget* parent = nullptr);
  ~CPlaceholderPage() override;

  QString Note() const;

 private:
  class QLabel* note_;
};
