// Stable least-significant-digit radix sort of 64-bit values by a range of
// their bits: linear in the count, for the large sorts of the junction
// search (the packed rank/index and cell/point entries).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace spl {

// Sorts data[0..count) stably by bits [lowBit, lowBit + bits) of each value;
// the other bits keep their relative order. `bits` at most 64 - lowBit.
inline void RadixSortBits(uint64_t* data, std::size_t count, int lowBit, int bits) {
  constexpr int kDigit = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigit;
  std::vector<uint64_t> scratch(count);
  uint64_t* from = data;
  uint64_t* to = scratch.data();
  for (int shift = lowBit; shift < lowBit + bits; shift += kDigit) {
    const int width = std::min(kDigit, lowBit + bits - shift);
    const uint64_t mask = (uint64_t{1} << width) - 1;
    std::size_t start[kBuckets + 1] = {};
    for (std::size_t i = 0; i < count; ++i) ++start[((from[i] >> shift) & mask) + 1];
    for (std::size_t b = 1; b <= kBuckets; ++b) start[b] += start[b - 1];
    for (std::size_t i = 0; i < count; ++i) to[start[(from[i] >> shift) & mask]++] = from[i];
    std::swap(from, to);
  }
  if (from != data) std::copy(from, from + count, data);
}

}  // namespace spl
