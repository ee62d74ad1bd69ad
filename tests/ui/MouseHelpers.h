// Synthesised mouse events sent straight to a widget, so that a drag's
// steps do not depend on the platform's pointer handling.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace spl::testing {

inline void SendMouse(QWidget* target, QEvent::Type type, QPointF pos, Qt::MouseButton button,
                      Qt::MouseButtons held) {
  QMouseEvent event(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

inline void Press(QWidget* w, int x, Qt::MouseButton b = Qt::LeftButton) {
  SendMouse(w, QEvent::MouseButtonPress, QPointF(x, 8), b, b);
}
inline void MoveTo(QWidget* w, double x, double y = 8, Qt::MouseButtons held = Qt::LeftButton) {
  SendMouse(w, QEvent::MouseMove, QPointF(x, y), Qt::NoButton, held);
}
inline void Release(QWidget* w, int x, Qt::MouseButton b = Qt::LeftButton,
                    Qt::MouseButtons stillHeld = Qt::NoButton) {
  SendMouse(w, QEvent::MouseButtonRelease, QPointF(x, 8), b, stillHeld);
}

}  // namespace spl::testing
