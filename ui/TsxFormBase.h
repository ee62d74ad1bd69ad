// TTsxFormBase: the base of the module's tool windows. A fixed-size window
// whose title bar has only the system menu and the close box, owned by the
// host's main view (it stays in front of it and is minimised with it), with
// the three operations through which the entry points show, hide and
// notify it.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

class QWindow;

class TTsxFormBase : public QWidget {
  Q_OBJECT

 public:
  explicit TTsxFormBase(QWidget* parent = nullptr);
  ~TTsxFormBase() override;

  // Shows the window and brings it to the front; returns 0.
  virtual int32_t ToolActivate();
  // Hides the window without closing it: no close handler runs.
  virtual void ToolDeactivate();
  // Does nothing.
  virtual void ToolRightClick();

  // The host view this window is transient for; null when the host has no
  // window or the platform cannot wrap foreign windows (offscreen).
  QWindow* HostOwner() const;

  void setVisible(bool visible) override;

 protected:
  bool event(QEvent* event) override;

 private:
  // Makes the window transient for the host's main view as it is now;
  // runs before the first show and whenever the native window is made anew.
  void AdoptHostOwner();

  std::unique_ptr<QWindow> hostView_;
};
