// A label for the status bar that never widens its window: text longer
// than the room it has ends in "…", the whole of it in the tooltip.
#pragma once

#include <QLabel>
#include <QString>

class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  // The whole text (what the label shows may be shortened).
  void setFullText(const QString& text);
  const QString& fullText() const { return full_; }
  void clearText() { setFullText(QString()); }

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void fit();

  QString full_;
};
