// Nearest-first order of an object's faces by their distance keys.
#pragma once

#include <cstdint>
#include <memory>

namespace spl {

// A face's rank: its key, or after every key when the key could not be
// computed (`computable` false).
struct FaceRank {
  int32_t key = 0;
  bool computable = true;
};

// The order in which a selection places the faces: at position m the
// candidate starts as face m and is replaced, scanning every face in rising
// index order, by any unplaced face of strictly lower rank; the candidate
// is placed. Placed faces rank above every unplaced one. So position m
// takes face m itself when it is unplaced and of the lowest rank left, and
// otherwise the lowest-indexed face of the lowest rank left.
//
// Computed in O(n log n). `onPosition(m)` is called at the start of every
// position and may stop the ordering by returning false (an abort); the
// function then returns false with order[0..m) filled.
class FaceOrdering {
 public:
  // Throws std::bad_alloc, holding nothing, when its arrays cannot be had.
  FaceOrdering(const FaceRank* ranks, int32_t count);

  template <typename OnPosition>
  bool Place(int32_t* order, OnPosition&& onPosition) {
    for (int32_t m = 0; m < count_; ++m) {
      if (!onPosition(m)) return false;
      order[m] = Next(m);
    }
    return true;
  }

 private:
  int32_t Next(int32_t m);

  const FaceRank* ranks_;
  int32_t count_;
  std::unique_ptr<uint64_t[]> sorted_;  // rank and index packed, ascending
  std::unique_ptr<bool[]> placed_;
  int32_t cursor_ = 0;  // first entry of sorted_ that may be unplaced
};

}  // namespace spl
