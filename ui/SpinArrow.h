// TSpinArrow: a 16 x 16 drag wheel for an integer. Press the left button
// on it and drag sideways: every pixel right raises Position by one, every
// pixel left lowers it, between Min and Max; each step raises OnChange.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

class TSpinArrow : public QWidget {
  Q_OBJECT
  // stdset="0" in a layout makes uic set these through the setters.
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)

 public:
  explicit TSpinArrow(QWidget* owner = nullptr);

  int32_t Position() const { return position_; }
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  // Stored only: a drag always moves one unit per pixel.
  int32_t Increment() const { return increment_; }
  bool Pressed() const { return pressed_; }

  // A value equal to Position does nothing; any other is clamped to
  // Min..Max and raises OnChange, even when clamping gives the old value.
  void SetPosition(int32_t value);
  // Move by `count` units up to Max (down to Min); raise OnChange unless
  // the count is 0, also when already at the bound.
  virtual void IncPosition(int32_t count);
  virtual void DecPosition(int32_t count);
  // Keep Min <= Max by pinning the one set; Position is not touched.
  void SetMin(int32_t value);
  void SetMax(int32_t value);
  void SetIncrement(int32_t value);

  const QImage& UpBitmap() const { return upBitmap_; }
  const QImage& DownBitmap() const { return downBitmap_; }
  // The picture that applies: down while pressed, up otherwise.
  const QImage& ShownBitmap() const { return pressed_ ? downBitmap_ : upBitmap_; }

 signals:
  void OnChange(TSpinArrow* sender);

 protected:
  virtual void Change();
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Refresh();

  int32_t position_ = 0;
  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t increment_ = 1;
  QImage upBitmap_;
  QImage downBitmap_;
  QImage disabledBitmap_;  // the released picture with the arrow greyed
  bool pressed_ = false;
  int32_t lastX_ = 0;
};
