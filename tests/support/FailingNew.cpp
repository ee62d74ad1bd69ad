// The replaced global allocation functions behind FailingNew.h. Every form
// goes to malloc/free so that blocks stay paired under any sanitizer.
#include "tests/support/FailingNew.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int> g_failIn{0};
std::atomic<int64_t> g_live{0};

void* Allocate(std::size_t size) {
  if (g_failIn.load() > 0 && g_failIn.fetch_sub(1) == 1) return nullptr;
  void* block = std::malloc(size ? size : 1);
  if (block) ++g_live;
  return block;
}

void Release(void* block) {
  if (!block) return;
  --g_live;
  std::free(block);
}

void* AllocateOrThrow(std::size_t size) {
  void* block = Allocate(size);
  if (!block) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace spl::testing {

void FailNthNew(int n) { g_failIn = n; }
int64_t LiveNewBlocks() { return g_live.load(); }

}  // namespace spl::testing

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
