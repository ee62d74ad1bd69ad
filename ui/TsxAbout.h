// TTsxAboutForm: the about window, a picture and an OK button.
#pragma once

#include <memory>

#include "ui/TsxFormBase.h"

namespace Ui {
class TTsxAboutForm;
}

class TTsxAboutForm : public TTsxFormBase {
  Q_OBJECT

 public:
  explicit TTsxAboutForm(QWidget* parent = nullptr);
  ~TTsxAboutForm() override;

  Ui::TTsxAboutForm& Controls() { return *ui; }

  // OK: closing only hides the window.
  void Button1Click();

 private:
  std::unique_ptr<Ui::TTsxAboutForm> ui;
};

// The name the layout stores for the window's font, and the installed
// Japanese Gothic face that stands in for it.
inline constexpr char16_t kAboutFontName[] = u"ＭＳ Ｐゴシック";
inline constexpr char kAboutFontSubstitute[] = "IPAPGothic";
