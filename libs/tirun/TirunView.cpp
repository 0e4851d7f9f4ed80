#include "tirun/TirunView.h"

#include <QPainter>

CTirunView::CTirunView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // the chart covers every pixel
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize CTirunView::sizeHint() const {
  const int line = fontMetrics().height();
  return {line * 36, line * 20};
}

QSize CTirunView::minimumSizeHint() const {
  const int line = fontMetrics().height();
  return {line * 12, line * 8};
}

void CTirunView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  chart_.Paint(painter, rect());
}
