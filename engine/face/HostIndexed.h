// The host counts and indexes faces and vertices with int32_t; the engine's
// own per-face and per-vertex arrays are vectors. Here, once, one is indexed
// by the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace spl {

// One element per host index: sized by a host count, indexed by a host
// index (never negative where used).
template <typename T>
class HostIndexed {
 public:
  HostIndexed() = default;
  HostIndexed(int32_t count, const T& value) : items_(Size(count), value) {}

  void assign(int32_t count, const T& value) { items_.assign(Size(count), value); }
  T& operator[](int32_t i) { return items_[Size(i)]; }
  const T& operator[](int32_t i) const { return items_[Size(i)]; }
  T* data() { return items_.data(); }
  const T* data() const { return items_.data(); }

 private:
  static std::size_t Size(int32_t n) { return static_cast<std::size_t>(n); }
  std::vector<T> items_;
};

}  // namespace spl
