// TTsxMainForm: the main tool window. Two pick rows with a lamp and a
// Cancel each, the join button, the accuracy field with its spin arrow and
// Default, and the progress area with "Show Info" and Abort. It is the
// engine's view while it exists.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "engine/common/JoinState.h"
#include "engine/common/JoinView.h"
#include "ui/PumpGate.h"
#include "ui/TsxFormBase.h"

class QChar;
class QCloseEvent;
class QKeyEvent;
class TSpinArrow;
namespace Ui {
class TTsxMainForm;
}

class TTsxMainForm : public TTsxFormBase, public spl::JoinView {
  Q_OBJECT

 public:
  explicit TTsxMainForm(QWidget* parent = nullptr);
  ~TTsxMainForm() override;

  // The controls, for the entry points' and the tests' eyes.
  Ui::TTsxMainForm& Controls() { return *ui; }

  // spl::JoinView
  void ShowMessage(spl::BoxType type, std::string_view title,
                   std::string_view text) override;
  void ShowConversionError(std::string_view text) override;
  bool ShowInfo() const override;
  void SetStepsText(std::string_view text) override;
  void SetStatusText(std::string_view text) override;
  void SetAbortEnabled(bool enabled) override;
  void PumpEvents(std::string_view stageText, const spl::StepTally& tally) override;

  // Handlers, named after control and event.
  void Button1Click();
  void SpinArrow1Change(TSpinArrow* sender);
  void Edit1Change();
  void Edit1keypress(QChar& key);
  void FormCreate();
  void FormClose();
  void Button7Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button8Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ConnectHandlers();
  void ApplyFonts();
  void SetLamp(spl::Slot slot, bool held);
  // Writes Edit1 only when the text differs, so that an equal text raises
  // no change event.
  void SetEditText(const QString& text);
  void WriteAccuracy();
  // While a join runs only Abort stays live.
  // Keeps the focus where it was across the join.
  void SetControlsIdle(bool idle);
  // True when the key is discarded.
  bool FilterAccuracyKey(const QKeyEvent& event);

  std::unique_ptr<Ui::TTsxMainForm> ui;
  spl::TPumpGate pumpGate_;
  // Button6Click is on the stack. Wider than the engine's joining flag: it
  // also covers the checks' message boxes before the join and the lamps
  // after it, when a close must still wait.
  bool joinRunning_ = false;
  bool closeAfterJoin_ = false;
  QPointer<QWidget> focusBeforeJoin_;
};
