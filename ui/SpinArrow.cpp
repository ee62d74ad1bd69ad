#include "ui/SpinArrow.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "ui/ModuleResources.h"

namespace {

// Whole pixels: a drag by a fraction of a pixel is no step.
int32_t PixelX(const QMouseEvent* event) {
  return static_cast<int32_t>(std::floor(event->position().x()));
}

// The toolkit's disabled look: the arrow's black turned grey, with a white
// shadow one pixel down and right, on the unchanged raised frame.
QImage Greyed(const QImage& released) {
  const QRgb black = qRgb(0, 0, 0);
  QImage out = released.convertToFormat(QImage::Format_RGB32);
  const QImage in = out.copy();
  for (int y = 1; y + 1 < in.height() - 1; ++y) {
    for (int x = 1; x + 1 < in.width() - 1; ++x) {
      if (in.pixel(x, y) == black && in.pixel(x + 1, y + 1) != black) {
        out.setPixel(x + 1, y + 1, qRgb(255, 255, 255));
      }
    }
  }
  for (int y = 0; y < in.height(); ++y) {
    for (int x = 0; x < in.width(); ++x) {
      if (in.pixel(x, y) == black) out.setPixel(x, y, qRgb(128, 128, 128));
    }
  }
  return out;
}

}  // namespace

TSpinArrow::TSpinArrow(QWidget* owner)
    : QWidget(owner),
      upBitmap_(QString::fromLatin1(spl::res::kSpinArrowUp)),
      downBitmap_(QString::fromLatin1(spl::res::kSpinArrowDown)),
      disabledBitmap_(Greyed(upBitmap_)) {
  resize(16, 16);
  setFocusPolicy(Qt::NoFocus);
}

void TSpinArrow::SetPosition(int32_t value) {
  if (value == position_) return;
  position_ = value;
  if (position_ > max_) position_ = max_;
  if (position_ < min_) position_ = min_;
  Refresh();
  Change();
}

void TSpinArrow::IncPosition(int32_t count) {
  if (count == 0) return;
  // Widened so that a step past the 32-bit range still ends at Max.
  const int64_t next = int64_t{position_} + count;
  position_ = next > max_ ? max_ : static_cast<int32_t>(next);
  Refresh();
  Change();
}

void TSpinArrow::DecPosition(int32_t count) {
  if (count == 0) return;
  const int64_t next = int64_t{position_} - count;
  position_ = next < min_ ? min_ : static_cast<int32_t>(next);
  Refresh();
  Change();
}

void TSpinArrow::SetMin(int32_t value) {
  if (value == min_) return;
  min_ = value > max_ ? max_ : value;
  Refresh();
}

void TSpinArrow::SetMax(int32_t value) {
  if (value == max_) return;
  max_ = value < min_ ? min_ : value;
  Refresh();
}

void TSpinArrow::SetIncrement(int32_t value) {
  if (value == increment_) return;
  increment_ = value;
  Refresh();
}

void TSpinArrow::Change() { emit OnChange(this); }

void TSpinArrow::Refresh() {
  // Brings a pending change of picture to the screen at once, as a drag
  // would otherwise wait for the next event-loop turn.
  if (isVisible()) repaint();
}

void TSpinArrow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, isEnabled() ? ShownBitmap() : disabledBitmap_);
}

void TSpinArrow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) update();
  QWidget::changeEvent(event);
}

void TSpinArrow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  pressed_ = true;
  lastX_ = PixelX(event);
  update();
}

void TSpinArrow::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  const int32_t x = PixelX(event);
  if (x > lastX_) IncPosition(x - lastX_);
  if (x < lastX_) DecPosition(lastX_ - x);
  lastX_ = x;
}

void TSpinArrow::mouseReleaseEvent(QMouseEvent*) {
  // Any button ends a drag, also the right one during a left drag.
  pressed_ = false;
  update();
}
