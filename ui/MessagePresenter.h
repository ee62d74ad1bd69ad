// How the windows show a message box: modal, one OK button, the icon of
// its type, centred on the screen, transient for its tool window. Tests install their own presenter to
// record the boxes instead of blocking in a modal loop.
#pragma once

#include <QString>

class QWidget;

#include "engine/common/JoinView.h"

namespace spl {

class TMessagePresenter {
 public:
  virtual ~TMessagePresenter() = default;
  // Returns when the user has closed the box. `owner`, the tool window the
  // box belongs to (may be null), is its transient parent, so that the
  // tool window is active again once the box is closed.
  virtual void Show(BoxType type, const QString& title, const QString& text,
                    QWidget* owner) = 0;
};

// The presenter in use: the one installed, else the modal box.
TMessagePresenter& CurrentPresenter();

// Installs `presenter` (not owned); null puts the modal box back.
void SetMessagePresenter(TMessagePresenter* presenter);

}  // namespace spl
