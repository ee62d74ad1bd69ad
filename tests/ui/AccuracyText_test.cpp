#include "ui/AccuracyText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace spl {
namespace {

TEST(AccuracyToText, PlainDecimalsWithoutTrailingZeros) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{0.0, "0"},     {0.01, "0.01"}, {0.001, "0.001"}, {0.5, "0.5"},
               {1.0, "1"},     {0.123, "0.123"}, {0.013, "0.013"}, {0.999, "0.999"},
               {0.0125, "0.0125"}};
  for (const auto& c : cases) EXPECT_EQ(AccuracyToText(c.value), c.text) << c.value;
}

TEST(AccuracyToText, EveryThousandthComesOutShort) {
  for (int i = 0; i <= 1000; ++i) {
    const std::string text = AccuracyToText(i / 1000.0);
    EXPECT_LE(text.size(), 5u) << i;
    EXPECT_EQ(text.find('e'), std::string::npos) << i;
    EXPECT_EQ(*TextToAccuracy(text), i / 1000.0) << text;
  }
}

TEST(TextToAccuracy, AcceptedForms) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{".", 0.0},      {"5.", 5.0},     {".5", 0.5},       {"  0.25  ", 0.25},
               {"+1", 1.0},     {"-0.5", -0.5},  {"1e-3", 0.001},   {"2E+2", 200.0},
               {".e1", 0.0},    {"007", 7.0},    {"1e-999", 0.0},   {"0.0125", 0.0125}, {"-.", 0.0}};
  for (const auto& c : cases) {
    const std::optional<double> value = TextToAccuracy(c.text);
    ASSERT_TRUE(value.has_value()) << c.text;
    EXPECT_EQ(*value, c.value) << c.text;
  }
}

TEST(TextToAccuracy, RefusedForms) {
  for (const char* text : {"", " ", "abc", "1,5", "1.2.3", "e5", "1e", "1e+", "--1", "0x10",
                           "1 2", "inf", "nan", "1e999", "-1e400", "+", "-e1"}) {
    EXPECT_FALSE(TextToAccuracy(text).has_value()) << '"' << text << '"';
  }
}

TEST(TextToAccuracy, IgnoresTheSystemDecimalComma) {
  const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  EXPECT_EQ(*TextToAccuracy("0.5"), 0.5);
  EXPECT_EQ(AccuracyToText(0.5), "0.5");
  if (old) std::setlocale(LC_NUMERIC, "C");
}

TEST(NotAFloatMessage, QuotesTheText) {
  EXPECT_EQ(NotAFloatMessage("1,5"), "'1,5' は浮動小数点数ではありません");
}

}  // namespace
}  // namespace spl
