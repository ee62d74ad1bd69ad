// A label for the status bar that never widens its window: text longer
// than the room it has ends in "…", the whole of it in the tooltip.
#pragma once

#include <QLabel>
#include <QString>

namespace hostapp {

class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  // The whole text (what the label shows may be shortened).
  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }
  void ClearText() { SetFullText(QString()); }

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Fit();

  QString full_;
};

}  // namespace hostapp
