#include "ui/PumpGate.h"

#include <gtest/gtest.h>

namespace spl {
namespace {

using namespace std::chrono_literals;

TEST(PumpGate, DispatchesOnNewStagesAndEveryTenMilliseconds) {
  TPumpGate gate;
  const TPumpGate::Clock::time_point t0{};
  const struct {
    const char* stage;
    std::chrono::microseconds at;
    bool dispatch;
  } calls[] = {
      {"Sorting faces(1)...", 0us, true},       // first call ever
      {"Sorting faces(1)...", 1us, false},      // same stage, too soon
      {"Sorting faces(1)...", 9999us, false},   // still under 10 ms
      {"Sorting faces(1)...", 10000us, true},   // 10 ms since the last dispatch
      {"Sorting faces(2)...", 10001us, true},   // a new stage at once
      {"Sorting faces(2)...", 15000us, false},
      {"Sorting faces(1)...", 15001us, true},   // differs from the last dispatch
      {"Sorting faces(1)...", 26000us, true},
  };
  for (const auto& c : calls) {
    EXPECT_EQ(gate.ShouldDispatch(c.stage, t0 + c.at), c.dispatch)
        << c.stage << " at " << c.at.count() << " us";
  }
}

TEST(PumpGate, EmptyStageTextStillDispatchesFirst) {
  TPumpGate gate;
  EXPECT_TRUE(gate.ShouldDispatch("", TPumpGate::Clock::time_point{}));
  EXPECT_FALSE(gate.ShouldDispatch("", TPumpGate::Clock::time_point{} + 1ms));
}

}  // namespace
}  // namespace spl
