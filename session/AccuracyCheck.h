// Whether an accuracy given by a caller (the command line, Python, the host
// program's dialogs) can be used, said in plain English before any work.
// The plug-in's own window keeps its own conversion and messages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace spl {

// Every distance is compared in whole thousandths of 32 bits; this bound
// is exact in single precision and its thousandths fit.
inline constexpr double kLargestAccuracy = 2147483.0;
// Distances are rounded to whole thousandths, so below half a thousandth
// every accuracy compares as zero.
inline constexpr double kAccuracyResolution = 0.0005;

// Why `accuracy` cannot be used (not a number, negative, infinite or above
// kLargestAccuracy), naming it as `name` ("--accuracy"); empty when it can.
std::optional<std::string> AccuracyRefusal(double accuracy, std::string_view name);

// When `accuracy` is below the resolution: what is compared instead.
std::optional<std::string> AccuracyWarning(double accuracy, std::string_view name);

}  // namespace spl
