#include "apps/splicer/TerminalView.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/common/Errors.h"
#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"

namespace splicer {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
using Handler = void (*)(int);
Handler g_previous = SIG_DFL;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr uint32_t kCallsBetweenClockReads = 1024;
constexpr int64_t kRedrawNs = 100'000'000;

}  // namespace

TerminalView::TerminalView(bool progressBar) : progressBar_(progressBar) {}

TerminalView::~TerminalView() { ClearBar(); }

void TerminalView::ShowMessage(spl::BoxType type, std::string_view /*title*/,
                               std::string_view text) {
  // The window's count may be wrong past 32 bits; this view's is not.
  if (spl::JoinState.LastError == spl::kStepsOverflow) return;
  // An abort is the run's failure here, not a passing remark.
  if (spl::JoinState.LastError == spl::kAborted) type = spl::BoxType::Error;
  ClearBar();
  const std::string line(text);
  lastMessage_ = line;
  switch (type) {
    case spl::BoxType::Warning:
      std::fprintf(stderr, "warning: %s\n", line.c_str());
      break;
    case spl::BoxType::Error:
      std::fprintf(stderr, "error: %s\n", line.c_str());
      break;
    case spl::BoxType::Information:
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
      break;
  }
}

void TerminalView::ShowConversionError(std::string_view text) {
  ClearBar();
  conversion_ = text;
  std::fprintf(stderr, "error: %s\n", std::string(text).c_str());
}

bool TerminalView::DueForRedraw() {
  return ++calls_ % kCallsBetweenClockReads == 0 && NowNs() - lastDrawNs_ >= kRedrawNs;
}

void TerminalView::PumpEvents(std::string_view stageText, const spl::StepTally& tally) {
  if (g_interrupted) spl::JoinState.AbortRequested = true;
  if (!progressBar_) return;
  const bool newStage = stageText != drawnStage_;
  if (!newStage && !DueForRedraw()) return;
  drawnStage_ = stageText;
  if (!joining_ || tally.estimate != joinEstimate_) {
    meter_.Start("", tally.Total(), ProgressUnit::Steps, NowNs());
    joinEstimate_ = tally.estimate;
    joining_ = true;
  }
  meter_.SetTotal(tally.Total());
  meter_.SetWhat(drawnStage_.empty() ? "joining" : drawnStage_);
  meter_.Advance(tally.taken);
  Draw();
}

bool TerminalView::ShowFileProgress(const std::string& what, int64_t done, int64_t total, ProgressUnit unit) {
  if (g_interrupted) return false;
  if (!progressBar_) return true;
  if (joining_ || what != drawnStage_) {
    joining_ = false;
    drawnStage_ = what;
    meter_.Start(what, total, unit, NowNs());
    calls_ = 0;
  } else if (NowNs() - lastDrawNs_ < kRedrawNs) {
    meter_.Advance(done);
    return true;
  }
  meter_.Advance(done);
  Draw();
  return true;
}

void TerminalView::Draw() {
  lastDrawNs_ = NowNs();
  std::string line = meter_.Line(lastDrawNs_);
  // A line that wraps could not be drawn over again.
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 && line.size() >= size.ws_col) {
    line.resize(size.ws_col - 1u);
  }
  std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalView::ClearBar() {
  if (!drawn_) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

InterruptAsAbort::InterruptAsAbort() {
  g_interrupted = 0;
  g_previous = std::signal(SIGINT, OnInterrupt);
}

bool Interrupted() { return g_interrupted != 0; }

std::string InterruptionMessage(const std::string& when) {
  return "interrupted (Ctrl-C) " + when + "; nothing written";
}

tsxhost::ObjResult LoadWithProgress(TerminalView& view, const std::string& path, tsxhost::ObjReadOptions options) {
  const std::string what = "reading " + path;
  options.progress = [&view, &what](int64_t done, int64_t total) {
    return view.ShowFileProgress(what, done, total, ProgressUnit::Bytes);
  };
  tsxhost::ObjResult loaded = tsxhost::LoadScene(path, options);
  view.ClearBar();
  return loaded;
}

tsxhost::SaveResult SaveWithProgress(TerminalView& view, const std::string& path, const std::vector<tsxSOBJ>& objects,
                                     std::string* interrupted, const std::vector<tsxhost::AlongsideFile>& alongside) {
  const std::string what = "writing " + path;
  const bool started = !Interrupted();
  const tsxhost::SaveResult saved =
      !started ? tsxhost::SaveResult{false, path + ": " + tsxhost::kWritingStopped, false, {}}
               : tsxhost::SaveScene(
                     path, objects,
                     [&view, &what](int64_t done, int64_t total) {
                       return view.ShowFileProgress(what, done, total, ProgressUnit::Bytes);
                     },
                     alongside);
  view.ClearBar();
  // Once the files are in place, a Ctrl-C comes too late to stop anything.
  if (!saved.ok && Interrupted()) *interrupted = InterruptionMessage((started ? "while writing " : "before writing ") + path);
  return saved;
}

InterruptAsAbort::~InterruptAsAbort() { std::signal(SIGINT, g_previous == SIG_ERR ? SIG_DFL : g_previous); }

}  // namespace splicer
