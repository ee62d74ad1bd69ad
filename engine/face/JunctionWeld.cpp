#include "engine/face/JunctionWeld.h"

#include <algorithm>
#include <numeric>

namespace spl {

JunctionWeld::JunctionWeld(const int32_t* keep, const int32_t* drop, int32_t n) {
  const auto count = static_cast<std::size_t>(std::max(n, 0));
  std::vector<int32_t> corners(count);
  std::iota(corners.begin(), corners.end(), 0);
  // Stable, so that among corners naming one vertex the lowest comes first.
  std::stable_sort(corners.begin(), corners.end(),
                   [drop](int32_t a, int32_t b) { return drop[a] < drop[b]; });
  drop_.reserve(count);
  keep_.reserve(count);
  for (int32_t corner : corners) {
    if (!drop_.empty() && drop_.back() == drop[corner]) continue;
    drop_.push_back(drop[corner]);
    keep_.push_back(keep[corner]);
  }
}

int32_t JunctionWeld::Weld(int32_t vertex) const {
  if (drop_.empty() || vertex < drop_.front() || vertex > drop_.back()) return vertex;
  const auto it = std::lower_bound(drop_.begin(), drop_.end(), vertex);
  if (it == drop_.end() || *it != vertex) return vertex;
  return keep_[static_cast<std::size_t>(it - drop_.begin())];
}

int32_t JunctionWeld::DroppedBelow(int32_t vertex) const {
  if (drop_.empty() || vertex <= drop_.front()) return 0;
  if (vertex > drop_.back()) return static_cast<int32_t>(drop_.size());
  return static_cast<int32_t>(std::lower_bound(drop_.begin(), drop_.end(), vertex) -
                              drop_.begin());
}

}  // namespace spl
