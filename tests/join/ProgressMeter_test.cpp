// What the command line's progress bar says: a count that only goes down,
// the rate so far and the time left, on work whose parts differ in size.
#include "apps/splicer/ProgressMeter.h"

#include <gtest/gtest.h>

namespace {

using splicer::ProgressMeter;
using splicer::ProgressUnit;

constexpr int64_t kSecond = 1'000'000'000;

TEST(ProgressMeter, CountOnlyGoesDownAndNeverBelowZero) {
  ProgressMeter meter;
  meter.Start("joining", 1000, ProgressUnit::Steps, 0);
  meter.Advance(300);
  EXPECT_EQ(meter.Remaining(), 700);
  meter.Advance(200);  // a smaller count of steps done: ignored
  EXPECT_EQ(meter.Remaining(), 700);
  meter.Advance(5000);  // more done than estimated: held at the total
  EXPECT_EQ(meter.Remaining(), 0);
  // Work found smaller: the total shrinks, what was done stays done.
  meter.Start("joining", 1000, ProgressUnit::Steps, 0);
  meter.Advance(300);
  meter.SetTotal(400);
  EXPECT_EQ(meter.Remaining(), 100);
  EXPECT_EQ(meter.Line(kSecond, 4), "[###-]  75%  joining  100 steps to go, 300 steps/s, 1 s left");
  meter.Start("joining", -5, ProgressUnit::Steps, 0);
  EXPECT_EQ(meter.Total(), 0);
  EXPECT_EQ(meter.Remaining(), 0);
}

TEST(ProgressMeter, LineShowsWhatIsLeftTheRateAndTheTimeLeft) {
  ProgressMeter meter;
  meter.Start("reading big.obj", 4'000'000, ProgressUnit::Bytes, 10 * kSecond);
  meter.Advance(1'000'000);
  // A quarter done in half a second: 2 MB/s, 3 MB left, so 2 s.
  EXPECT_EQ(meter.Line(10 * kSecond + kSecond / 2, 8), "[##------]  25%  reading big.obj  3.0 MB to go, 2.0 MB/s, 2 s left");
}

TEST(ProgressMeter, NoRateBeforeAnythingIsDoneOrTimeHasPassed) {
  ProgressMeter meter;
  meter.Start("Searching faces...", 12'345'678'901, ProgressUnit::Steps, 0);
  EXPECT_EQ(meter.Line(5 * kSecond, 4), "[----]   0%  Searching faces...  12.3 G steps to go");
  meter.Advance(45'678'901);
  EXPECT_EQ(meter.Line(kSecond / 20, 4), "[----]   0%  Searching faces...  12.3 G steps to go");
  EXPECT_EQ(meter.Line(kSecond, 4),
            "[----]   0%  Searching faces...  12.3 G steps to go, 45.7 M steps/s, 4 min 30 s left");
}

TEST(ProgressMeter, AmountsAndDurations) {
  EXPECT_EQ(splicer::Amount(99'999, ProgressUnit::Steps), "99999 steps");
  EXPECT_EQ(splicer::Amount(1'234'567, ProgressUnit::Faces), "1.2 M faces");
  EXPECT_EQ(splicer::Amount(987'654, ProgressUnit::Bytes), "988 kB");
  EXPECT_EQ(splicer::Amount(213'456'789, ProgressUnit::Bytes), "213 MB");
  EXPECT_EQ(splicer::Duration(0.2), "1 s");
  EXPECT_EQ(splicer::Duration(74.5), "1 min 15 s");
  EXPECT_EQ(splicer::Duration(7300), "2 h 1 min");
}

}  // namespace
