// A uniform grid of cells four times the radius wide, so that the
// neighbourhood of a query touches at most two cells per axis and mostly
// one. Cells are hashed to 32-bit keys; two cells that share a key share a
// bucket, which only adds candidates. Entries are sorted by key into one
// array, found through an open-addressing table of key ranges. A bitset of
// occupied keys, small enough to stay in cache, answers most queries of
// empty cells without touching the table.
#include "engine/common/CornerIndex.h"

#include <algorithm>
#include <cmath>

#include "engine/common/Coincidence.h"
#include "engine/common/RadixSort.h"

namespace spl {
namespace {

constexpr double kCellLimit = 4.0e18;  // keeps cell numbers inside int64

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

uint64_t CornerIndex::CellKey(int64_t x, int64_t y, int64_t z) {
  const uint64_t h = Mix(static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ULL ^
                         Mix(static_cast<uint64_t>(y) + 0x632BE59BD9B4E019ULL) ^
                         Mix(static_cast<uint64_t>(z) * 0x85EBCA77C2B2AE63ULL + 1));
  return h & 0xFFFFFFFFu;
}

int64_t CornerIndex::CellOf(double coordinate) const {
  // Clamping is monotone, so points within reach stay within one cell.
  const double c = std::floor(coordinate / cell_);
  return static_cast<int64_t>(std::clamp(c, -kCellLimit, kCellLimit));
}

CornerIndex::CornerIndex(const CtsxVector3f* points, int32_t count, double radius)
    : cell_(4.0 * radius), reach_(radius * (1.0 + 1e-6)) {
  entries_.reserve(static_cast<size_t>(std::max(count, 0)));
  for (int32_t i = 0; i < count; ++i) {
    const CtsxVector3f& p = points[i];
    if (!Finite(p)) continue;
    const uint64_t key = CellKey(CellOf(p.x), CellOf(p.y), CellOf(p.z));
    entries_.push_back((key << 32) | static_cast<uint32_t>(i));
  }
  // Entries are in point order; sorting stably by the key keeps it.
  RadixSortBits(entries_.data(), entries_.size(), 32, 32);

  size_t size = 16;
  while (size < entries_.size() * 2) size *= 2;
  slots_.assign(size, Slot{});
  mask_ = size - 1;
  occupied_.assign(std::max<size_t>(size / 16, 1), 0);
  bitMask_ = occupied_.size() * 64 - 1;
  for (size_t e = 0; e < entries_.size();) {
    const auto key = static_cast<uint32_t>(entries_[e] >> 32);
    size_t end = e;
    while (end < entries_.size() && static_cast<uint32_t>(entries_[end] >> 32) == key) ++end;
    const uint64_t h = Mix(key);
    occupied_[(h >> 32 & bitMask_) / 64] |= uint64_t{1} << (h >> 32 & 63);
    uint64_t s = h & mask_;
    while (slots_[s].end != 0) s = (s + 1) & mask_;
    slots_[s] = {key, static_cast<uint32_t>(e), static_cast<uint32_t>(end)};
    e = end;
  }
}

bool CornerIndex::QueryCells(const CtsxVector3f& q, int64_t* lo, int64_t* hi) const {
  if (!Finite(q) || entries_.empty()) return false;
  const double c[3] = {q.x, q.y, q.z};
  // Division rounds relative to the coordinate's size; widen by as much,
  // but never by more than one cell: cells four radii wide already leave
  // room for the rounding, and an unbounded widening makes a query at huge
  // coordinates visit billions of cells.
  const double slack = std::min(1e-15 * std::max({std::fabs(c[0]), std::fabs(c[1]), std::fabs(c[2])}), cell_);
  const double reach = reach_ + slack;
  for (int a = 0; a < 3; ++a) {
    lo[a] = CellOf(c[a] - reach);
    hi[a] = CellOf(c[a] + reach);
  }
  return true;
}

std::size_t CornerIndex::CountNear(const CtsxVector3f& q) const {
  int64_t lo[3], hi[3];
  if (!QueryCells(q, lo, hi)) return 0;
  if (ScanAll(lo, hi)) return entries_.size();
  std::size_t count = 0;
  for (int64_t x = lo[0]; x <= hi[0]; ++x)
    for (int64_t y = lo[1]; y <= hi[1]; ++y)
      for (int64_t z = lo[2]; z <= hi[2]; ++z) {
        const auto [begin, end] = Bucket(CellKey(x, y, z));
        count += end - begin;
      }
  return count;
}

bool CornerIndex::ScanAll(const int64_t* lo, const int64_t* hi) const {
  uint64_t cells = 1;
  for (int a = 0; a < 3; ++a) cells *= static_cast<uint64_t>(hi[a] - lo[a]) + 1;
  return cells > entries_.size();
}

std::pair<uint32_t, uint32_t> CornerIndex::Bucket(uint64_t key) const {
  const uint64_t h = Mix(key);
  if (!(occupied_[(h >> 32 & bitMask_) / 64] >> (h >> 32 & 63) & 1)) return {0, 0};
  for (uint64_t s = h & mask_;; s = (s + 1) & mask_) {
    const Slot& slot = slots_[s];
    if (slot.end == 0) return {0, 0};
    if (slot.key == key) return {slot.begin, slot.end};
  }
}

}  // namespace spl
