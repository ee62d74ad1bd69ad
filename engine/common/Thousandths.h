// Whole thousandths: the unit of every distance comparison of a join.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace spl {

// A number that does not convert, with the toolkit's message for it.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `value` taken in single precision, times 1000 (exact in double), rounded
// half away from zero. Empty when the result is not a 32-bit integer (too
// large, too small, or not a number).
std::optional<int32_t> TryRoundToThousandths(double value);

// The same, throwing ConversionError with "'%s' は整数ではありません" (the
// rounded number in place of %s) when the result does not fit.
int32_t RoundToThousandths(double value);

// The message of that error for `value`.
std::string NotAnIntegerMessage(double value);

}  // namespace spl
