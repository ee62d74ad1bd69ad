// Scoped ownership of memory from the host's allocator: a working array is
// given back with tsxFree on every way out of the stage that took it, unless
// it was handed to the host (release) first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "interface/tsxapi.h"

namespace spl {

template <typename T>
class HostBlock {
 public:
  HostBlock() = default;
  // Asks the host for `count` elements; empty (null) when it has no memory
  // or the size does not fit. A count of 0 is passed on like any other.
  explicit HostBlock(std::size_t count) {
    if (count <= SIZE_MAX / sizeof(T)) p_ = static_cast<T*>(tsxMalloc(count * sizeof(T)));
  }
  ~HostBlock() { tsxFree(p_); }
  HostBlock(HostBlock&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  HostBlock& operator=(HostBlock&& other) noexcept {
    if (this != &other) {
      tsxFree(p_);
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  HostBlock(const HostBlock&) = delete;
  HostBlock& operator=(const HostBlock&) = delete;

  explicit operator bool() const { return p_ != nullptr; }
  T* get() const { return p_; }
  T& operator[](std::size_t i) const { return p_[i]; }
  // Gives the block up without freeing it (the host takes it over).
  T* release() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

}  // namespace spl
