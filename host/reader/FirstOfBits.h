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
  // Room for `count` distinct values in all, so that the table is not
  // rebuilt while they come.
  void Reserve(const std::vector<T>& list, std::size_t count) {
    std::size_t size = std::max<std::size_t>(slots_.size(), 64);
    while (size < 2 * count) size *= 2;
    if (size > slots_.size()) Rehash(list, size);
  }

  // Asks for the slot `v` will be looked up in, ahead of the lookup: the
  // table is far larger than the cache, and its slots are met at random.
  void Prefetch(const T& v) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[Hash(v) & mask_]);
  }

  // The index of the value with `v`'s bits, appended to `list` when new.
  int32_t Index(std::vector<T>& list, const T& v) {
    if (2 * (list.size() + 1) > slots_.size()) Rehash(list, std::max<std::size_t>(2 * slots_.size(), 64));
    const uint64_t hash = Hash(v);
    // A slot holds the value's index + 1 (0: empty) under the hash's high
    // half, so that most values unlike `v` are passed by without reading
    // the list.
    const uint64_t tag = hash & ~uint64_t{0xFFFFFFFF};
    std::size_t at = hash & mask_;
    for (;; at = (at + 1) & mask_) {
      const uint64_t slot = slots_[at];
      if (slot == 0) break;
      const auto index = static_cast<uint32_t>(slot) - 1;
      if ((slot & ~uint64_t{0xFFFFFFFF}) == tag && std::memcmp(&list[index], &v, sizeof(T)) == 0) {
        return static_cast<int32_t>(index);
      }
    }
    const auto index = static_cast<int32_t>(list.size());
    list.push_back(v);
    slots_[at] = tag | (static_cast<uint64_t>(index) + 1);
    return index;
  }

 private:
  static uint64_t Hash(const T& v) {
    uint32_t words[sizeof(T) / sizeof(uint32_t)];
    std::memcpy(words, &v, sizeof words);
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (const uint32_t w : words) h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 31);
  }
  void Rehash(const std::vector<T>& list, std::size_t size) {
    slots_.assign(size, 0);
    mask_ = size - 1;
    for (std::size_t i = 0; i < list.size(); ++i) {
      const uint64_t hash = Hash(list[i]);
      std::size_t at = hash & mask_;
      while (slots_[at] != 0) at = (at + 1) & mask_;
      slots_[at] = (hash & ~uint64_t{0xFFFFFFFF}) | (static_cast<uint64_t>(i) + 1);
    }
  }

  std::vector<uint64_t> slots_;
  std::size_t mask_ = 0;
};

}  // namespace tsxhost::detail
