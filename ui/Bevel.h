// TBevel: a lowered frame (grey above and left, white below and right) or
// a lowered line along its top edge, the separators of the main window.
#pragma once

#include <QWidget>

class TBevel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool TopLine READ TopLine WRITE SetTopLine)

 public:
  explicit TBevel(QWidget* parent = nullptr);

  bool TopLine() const { return topLine_; }
  void SetTopLine(bool topLine);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool topLine_ = false;
};
