// The join's window on a terminal: messages as "error: …" / "warning: …"
// lines, and, when stderr is a terminal, a one-line progress bar of what is
// left (of the file read or written, of the join's steps) with the rate
// and the time left.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "apps/splicer/ProgressMeter.h"
#include "engine/common/JoinView.h"
#include "host/formats/MeshFormats.h"

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
  // The join's count is its own 64-bit tally, not the window's label.
  void SetStepsText(std::string_view /*text*/) override {}
  void SetStatusText(std::string_view /*text*/) override {}
  void SetAbortEnabled(bool /*enabled*/) override {}
  // Called once per progress call: turns a Ctrl-C into the Abort button and
  // redraws the bar at a stage change or, at most ten times a second, in
  // between. Costs no system call when nothing is drawn.
  void PumpEvents(std::string_view stageText, const spl::StepTally& tally) override;

  // Reading or writing a file: `done` of `total` units under `what`.
  // False once Ctrl-C has been pressed: the caller stops.
  bool ShowFileProgress(const std::string& what, int64_t done, int64_t total, ProgressUnit unit);
  // Removes the bar from the terminal.
  void ClearBar();
  // The last conversion error shown, for the report.
  const std::string& ConversionText() const { return conversion_; }
  // The text of the last message shown.
  const std::string& LastMessage() const { return lastMessage_; }

 private:
  void Draw();
  bool DueForRedraw();

  bool progressBar_;
  bool drawn_ = false;
  bool joining_ = false;  // the meter measures the join's steps
  int64_t joinEstimate_ = 0;
  ProgressMeter meter_;
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

// Ctrl-C has been pressed while an InterruptAsAbort was alive.
bool Interrupted();

// "interrupted (Ctrl-C) WHEN; nothing written", the error of a stopped run.
std::string InterruptionMessage(const std::string& when);

// Reads a scene file with its progress on the view's bar; Ctrl-C stops the
// reading (then Interrupted() is true).
tsxhost::ObjResult LoadWithProgress(TerminalView& view, const std::string& path, tsxhost::ObjReadOptions options);

// Writes the objects with progress on the view's bar. Ctrl-C before the
// files are in place leaves every old file as it was: then `*interrupted`
// is the message to give, else it is left empty. The `alongside` files
// (the report) are replaced with the output or not at all.
tsxhost::SaveResult SaveWithProgress(TerminalView& view, const std::string& path, const std::vector<tsxSOBJ>& objects,
                                     std::string* interrupted,
                                     const std::vector<tsxhost::AlongsideFile>& alongside = {});

}  // namespace splicer
