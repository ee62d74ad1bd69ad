// How the windows show a message box: modal, one OK button, the icon of
// its type, centred on the screen. Tests install their own presenter to
// record the boxes instead of blocking in a modal loop.
#pragma once

#include <QString>

#include "JoinView.h"

namespace spl {

class TMessagePresenter {
 public:
  virtual ~TMessagePresenter() = default;
  // Returns when the user has closed the box.
  virtual void Show(BoxType type, const QString& title, const QString& text) = 0;
};

// The presenter in use: the one installed, else the modal box.
TMessagePresenter& CurrentPresenter();

// Installs `presenter` (not owned); null puts the modal box back.
void SetMessagePresenter(TMessagePresenter* presenter);

}  // namespace spl
