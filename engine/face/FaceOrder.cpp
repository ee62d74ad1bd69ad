// The selection order of faces, from one sort: the lowest rank left is
// always at the front of the sorted list once placed entries are skipped.
#include "engine/face/FaceOrder.h"

#include "engine/common/RadixSort.h"

namespace spl {
namespace {

// 33 bits of rank (computable flag above the key biased to unsigned) over
// 31 bits of index: sorting the packed values sorts by rank, then index.
uint64_t RankBits(const FaceRank& r) {
  const uint64_t key = static_cast<uint32_t>(r.key) ^ 0x80000000u;
  return (static_cast<uint64_t>(r.computable ? 0 : 1) << 32) | key;
}

}  // namespace

FaceOrdering::FaceOrdering(const FaceRank* ranks, int32_t count)
    : ranks_(ranks), count_(count > 0 ? count : 0),
      sorted_(std::make_unique_for_overwrite<uint64_t[]>(static_cast<size_t>(count_) + 1)),
      placed_(std::make_unique<bool[]>(static_cast<size_t>(count_) + 1)) {
  for (int32_t i = 0; i < count_; ++i) {
    sorted_[i] = (RankBits(ranks_[i]) << 31) | static_cast<uint32_t>(i);
  }
  // Entries are in index order, so a stable sort on the rank bits alone
  // orders equal ranks by index.
  RadixSortBits(sorted_.get(), static_cast<size_t>(count_), 31, 33);
}

int32_t FaceOrdering::Next(int32_t m) {
  constexpr uint64_t kIndexMask = (uint64_t{1} << 31) - 1;
  while (placed_[sorted_[cursor_] & kIndexMask]) ++cursor_;
  const auto lowest = static_cast<int32_t>(sorted_[cursor_] & kIndexMask);
  int32_t chosen = lowest;
  if (!placed_[m] && RankBits(ranks_[m]) == RankBits(ranks_[lowest])) chosen = m;
  placed_[chosen] = true;
  return chosen;
}

}  // namespace spl
