// What a join works on, taken from the join state record once, where the
// join starts, and handed to each stage: the stages never read the record's
// accuracy themselves, so they all compare in the same whole thousandths.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/common/JoinState.h"

namespace spl {

struct JoinInputs {
  HostObject first = 0;
  HostObject second = 0;
  double accuracy = 0.0;                // as the caller gave it, world units
  std::optional<int32_t> thousandths;   // the accuracy in whole thousandths; empty when it does not fit

  // The thousandths, or ConversionError with the toolkit's message for the
  // accuracy when they do not fit. A stage calls it where it first needs
  // them, so that the failure shows there and not earlier.
  int32_t Thousandths() const;
};

// The inputs of a join of `first` and `second` at `accuracy`: the one place
// an accuracy becomes whole thousandths.
JoinInputs JoinInputsAt(HostObject first, HostObject second, double accuracy);

// The inputs of a join of `state`'s two picks at its accuracy.
JoinInputs JoinInputsOf(const TJoinState& state);

}  // namespace spl
