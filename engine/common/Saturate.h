// Step counts for display: a count past the 32-bit range stays at its end
// instead of wrapping, since StepsToGo is an estimate and never a bound.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace spl {

inline int32_t SaturateToInt32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

inline int32_t SaturatingSubtract(int32_t a, int32_t b) { return SaturateToInt32(int64_t{a} - b); }

// An estimate of steps to go: never below 0.
inline int32_t SaturateToSteps(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, 0, std::numeric_limits<int32_t>::max()));
}

}  // namespace spl
