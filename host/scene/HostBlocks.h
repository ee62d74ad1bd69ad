// Every block of memory the stand-in host hands out or keeps: tsxMalloc's
// blocks, the polyhedra's arrays and the face records. Each block carries a
// tag in the 8 bytes before it, so that tsxFree and the replacing
// operations can tell a face record from an array and whether the block is
// still the caller's, without a table of blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tsxhost::detail {

enum class BlockKind : uint8_t { Small = 1, Large = 2, Face = 3 };

struct BlockTag {
  uint16_t magic;
  BlockKind kind;
  uint8_t outstanding;  // handed to a caller and not yet freed or taken over
  uint32_t offset;      // a face record: bytes from its chunk to this tag
};
static_assert(sizeof(BlockTag) == 8);

inline constexpr uint16_t kBlockMagic = 0x7B1C;

inline BlockTag* TagOf(const void* block) {
  return const_cast<BlockTag*>(static_cast<const BlockTag*>(block) - 1);
}
inline bool IsHostBlock(const void* block) { return block && TagOf(block)->magic == kBlockMagic; }

// A block of `size` bytes (at least 1), aligned to 16; null when memory is
// exhausted. Big blocks are whole mappings, and mappings released earlier
// are reused, so that a join's arrays mostly land in memory that is already
// touched.
void* AllocBlock(size_t size);
// The same, zero-filled.
void* AllocZeroedBlock(size_t size);
// Releases a block from AllocBlock (null, a face record or a block not
// the host's: nothing).
void FreeBlock(void* block);

// Unmaps every mapping kept for reuse.
void ReleaseCachedMappings();

// The n-th AllocBlock from now (1: the next) returns null; 0 disarms. Tests.
void FailNthBlock(int n);

// Blocks from AllocBlock not yet freed (face chunks included); for tests.
long LiveBlockCount();

// Scratch storage of `count` elements of a trivially copyable T, released on
// every way out; empty() when memory is exhausted.
template <typename T>
class ScratchArray {
 public:
  explicit ScratchArray(size_t count) : data_(static_cast<T*>(AllocBlock(sizeof(T) * count))) {}
  ~ScratchArray() { FreeBlock(data_); }
  ScratchArray(const ScratchArray&) = delete;
  ScratchArray& operator=(const ScratchArray&) = delete;
  bool empty() const { return data_ == nullptr; }
  T* data() const { return data_; }
  T& operator[](size_t i) const { return data_[i]; }

 private:
  T* data_;
};

}  // namespace tsxhost::detail
