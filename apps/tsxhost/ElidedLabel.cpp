#include "apps/tsxhost/ElidedLabel.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace hostapp {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextFormat(Qt::PlainText);
}

void ElidedLabel::SetFullText(const QString& text) {
  full_ = text;
  setToolTip(text);
  Fit();
}

// Asks for no width of its own: the status bar gives what is left.
QSize ElidedLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }
QSize ElidedLabel::sizeHint() const { return {0, QLabel::sizeHint().height()}; }

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Fit();
}

void ElidedLabel::Fit() {
  // One line: a line break in a message would make the bar taller.
  QString line = full_;
  line.replace('\n', ' ');
  setText(fontMetrics().elidedText(line, Qt::ElideRight, std::max(0, width())));
}

}  // namespace hostapp
