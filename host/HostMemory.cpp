// The host's allocator, with the bookkeeping that tests read.
#include <cstdlib>

#include "HostState.h"

namespace tsxhost::detail {

void Adopt(void* block) { TheState().outstanding.erase(block); }

}  // namespace tsxhost::detail

using namespace tsxhost::detail;

extern "C" {

TSXAPI void* TSXCALL tsxMalloc(size_t size) {
  Enter(Op::Malloc);
  State& s = TheState();
  if (s.failAllocationIn > 0 && --s.failAllocationIn == 0) return nullptr;
  void* block = std::malloc(size ? size : 1);
  if (block) s.outstanding.insert(block);
  return block;
}

TSXAPI void TSXCALL tsxFree(void* block) {
  Enter(Op::Free);
  if (!block) return;
  TheState().outstanding.erase(block);
  std::free(block);
}

}  // extern "C"
