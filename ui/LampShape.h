// TShape: a filled circle with a thin black outline, the lamp of an
// object slot.
#pragma once

#include <QColor>
#include <QWidget>

class TShape : public QWidget {
  Q_OBJECT

 public:
  explicit TShape(QWidget* parent = nullptr);

  QColor BrushColor() const { return brush_; }
  void SetBrushColor(const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor brush_{Qt::white};
};

// The colour number of a colour: blue, green, red bytes from high to low
// (olive 32896, lime 65280).
unsigned ColorNumber(const QColor& colour);
QColor FromColorNumber(unsigned number);
