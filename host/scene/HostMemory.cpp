// The host's allocator, with the bookkeeping that tests read: a block is
// tagged outstanding while it is the caller's, and the state counts them.
#include "host/scene/HostState.h"

namespace tsxhost::detail {

void HandOut(void* block) {
  TagOf(block)->outstanding = 1;
  ++TheState().outstanding;
}

void Adopt(void* block) {
  if (!IsHostBlock(block) || !TagOf(block)->outstanding) return;
  TagOf(block)->outstanding = 0;
  --TheState().outstanding;
}

}  // namespace tsxhost::detail

using namespace tsxhost::detail;

extern "C" {

TSXAPI void* TSXCALL tsxMalloc(size_t size) {
  Enter(Op::Malloc);
  State& s = TheState();
  if (s.failAllocationIn > 0 && --s.failAllocationIn == 0) return nullptr;
  void* block = AllocBlock(size);
  if (block) HandOut(block);
  return block;
}

// Frees a block from tsxMalloc or a face record from tsxFaceCopy.
TSXAPI void TSXCALL tsxFree(void* block) {
  Enter(Op::Free);
  if (!IsHostBlock(block)) return;
  Adopt(block);
  if (TagOf(block)->kind == BlockKind::Face) {
    FreeFace(static_cast<CtsxFace*>(block));
  } else {
    FreeBlock(block);
  }
}

}  // extern "C"
