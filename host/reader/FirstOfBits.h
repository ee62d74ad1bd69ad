// Welding values that are identical bit for bit (positions, UVs, normals
// read from formats that split vertices): each value gets the index of its
// first occurrence in a list that holds every distinct value once, in the
// order first seen. An open-addressing table of indices into that list, so
// the keys are the list itself: no node per value, no second copy of it.
// The list is passed to every call (its owner may move) and must be changed
// by no one else.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace tsxhost::detail {

template <typename T>
class FirstOfBits {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % sizeof(uint32_t) == 0);

 public:
  // The index of the value with `v`'s bits, appended to `list` when new.
  int32_t Index(std::vector<T>& list, const T& v) {
    if (2 * (list.size() + 1) > slots_.size()) Rehash(list, std::max<std::size_t>(2 * slots_.size(), 64));
    std::size_t at = Hash(v) & mask_;
    for (;; at = (at + 1) & mask_) {
      const int32_t slot = slots_[at];
      if (slot < 0) break;
      if (std::memcmp(&list[static_cast<std::size_t>(slot)], &v, sizeof(T)) == 0) return slot;
    }
    const auto index = static_cast<int32_t>(list.size());
    list.push_back(v);
    slots_[at] = index;
    return index;
  }

 private:
  static std::size_t Hash(const T& v) {
    uint32_t words[sizeof(T) / sizeof(uint32_t)];
    std::memcpy(words, &v, sizeof words);
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (const uint32_t w : words) h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
    return static_cast<std::size_t>(h ^ (h >> 31));
  }
  void Rehash(const std::vector<T>& list, std::size_t size) {
    slots_.assign(size, -1);
    mask_ = size - 1;
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::size_t at = Hash(list[i]) & mask_;
      while (slots_[at] >= 0) at = (at + 1) & mask_;
      slots_[at] = static_cast<int32_t>(i);
    }
  }

  std::vector<int32_t> slots_;
  std::size_t mask_ = 0;
};

}  // namespace tsxhost::detail
