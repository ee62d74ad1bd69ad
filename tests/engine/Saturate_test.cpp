#include "engine/common/Saturate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace spl {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(Saturate, CountsStayAtTheEndsOfTheRange) {
  EXPECT_EQ(SaturateToInt32(int64_t{kMax} + 1), kMax);
  EXPECT_EQ(SaturateToInt32(int64_t{kMin} - 1), kMin);
  EXPECT_EQ(SaturateToInt32(-7), -7);
  EXPECT_EQ(SaturatingSubtract(kMin, 1), kMin);
  EXPECT_EQ(SaturatingSubtract(kMax, -1), kMax);
  EXPECT_EQ(SaturatingSubtract(5, 7), -2);
  // Steps to go are never below zero.
  EXPECT_EQ(SaturateToSteps(-1), 0);
  EXPECT_EQ(SaturateToSteps(int64_t{kMax} * 3), kMax);
  EXPECT_EQ(SaturateToSteps(135), 135);
}

}  // namespace
}  // namespace spl
