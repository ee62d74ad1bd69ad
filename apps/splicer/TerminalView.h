// The join's window on a terminal: messages as "error: …" / "warning: …"
// lines, and, when stderr is a terminal, a one-line progress bar with the
// stage text and the steps still to go.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/common/JoinView.h"

namespace splicer {

class TerminalView : public spl::JoinView {
 public:
  // `progressBar`: draw the bar on stderr ("Show Info" ticked).
  explicit TerminalView(bool progressBar);
  ~TerminalView() override;
  TerminalView(const TerminalView&) = delete;
  TerminalView& operator=(const TerminalView&) = delete;

  void ShowMessage(spl::BoxType type, std::string_view title, std::string_view text) override;
  void ShowConversionError(std::string_view text) override;
  bool ShowInfo() const override { return progressBar_; }
  void SetStepsText(std::string_view text) override;
  void SetStatusText(std::string_view text) override { stage_ = text; }
  void SetAbortEnabled(bool /*enabled*/) override {}
  // Called once per progress call: turns a Ctrl-C into the Abort button and
  // redraws the bar at a stage change or, at most ten times a second, in
  // between. Costs no system call when nothing is drawn.
  void PumpEvents(std::string_view stageText) override;

  // The full estimate, for the bar's fraction done; without one, the
  // largest steps-to-go shown stands for it.
  void SetEstimate(int64_t steps) { estimate_ = steps; }
  // Removes the bar from the terminal.
  void ClearBar();
  // The last conversion error shown, for the report.
  const std::string& ConversionText() const { return conversion_; }
  // The text of the last message shown.
  const std::string& LastMessage() const { return lastMessage_; }

 private:
  void Draw();

  bool progressBar_;
  bool drawn_ = false;
  int64_t estimate_ = 0;
  int64_t stepsToGo_ = 0;
  std::string steps_;
  std::string stage_;
  std::string drawnStage_;
  std::string conversion_;
  std::string lastMessage_;
  uint32_t calls_ = 0;
  int64_t lastDrawNs_ = 0;
};

// While alive, Ctrl-C asks the running join to stop instead of killing the
// process; the previous handler is put back afterwards.
class InterruptAsAbort {
 public:
  InterruptAsAbort();
  ~InterruptAsAbort();
  InterruptAsAbort(const InterruptAsAbort&) = delete;
  InterruptAsAbort& operator=(const InterruptAsAbort&) = delete;
};

}  // namespace splicer
