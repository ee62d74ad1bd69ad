#include "engine/common/Thousandths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace spl {
namespace {

TEST(RoundToThousandths, RoundsTheSinglePrecisionValue) {
  struct Case {
    double value;
    int32_t thousandths;
  } cases[] = {
      {0.01, 10},
      {0.0125, 13},   // its float lies just above 0.0125
      {0.0025, 2},    // its float lies just below 0.0025
      {0.0015, 2},
      {0.0, 0},
      {-0.0005, -1},  // halves away from zero, on the float's value
      {-0.001, -1},
      {1.0, 1000},
      {0.0104, 10},
      {0.0106, 11},
      {2147483.5, 2147483500},
      // Exact halves in single precision: away from zero, never to even.
      {0.0625, 63},
      {-0.0625, -63},
      {0.3125, 313},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(RoundToThousandths(c.value), c.thousandths);
    EXPECT_EQ(TryRoundToThousandths(c.value), c.thousandths);
  }
}

TEST(RoundToThousandths, RefusesWhatDoesNotFitWithTheConversionMessage) {
  // 2147483.6475 and above: float 2147483.75 -> 2147483750.
  try {
    RoundToThousandths(2147483.6475);
    FAIL() << "no conversion error";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'2147483750' は整数ではありません");
  }
  EXPECT_FALSE(TryRoundToThousandths(1e12));
  EXPECT_EQ(TryRoundToThousandths(2147483.6), 2147483648 - 148);  // float 2147483.5
}

TEST(RoundToThousandths, AlsoRefusesTooSmallAndNotANumber) {
  EXPECT_THROW(RoundToThousandths(-2147483.75), ConversionError);
  EXPECT_THROW(RoundToThousandths(std::numeric_limits<double>::quiet_NaN()),
               ConversionError);
  EXPECT_THROW(RoundToThousandths(std::numeric_limits<double>::infinity()),
               ConversionError);
  EXPECT_EQ(NotAnIntegerMessage(std::nan("")), "'NAN' は整数ではありません");
  EXPECT_EQ(NotAnIntegerMessage(-1e30), std::string("'") +
                                            "-1000000015047466219876688855040000" +
                                            "' は整数ではありません");
}

}  // namespace
}  // namespace spl
