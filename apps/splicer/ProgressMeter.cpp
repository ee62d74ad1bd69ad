#include "apps/splicer/ProgressMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace splicer {
namespace {

constexpr int64_t kMinElapsedNs = 100'000'000;

std::string Fixed(double value, int decimals, const char* suffix) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f%s", decimals, value, suffix);
  return text;
}

}  // namespace

std::string Amount(int64_t count, ProgressUnit unit) {
  if (unit == ProgressUnit::Bytes) {
    const double mb = static_cast<double>(count) / 1e6;
    if (count < 1'000'000) return Fixed(static_cast<double>(count) / 1e3, 0, " kB");
    return Fixed(mb, mb < 100 ? 1 : 0, " MB");
  }
  const char* name = unit == ProgressUnit::Faces ? " faces" : " steps";
  const double value = static_cast<double>(count);
  if (count < 100'000) return std::to_string(count) + name;
  const std::string suffix = name;
  if (count < 1'000'000'000) return Fixed(value / 1e6, 1, (" M" + suffix).c_str());
  if (count < 1'000'000'000'000) return Fixed(value / 1e9, 1, (" G" + suffix).c_str());
  return Fixed(value / 1e12, 1, (" T" + suffix).c_str());
}

std::string Duration(double seconds) {
  const int64_t s = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(seconds)));
  if (s < 60) return std::to_string(s) + " s";
  if (s < 3600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
  if (s < 100 * 3600) return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
  return "more than 4 days";
}

void ProgressMeter::Start(std::string what, int64_t total, ProgressUnit unit, int64_t nowNs) {
  what_ = std::move(what);
  total_ = std::max<int64_t>(0, total);
  done_ = 0;
  startNs_ = nowNs;
  unit_ = unit;
}

void ProgressMeter::SetTotal(int64_t total) {
  total_ = std::max<int64_t>(0, total);
  done_ = std::min(done_, total_);
}

void ProgressMeter::Advance(int64_t done) { done_ = std::clamp(done, done_, total_); }

std::string ProgressMeter::Line(int64_t nowNs, int barWidth) const {
  const double fraction = total_ > 0 ? static_cast<double>(done_) / static_cast<double>(total_) : 0.0;
  const int filled = static_cast<int>(fraction * barWidth);
  std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(barWidth - filled), '-') + "] ";
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
  line += percent;
  line += "  " + what_ + "  " + Amount(Remaining(), unit_) + " to go";
  const int64_t elapsedNs = nowNs - startNs_;
  if (elapsedNs >= kMinElapsedNs && done_ > 0) {
    const double seconds = static_cast<double>(elapsedNs) / 1e9;
    const double rate = static_cast<double>(done_) / seconds;
    line += ", " + Amount(static_cast<int64_t>(rate), unit_) + "/s";
    line += ", " + Duration(static_cast<double>(Remaining()) / rate) + " left";
  }
  return line;
}

}  // namespace splicer
