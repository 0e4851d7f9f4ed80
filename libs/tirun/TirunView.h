#pragma once
// CTirunView: a widget that owns a chart and paints it over its whole area. Whoever changes the
// chart calls update() to have it drawn again.
#include <QWidget>

#include "tirun/Tirun.h"

class CTirunView : public QWidget {
  Q_OBJECT

 public:
  explicit CTirunView(QWidget* parent = nullptr);

  CTirun& Chart() { return chart_; }
  const CTirun& Chart() const { return chart_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CTirun chart_;
};
