#include "ui/MessagePresenter.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

namespace spl {
namespace {

// A box that places itself in the middle of the screen once it knows its
// size, which QMessageBox settles only as it is shown.
class TCentredBox : public QMessageBox {
 public:
  explicit TCentredBox(QWidget* owner) : QMessageBox(owner) {}

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
  }
};

QMessageBox::Icon IconOf(BoxType type) {
  switch (type) {
    case BoxType::Warning:
      return QMessageBox::Warning;
    case BoxType::Information:
      return QMessageBox::Information;
    case BoxType::Error:
      break;
  }
  return QMessageBox::Critical;
}

class TModalBoxPresenter : public TMessagePresenter {
 public:
  void Show(BoxType type, const QString& title, const QString& text,
            QWidget* owner) override {
    TCentredBox box(owner ? owner->window() : nullptr);
    box.setIcon(IconOf(type));
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
  }
};

TModalBoxPresenter gModalBox;
TMessagePresenter* gInstalled = nullptr;

}  // namespace

TMessagePresenter& CurrentPresenter() {
  return gInstalled ? *gInstalled : gModalBox;
}

void SetMessagePresenter(TMessagePresenter* presenter) { gInstalled = presenter; }

}  // namespace spl
