// A spatial index of points: which points may lie within a radius of a
// query point. Answers a superset (a uniform grid hashed by cell), so
// callers apply their own exact test to what it returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "interface/tsxapi.h"

namespace spl {

class CornerIndex {
 public:
  // Indexes points[0..count) for queries of the given radius (> 0).
  // Points that are not finite are left out.
  CornerIndex(const CtsxVector3f* points, int32_t count, double radius);

  // Calls visit(i) for every indexed point i that may lie within the radius
  // of q; some points farther away may be visited too, and a point may be
  // visited more than once.
  template <typename Visit>
  void ForEachNear(const CtsxVector3f& q, Visit&& visit) const {
    AnyNear(q, [&visit](int32_t i) {
      visit(i);
      return false;
    });
  }

  // How many entries ForEachNear(q) would visit, from the cells' sizes
  // alone.
  std::size_t CountNear(const CtsxVector3f& q) const;

  // Whether test(i) holds for some indexed point i near q, as ForEachNear
  // would visit them; stops at the first that does.
  template <typename Test>
  bool AnyNear(const CtsxVector3f& q, Test&& test) const {
    int64_t lo[3], hi[3];
    if (!QueryCells(q, lo, hi)) return false;
    if (ScanAll(lo, hi)) {
      for (const uint64_t entry : entries_) {
        if (test(static_cast<int32_t>(entry & 0xFFFFFFFFu))) return true;
      }
      return false;
    }
    for (int64_t x = lo[0]; x <= hi[0]; ++x)
      for (int64_t y = lo[1]; y <= hi[1]; ++y)
        for (int64_t z = lo[2]; z <= hi[2]; ++z) {
          const auto [begin, end] = Bucket(CellKey(x, y, z));
          for (uint32_t e = begin; e < end; ++e) {
            if (test(static_cast<int32_t>(entries_[e] & 0xFFFFFFFFu))) return true;
          }
        }
    return false;
  }

 private:
  static uint64_t CellKey(int64_t x, int64_t y, int64_t z);
  int64_t CellOf(double coordinate) const;
  bool QueryCells(const CtsxVector3f& q, int64_t* lo, int64_t* hi) const;
  // True when the range holds more cells than there are points: visiting
  // every point is then the shorter way.
  bool ScanAll(const int64_t* lo, const int64_t* hi) const;
  std::pair<uint32_t, uint32_t> Bucket(uint64_t key) const;

  double cell_;
  double reach_;
  // (cell key high 32 bits, point index low 32 bits), sorted by key; the
  // table maps a key's slot to the range of its entries.
  std::vector<uint64_t> entries_;
  struct Slot {
    uint32_t key = 0;
    uint32_t begin = 0;
    uint32_t end = 0;
  };
  std::vector<Slot> slots_;
  uint64_t mask_ = 0;
  std::vector<uint64_t> occupied_;  // one bit per hashed key, 8 per key
  uint64_t bitMask_ = 0;
};

}  // namespace spl
