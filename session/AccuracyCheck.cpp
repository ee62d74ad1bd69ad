#include "session/AccuracyCheck.h"

#include <cmath>
#include <cstdio>

namespace spl {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

}  // namespace

std::optional<std::string> AccuracyRefusal(double accuracy, std::string_view name) {
  const std::string what(name);
  if (std::isnan(accuracy)) return what + " must be a number (got " + Number(accuracy) + ")";
  if (accuracy < 0) return what + " must not be negative (got " + Number(accuracy) + ")";
  if (accuracy > kLargestAccuracy) {
    return what + " must be at most " + Number(kLargestAccuracy) +
           ", since distances are compared in whole thousandths (got " + Number(accuracy) + ")";
  }
  return std::nullopt;
}

std::optional<std::string> AccuracyWarning(double accuracy, std::string_view name) {
  if (!(accuracy >= 0 && accuracy < kAccuracyResolution)) return std::nullopt;
  return std::string(name) + " " + Number(accuracy) + " is below the resolution of the join (" +
         Number(kAccuracyResolution) + "): distances are rounded to whole thousandths, so corners less than " +
         Number(kAccuracyResolution) + " apart count as coinciding";
}

}  // namespace spl
