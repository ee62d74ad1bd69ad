#include "apps/splicer/TerminalView.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/common/JoinState.h"

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
constexpr int kBarWidth = 24;

}  // namespace

TerminalView::TerminalView(bool progressBar) : progressBar_(progressBar) {}

TerminalView::~TerminalView() { ClearBar(); }

void TerminalView::ShowMessage(spl::BoxType type, std::string_view /*title*/,
                               std::string_view text) {
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

void TerminalView::SetStepsText(std::string_view text) {
  steps_ = text;
  stepsToGo_ = std::strtoll(steps_.c_str(), nullptr, 10);
  estimate_ = std::max(estimate_, stepsToGo_);
}

void TerminalView::PumpEvents(std::string_view stageText) {
  if (g_interrupted) spl::JoinState.AbortRequested = true;
  if (!progressBar_) return;
  if (stageText != drawnStage_) {
    drawnStage_ = stageText;
    Draw();
    return;
  }
  if (++calls_ % kCallsBetweenClockReads != 0) return;
  if (NowNs() - lastDrawNs_ >= kRedrawNs) Draw();
}

void TerminalView::Draw() {
  lastDrawNs_ = NowNs();
  double done = 0;
  if (estimate_ > 0) done = std::clamp(1.0 - static_cast<double>(stepsToGo_) / static_cast<double>(estimate_), 0.0, 1.0);
  const int filled = static_cast<int>(done * kBarWidth);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
  std::fprintf(stderr, "\r[%s] %3d%%  %-26s %s to go\x1b[K", bar.c_str(), static_cast<int>(done * 100),
               stage_.c_str(), steps_.c_str());
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

InterruptAsAbort::~InterruptAsAbort() { std::signal(SIGINT, g_previous == SIG_ERR ? SIG_DFL : g_previous); }

}  // namespace splicer
