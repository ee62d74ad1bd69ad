#include "ui/TsxFormBase.h"

#include <QEvent>
#include <QWindow>

#include "interface/tsxapi.h"

TTsxFormBase::TTsxFormBase(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  // Closing a tool window must never end the host's event loop.
  setAttribute(Qt::WA_QuitOnClose, false);
}

TTsxFormBase::~TTsxFormBase() {
  if (QWindow* own = windowHandle()) own->setTransientParent(nullptr);
}

int32_t TTsxFormBase::ToolActivate() {
  show();
  raise();
  activateWindow();
  return 0;
}

void TTsxFormBase::ToolDeactivate() { hide(); }

void TTsxFormBase::ToolRightClick() {}

QWindow* TTsxFormBase::HostOwner() const {
  const QWindow* own = windowHandle();
  return own ? own->transientParent() : nullptr;
}

void TTsxFormBase::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // X11 honours the transient-for hint only when it is set before the
    // window is mapped, so the native window is made first.
    create();
    AdoptHostOwner();
  }
  QWidget::setVisible(visible);
}

bool TTsxFormBase::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::WinIdChange) AdoptHostOwner();
  return handled;
}

void TTsxFormBase::AdoptHostOwner() {
  QWindow* own = windowHandle();
  if (!own) return;
  const tsxHWND id = tsxGetMainViewHwnd();
  if (id == 0) {
    own->setTransientParent(nullptr);
    hostView_.reset();
    return;
  }
  if (!hostView_ || hostView_->winId() != id) {
    own->setTransientParent(nullptr);
    hostView_.reset(QWindow::fromWinId(static_cast<WId>(id)));
  }
  own->setTransientParent(hostView_.get());
}
