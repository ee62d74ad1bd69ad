// Small blocks come from malloc with a 16-byte header; blocks of a megabyte
// and more are mappings of their own, in steps of 2 MiB. Released mappings
// are kept for reuse; a request that none of them fits releases the cache
// first, so that keeping them never raises the peak by much.
//
// The mappings are not advised as huge pages. On a virtual machine that
// hands free memory back to its host, a fresh huge page comes from a large
// free block, which the host has most likely taken back, and faulting it in
// again cost three to four times what the small pages' extra faults cost
// (a 2 x 2M-face merge: 1.7 s against 0.55 s).
#include "host/scene/HostBlocks.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace tsxhost::detail {
namespace {

constexpr size_t kHeader = 16;  // the size or mapping length, then the tag
constexpr size_t kLargeBlock = size_t{1} << 20;
constexpr size_t kStep = size_t{2} << 20;  // mapping lengths are multiples of it
constexpr size_t kCacheAfterMiss = size_t{64} << 20;

long g_liveBlocks = 0;

size_t RoundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

struct Mapping {
  void* base;
  size_t length;
};

class MappingCache {
 public:
  // The smallest cached mapping of `length` bytes or more, not much more.
  void* Take(size_t length) {
    size_t best = free_.size();
    for (size_t i = 0; i < free_.size(); ++i) {
      const size_t have = free_[i].length;
      if (have >= length && have <= 2 * length + kStep &&
          (best == free_.size() || have < free_[best].length)) {
        best = i;
      }
    }
    if (best == free_.size()) return nullptr;
    void* base = free_[best].base;
    bytes_ -= free_[best].length;
    free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(best));
    return base;
  }
  void Put(void* base, size_t length) {
    free_.push_back({base, length});
    bytes_ += length;
  }
  // Unmaps the oldest mappings until at most `limit` bytes stay cached.
  void Trim(size_t limit) {
    size_t i = 0;
    for (; i < free_.size() && bytes_ > limit; ++i) {
      munmap(free_[i].base, free_[i].length);
      bytes_ -= free_[i].length;
    }
    free_.erase(free_.begin(), free_.begin() + static_cast<std::ptrdiff_t>(i));
  }

 private:
  std::vector<Mapping> free_;
  size_t bytes_ = 0;
};

// Never destroyed: polyhedra released at exit still return their blocks.
MappingCache& Cache() {
  static auto* cache = new MappingCache;
  return *cache;
}

// A fresh mapping of `length` bytes.
void* MapFresh(size_t length) {
  void* raw = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return raw == MAP_FAILED ? nullptr : raw;
}

void* Tagged(void* base, size_t word, BlockKind kind) {
  ++g_liveBlocks;
  auto* bytes = static_cast<unsigned char*>(base);
  std::memcpy(bytes, &word, sizeof word);
  auto* tag = reinterpret_cast<BlockTag*>(bytes + 8);
  *tag = {kBlockMagic, kind, 0, 0};
  return bytes + kHeader;
}

size_t HeaderWord(void* block) {
  size_t word = 0;
  std::memcpy(&word, static_cast<unsigned char*>(block) - kHeader, sizeof word);
  return word;
}

void* AllocLarge(size_t size) {
  const size_t length = RoundUp(size + kHeader, kStep);
  MappingCache& cache = Cache();
  void* base = cache.Take(length);
  size_t have = length;
  if (base) {
    // The length it was mapped with, kept in its header.
    std::memcpy(&have, base, sizeof have);
  } else {
    cache.Trim(kCacheAfterMiss);
    base = MapFresh(length);
    if (!base) {
      cache.Trim(0);
      base = MapFresh(length);
    }
    if (!base) return nullptr;
  }
  return Tagged(base, have, BlockKind::Large);
}

}  // namespace

namespace {
int failBlockIn = 0;  // the n-th block from now cannot be had; 0: none
}  // namespace

void FailNthBlock(int n) { failBlockIn = n; }

void* AllocBlock(size_t size) {
  if (failBlockIn > 0 && --failBlockIn == 0) return nullptr;
  size = size ? size : 1;
  if (size >= kLargeBlock) return AllocLarge(size);
  void* base = std::malloc(size + kHeader);
  return base ? Tagged(base, size, BlockKind::Small) : nullptr;
}

void* AllocZeroedBlock(size_t size) {
  void* block = AllocBlock(size);
  if (block) std::memset(block, 0, size ? size : 1);
  return block;
}

void FreeBlock(void* block) {
  if (!IsHostBlock(block) || TagOf(block)->kind == BlockKind::Face) return;
  BlockTag* tag = TagOf(block);
  tag->magic = 0;  // a block freed twice is then not taken for a live one
  --g_liveBlocks;
  void* base = static_cast<unsigned char*>(block) - kHeader;
  if (tag->kind == BlockKind::Large) {
    Cache().Put(base, HeaderWord(block));
  } else {
    std::free(base);
  }
}

long LiveBlockCount() { return g_liveBlocks; }

void ReleaseCachedMappings() { Cache().Trim(0); }

}  // namespace tsxhost::detail
