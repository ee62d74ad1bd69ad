#include "apps/tsxhost/DialogJoinView.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>
#include <string>

#include "engine/common/JoinState.h"

namespace hostapp {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// The progress dialog's range is an int: steps are scaled into it.
constexpr int kBarSteps = 1000;

}  // namespace

DialogJoinView::DialogJoinView(QWidget* parent, const QString& title, bool bar)
    : parent_(parent), title_(title), progress_(parent), bar_(bar) {
  progress_.setWindowTitle(title);
  progress_.setRange(0, bar ? kBarSteps : 0);
  progress_.setMinimumDuration(300);
  QObject::connect(&progress_, &QProgressDialog::canceled, [] { spl::JoinState.AbortRequested = true; });
}

void DialogJoinView::ShowMessage(spl::BoxType type, std::string_view title, std::string_view text) {
  const QString t = Text(title), m = Text(text);
  lastMessage_ = m;
  if (type == spl::BoxType::Error) QMessageBox::critical(parent_, t, m);
  else if (type == spl::BoxType::Warning) QMessageBox::warning(parent_, t, m);
  else QMessageBox::information(parent_, t, m);
}

void DialogJoinView::ShowConversionError(std::string_view text) {
  lastMessage_ = Text(text);
  QMessageBox::critical(parent_, title_, lastMessage_);
}

void DialogJoinView::SetStepsText(std::string_view text) {
  if (!bar_) return;
  const int64_t steps = std::strtoll(std::string(text).c_str(), nullptr, 10);
  most_ = std::max(most_, steps);
  if (most_ > 0) progress_.setValue(int(kBarSteps - steps * kBarSteps / most_));
}

void DialogJoinView::SetStatusText(std::string_view text) { progress_.setLabelText(Text(text)); }

void DialogJoinView::PumpEvents(std::string_view, const spl::StepTally&) { QApplication::processEvents(); }

}  // namespace hostapp
