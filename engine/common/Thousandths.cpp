#include "engine/common/Thousandths.h"

#include <cmath>
#include <cstdio>

namespace spl {
namespace {

// The float taken times 1000: a float has 24 significant bits, so the
// product is exact in double and std::round sees the true value.
double ThousandfoldOf(double value) {
  const float single = static_cast<float>(value);
  return std::round(static_cast<double>(single) * 1000.0);
}

}  // namespace

std::optional<int32_t> TryRoundToThousandths(double value) {
  const double rounded = ThousandfoldOf(value);
  // Written so that NaN fails too.
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return std::nullopt;
  return static_cast<int32_t>(rounded);
}

std::string NotAnIntegerMessage(double value) {
  const double rounded = ThousandfoldOf(value);
  char number[64];
  if (std::isnan(rounded)) {
    std::snprintf(number, sizeof number, "NAN");
  } else if (std::isinf(rounded)) {
    std::snprintf(number, sizeof number, rounded > 0 ? "INF" : "-INF");
  } else {
    std::snprintf(number, sizeof number, "%.0f", rounded);
  }
  return std::string("'") + number + "' は整数ではありません";
}

int32_t RoundToThousandths(double value) {
  if (const auto result = TryRoundToThousandths(value)) return *result;
  throw ConversionError(NotAnIntegerMessage(value));
}

}  // namespace spl
