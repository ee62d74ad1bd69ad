#include "ui/Bevel.h"

#include <QPainter>

TBevel::TBevel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevel::SetTopLine(bool topLine) {
  topLine_ = topLine;
  update();
}

void TBevel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  const int right = width() - 1;
  const int bottom = height() - 1;
  if (topLine_) {
    painter.setPen(shadow);
    painter.drawLine(0, 0, right, 0);
    painter.setPen(light);
    painter.drawLine(0, 1, right, 1);
    return;
  }
  painter.setPen(shadow);
  painter.drawLine(0, 0, right, 0);
  painter.drawLine(0, 0, 0, bottom);
  painter.setPen(light);
  painter.drawLine(1, bottom, right, bottom);
  painter.drawLine(right, 1, right, bottom);
}
