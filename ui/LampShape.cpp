#include "ui/LampShape.h"

#include <QPainter>

TShape::TShape(QWidget* parent) : QWidget(parent) {}

void TShape::SetBrushColor(const QColor& colour) {
  if (colour == brush_) return;
  brush_ = colour;
  update();
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(brush_);
  painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

unsigned ColorNumber(const QColor& colour) {
  return (static_cast<unsigned>(colour.blue()) << 16) |
         (static_cast<unsigned>(colour.green()) << 8) |
         static_cast<unsigned>(colour.red());
}

QColor FromColorNumber(unsigned number) {
  return QColor(static_cast<int>(number & 0xFF), static_cast<int>((number >> 8) & 0xFF),
                static_cast<int>((number >> 16) & 0xFF));
}
