#include "ui/TsxAbout.h"

#include <QFont>
#include <QPixmap>

#include "ui/ModuleResources.h"
#include "ui_TsxAbout.h"

TTsxAboutForm::TTsxAboutForm(QWidget* parent)
    : TTsxFormBase(parent), ui(std::make_unique<Ui::TTsxAboutForm>()) {
  ui->setupUi(this);
  setFixedSize(size());
  move(632, 349);
  setWindowIcon(QIcon(QString::fromLatin1(spl::res::kIcon)));

  const QString face = QString::fromUtf16(kAboutFontName);
  QFont::insertSubstitution(face, QLatin1String(kAboutFontSubstitute));  // kept once
  QFont windowFont(face);
  windowFont.setPixelSize(15);
  setFont(windowFont);
  QFont buttonFont(QStringLiteral("Arial"));
  buttonFont.setPixelSize(15);
  ui->Button1->setFont(buttonFont);

  ui->Image1->setPixmap(QPixmap(QString::fromLatin1(spl::res::kAboutPicture)));
  connect(ui->Button1, &QPushButton::clicked, this, &TTsxAboutForm::Button1Click);
}

TTsxAboutForm::~TTsxAboutForm() = default;

void TTsxAboutForm::Button1Click() { close(); }
