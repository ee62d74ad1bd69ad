// The face records a merge makes with tsxFaceCopy, in one host block of
// face pointers, until the host takes them over.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/common/HostBlock.h"
#include "interface/tsxapi.h"

namespace spl {

// Records not handed to the host are released with tsxFree: the host makes
// each copy, corners and holes included, as one block.
class FaceCopies {
 public:
  explicit FaceCopies(std::size_t capacity) : slots_(capacity) {}
  ~FaceCopies() {
    for (int32_t i = 0; i < made_; ++i) tsxFree(slots_[static_cast<std::size_t>(i)]);
  }
  FaceCopies(const FaceCopies&) = delete;
  FaceCopies& operator=(const FaceCopies&) = delete;

  explicit operator bool() const { return static_cast<bool>(slots_); }
  // Copies `face` into the next slot; 0 or the host's status.
  int32_t Append(const CtsxFace* face) {
    const int32_t status = tsxFaceCopy(&slots_[static_cast<std::size_t>(made_)], face);
    if (status == 0) ++made_;
    return status;
  }
  int32_t Made() const { return made_; }
  CtsxFace* operator[](int32_t i) const { return slots_[static_cast<std::size_t>(i)]; }
  // The array and every record in it become the host's.
  CtsxFace** Release() {
    made_ = 0;
    return slots_.release();
  }

 private:
  HostBlock<CtsxFace*> slots_;
  int32_t made_ = 0;
};

}  // namespace spl
