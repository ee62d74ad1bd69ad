#include "ui/PumpGate.h"

namespace spl {

bool TPumpGate::ShouldDispatch(std::string_view stageText, Clock::time_point now) {
  if (dispatched_ && stageText == lastStage_ && now - last_ < kInterval) return false;
  dispatched_ = true;
  last_ = now;
  lastStage_.assign(stageText);
  return true;
}

}  // namespace spl
