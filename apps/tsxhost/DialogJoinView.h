// The engine's messages as message boxes and its progress in a progress
// dialog whose Cancel asks the join to stop: the view of the host's own
// join commands (Seam Join, Join).
#pragma once

#include <QProgressDialog>
#include <QString>

#include <cstdint>
#include <string_view>

#include "engine/common/JoinView.h"

class QWidget;

namespace hostapp {

class DialogJoinView : public spl::JoinView {
 public:
  // `bar`: a bar that fills as the steps to go fall from the largest seen;
  // else a busy indicator.
  DialogJoinView(QWidget* parent, const QString& title, bool bar = false);

  void ShowMessage(spl::BoxType type, std::string_view title, std::string_view text) override;
  void ShowConversionError(std::string_view text) override;
  bool ShowInfo() const override { return true; }
  void SetStepsText(std::string_view text) override;
  void SetStatusText(std::string_view text) override;
  void SetAbortEnabled(bool) override {}
  void PumpEvents(std::string_view, const spl::StepTally&) override;

  // The text of the last message shown.
  const QString& LastMessage() const { return lastMessage_; }

 private:
  QWidget* parent_;
  QString title_;
  QProgressDialog progress_;
  bool bar_;
  int64_t most_ = 0;
  QString lastMessage_;
};

}  // namespace hostapp
