// The weld across the junction: which vertices of junction face B vanish
// and which vertex of face A takes each one's place.
#pragma once

#include <cstdint>
#include <vector>

namespace spl {

// Built once per merge from the paired corners of the two junction faces,
// in the merged vertex numbering (face B's indices + VA). Lookups are a
// binary search over the distinct dropped indices, so a face of any corner
// count costs O(log N) per corner.
//
// Face B may name one vertex at several corners: that vertex is dropped
// once and counted once when indices are closed up, and it moves onto face
// A's vertex of the lowest corner that names it (what a scan of the corners
// in order finds first).
class JunctionWeld {
 public:
  // keep[i]: vertex of face A's corner i; drop[i]: merged index of the
  // corner of face B that lies on it. Both hold `n` entries.
  JunctionWeld(const int32_t* keep, const int32_t* drop, int32_t n);

  // The kept vertex for a dropped one; any other index unchanged.
  int32_t Weld(int32_t vertex) const;
  // How many distinct dropped indices lie below `vertex`.
  int32_t DroppedBelow(int32_t vertex) const;
  // The distinct dropped indices, rising.
  const std::vector<int32_t>& Dropped() const { return drop_; }

 private:
  std::vector<int32_t> drop_;
  std::vector<int32_t> keep_;
};

}  // namespace spl
