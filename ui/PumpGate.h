// When the main window lets a running join's progress calls dispatch
// events. One dispatch per call costs more than the work of a cheap
// progress loop; one every 10 ms keeps the window as lively as a screen
// refresh, and a new stage always dispatches so its text shows at once.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace spl {

class TPumpGate {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterval{10};

  // Whether the call with `stageText` at `now` should dispatch; when it
  // says yes it counts as the last dispatch.
  bool ShouldDispatch(std::string_view stageText, Clock::time_point now);

 private:
  bool dispatched_ = false;
  Clock::time_point last_{};
  std::string lastStage_;
};

}  // namespace spl
