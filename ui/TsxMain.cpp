#include "ui/TsxMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <exception>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinState.h"
#include "engine/common/Thousandths.h"
#include "ui/AccuracyText.h"
#include "ui/LampShape.h"
#include "ui/MessagePresenter.h"
#include "ui/ModuleResources.h"
#include "ui_TsxMain.h"

namespace {

const QColor kOlive = FromColorNumber(32896);
const QColor kLime = FromColorNumber(65280);

QFont Arial(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  return font;
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// No exception may leave a Qt event handler; whatever a handler throws is
// reported as the toolkit reports an error, and the handler just ends.
template <typename Handler>
void Guarded(TTsxMainForm* form, Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    form->ShowConversionError(e.what());
  } catch (...) {
    form->ShowConversionError("Unknown error");
  }
}

}  // namespace

TTsxMainForm::TTsxMainForm(QWidget* parent)
    : TTsxFormBase(parent), ui(std::make_unique<Ui::TTsxMainForm>()) {
  ui->setupUi(this);
  setFixedSize(size());
  move(765, 95);
  setWindowIcon(QIcon(QString::fromLatin1(spl::res::kIcon)));
  ApplyFonts();
  ConnectHandlers();
  Guarded(this, [this] { FormCreate(); });
}

TTsxMainForm::~TTsxMainForm() = default;

void TTsxMainForm::ApplyFonts() {
  setFont(Arial(15));
  const QFont small = Arial(13);
  for (QWidget* w : {static_cast<QWidget*>(ui->Label3), static_cast<QWidget*>(ui->Label4),
                     static_cast<QWidget*>(ui->Label2), static_cast<QWidget*>(ui->Button7),
                     static_cast<QWidget*>(ui->Edit1), static_cast<QWidget*>(ui->CheckBox1)}) {
    w->setFont(small);
  }
}

void TTsxMainForm::ConnectHandlers() {
  connect(ui->Button1, &QPushButton::clicked, this, &TTsxMainForm::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TTsxMainForm::Button2Click);
  connect(ui->Button3, &QPushButton::clicked, this, &TTsxMainForm::Button3Click);
  connect(ui->Button4, &QPushButton::clicked, this, &TTsxMainForm::Button4Click);
  connect(ui->Button5, &QPushButton::clicked, this, &TTsxMainForm::Button5Click);
  connect(ui->Button6, &QPushButton::clicked, this, &TTsxMainForm::Button6Click);
  connect(ui->Button7, &QPushButton::clicked, this, &TTsxMainForm::Button7Click);
  connect(ui->Button8, &QPushButton::clicked, this, &TTsxMainForm::Button8Click);
  connect(ui->SpinArrow1, &TSpinArrow::OnChange, this, &TTsxMainForm::SpinArrow1Change);
  connect(ui->Edit1, &QLineEdit::textChanged, this, &TTsxMainForm::Edit1Change);
  ui->Edit1->installEventFilter(this);
  for (QPushButton* button : findChildren<QPushButton*>()) button->installEventFilter(this);
}

// ---- The engine's view ---------------------------------------------------

void TTsxMainForm::ShowMessage(spl::BoxType type, std::string_view title,
                               std::string_view text) {
  spl::CurrentPresenter().Show(type, FromUtf8(title), FromUtf8(text), this);
}

void TTsxMainForm::ShowConversionError(std::string_view text) {
  // The toolkit's own error report: an error box under the host's name.
  QString title = QGuiApplication::applicationDisplayName();
  if (title.isEmpty()) title = QStringLiteral("SPL0020");
  spl::CurrentPresenter().Show(spl::BoxType::Error, title, FromUtf8(text), this);
}

bool TTsxMainForm::ShowInfo() const { return ui->CheckBox1->isChecked(); }

void TTsxMainForm::SetStepsText(std::string_view text) { ui->Label4->setText(FromUtf8(text)); }

void TTsxMainForm::SetStatusText(std::string_view text) { ui->Label2->setText(FromUtf8(text)); }

void TTsxMainForm::SetAbortEnabled(bool enabled) { ui->Button8->setEnabled(enabled); }

void TTsxMainForm::PumpEvents(std::string_view stageText, const spl::StepTally& /*tally*/) {
  if (pumpGate_.ShouldDispatch(stageText, spl::TPumpGate::Clock::now())) {
    QCoreApplication::processEvents();
  }
}

// ---- Helpers -------------------------------------------------------------

void TTsxMainForm::SetLamp(spl::Slot slot, bool held) {
  TShape* lamp = slot == spl::Slot::First ? ui->Shape1 : ui->Shape2;
  lamp->SetBrushColor(held ? kLime : kOlive);
}

void TTsxMainForm::SetEditText(const QString& text) {
  if (ui->Edit1->text() != text) ui->Edit1->setText(text);
}

void TTsxMainForm::WriteAccuracy() {
  SetEditText(QString::fromStdString(spl::AccuracyToText(spl::JoinState.Accuracy)));
}

void TTsxMainForm::SetControlsIdle(bool idle) {
  // "Show Info" stays live: ticking it only shows progress.
  QWidget* const inputs[] = {ui->Button1, ui->Button2, ui->Button3, ui->Button4,
                             ui->Button5, ui->Button6, ui->Button7, ui->Edit1,
                             ui->SpinArrow1};
  if (!idle) {
    // Disabling the focused control would hand focus along the chain until
    // none is left; take it off first and give it back afterwards.
    focusBeforeJoin_ = focusWidget();
    if (focusBeforeJoin_) focusBeforeJoin_->clearFocus();
  }
  for (QWidget* w : inputs) w->setEnabled(idle);
  if (idle && focusBeforeJoin_ && focusBeforeJoin_->isEnabled()) {
    focusBeforeJoin_->setFocus(Qt::OtherFocusReason);
  }
  if (idle) focusBeforeJoin_ = nullptr;
}

// ---- Handlers --------------------------------------------------------------

void TTsxMainForm::Button1Click() { close(); }

void TTsxMainForm::SpinArrow1Change(TSpinArrow* sender) {
  Guarded(this, [&] {
    spl::JoinState.Accuracy = static_cast<double>(sender->Position()) / 1000.0;
    WriteAccuracy();
  });
}

void TTsxMainForm::Edit1Change() {
  Guarded(this, [this] {
    const std::string text = ui->Edit1->text().toStdString();
    if (text.empty()) return;
    const std::optional<double> value = spl::TextToAccuracy(text);
    if (!value) throw spl::ConversionError(spl::NotAFloatMessage(text));
    spl::JoinState.Accuracy = *value;
    ui->SpinArrow1->SetPosition(spl::RoundToThousandths(spl::JoinState.Accuracy));
  });
}

void TTsxMainForm::Edit1keypress(QChar& key) {
  const char16_t c = key.unicode();
  const bool admitted = c == 8 || c == u'.' || (c >= u'0' && c <= u'9');
  if (!admitted || (c == u'.' && ui->Edit1->text().contains(QLatin1Char('.')))) {
    key = QChar(u'\0');
  }
}

void TTsxMainForm::FormCreate() {
  SetLamp(spl::Slot::First, false);
  SetLamp(spl::Slot::Second, false);
  spl::InitJoinStateForWindow();
  WriteAccuracy();
  ui->SpinArrow1->SetPosition(spl::RoundToThousandths(spl::kDefaultAccuracy));
  ui->Label4->setText(QStringLiteral("0"));
  ui->Label2->setText(QString());
  ui->Button8->setEnabled(false);
  ui->CheckBox1->setChecked(false);
}

void TTsxMainForm::FormClose() {
  spl::CancelObject(spl::Slot::First);
  SetLamp(spl::Slot::First, false);
  spl::CancelObject(spl::Slot::Second);
  SetLamp(spl::Slot::Second, false);
  spl::JoinState.StepsToGo = 0;
  ui->Label4->setText(QStringLiteral("0"));
  ui->Label2->setText(QString());
}

void TTsxMainForm::Button7Click() {
  Guarded(this, [this] {
    spl::JoinState.Accuracy = spl::kDefaultAccuracy;
    ui->SpinArrow1->SetPosition(spl::RoundToThousandths(spl::JoinState.Accuracy));
    WriteAccuracy();
  });
}

void TTsxMainForm::Button2Click() {
  Guarded(this, [this] { SetLamp(spl::Slot::First, spl::PickObject(this, spl::Slot::First)); });
}

void TTsxMainForm::Button3Click() {
  spl::CancelObject(spl::Slot::First);
  SetLamp(spl::Slot::First, false);
}

void TTsxMainForm::Button4Click() {
  Guarded(this, [this] { SetLamp(spl::Slot::Second, spl::PickObject(this, spl::Slot::Second)); });
}

void TTsxMainForm::Button5Click() {
  spl::CancelObject(spl::Slot::Second);
  SetLamp(spl::Slot::Second, false);
}

void TTsxMainForm::Button6Click() {
  if (joinRunning_) return;
  joinRunning_ = true;
  spl::SlotLamps lamps{spl::JoinState.FirstObject != 0, spl::JoinState.SecondObject != 0};
  // The controls are greyed only while RunJoin runs, not while a pick
  // error is shown.
  Guarded(this, [&] {
    spl::JoinProgress progress{this, {}};  // this join's own: it shows here and counts from its estimate
    lamps = spl::JoinPickedObjects(progress, [this](bool joining) { SetControlsIdle(!joining); });
  });
  SetLamp(spl::Slot::First, lamps.first);
  SetLamp(spl::Slot::Second, lamps.second);
  joinRunning_ = false;
  if (closeAfterJoin_) {
    closeAfterJoin_ = false;
    close();
  }
}

void TTsxMainForm::Button8Click() { spl::JoinState.AbortRequested = true; }

// ---- Events ----------------------------------------------------------------

void TTsxMainForm::closeEvent(QCloseEvent* event) {
  if (joinRunning_) {
    // The join cannot be left half done: ask it to stop and close once
    // Button6Click has it back.
    spl::JoinState.AbortRequested = true;
    closeAfterJoin_ = true;
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

namespace {

// Keys that move or edit rather than type: they reach the field whatever
// text the platform attaches to them (Tab "\t", Delete "\x7f" on X11).
bool MovesOrEdits(const QKeyEvent& key) {
  switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

bool IsEnter(const QKeyEvent& key) {
  return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
         (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

bool TTsxMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return TTsxFormBase::eventFilter(watched, event);
  const auto& key = *static_cast<QKeyEvent*>(event);
  if (watched == ui->Edit1) return FilterAccuracyKey(key);
  // Enter clicks the focused button, as in the host's toolkit; no button
  // becomes the window's default.
  auto* button = qobject_cast<QPushButton*>(watched);
  if (button && IsEnter(key)) {
    if (button->isEnabled()) button->click();
    return true;
  }
  return TTsxFormBase::eventFilter(watched, event);
}

bool TTsxMainForm::FilterAccuracyKey(const QKeyEvent& event) {
  if (MovesOrEdits(event)) return false;
  // Only keys that type one character go through Edit1keypress.
  const QString typed = event.text();
  if (typed.size() != 1) return false;
  QChar key = typed.front();
  Edit1keypress(key);
  return key.isNull();
}
