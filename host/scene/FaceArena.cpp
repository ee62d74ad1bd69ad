// Records are bump-allocated from the current chunk; each chunk counts its
// live records. Chunks grow geometrically for records made one at a time
// (face copies), and a reservation makes one chunk for a known total (the
// copy of a polyhedron, a polyhedron read from a file). Small reservations
// share a chunk of the first size: a file of a million tiny objects would
// otherwise pay a chunk's header and allocation for each.
#include "host/scene/FaceArena.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host/scene/HostBlocks.h"
#include "host/scene/HostState.h"

namespace tsxhost::detail {
namespace {

constexpr size_t kAlign = 8;
constexpr size_t kFirstChunk = size_t{64} << 10;
constexpr size_t kSharedBelow = kFirstChunk / 16;
constexpr size_t kLargestGrowth = size_t{64} << 20;
constexpr size_t kLargestChunk = size_t{1} << 30;  // offsets stay 32-bit

size_t AlignUp(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

struct Chunk {
  size_t capacity = 0;
  size_t used = 0;
  long live = 0;
  bool current = false;
  unsigned char* Records() { return reinterpret_cast<unsigned char*>(this) + AlignUp(sizeof(Chunk)); }
};

struct Arena {
  Chunk* current = nullptr;
  size_t nextSize = kFirstChunk;
};

Arena& TheArena() {
  static Arena arena;
  return arena;
}

void DropChunk(Chunk* chunk) {
  chunk->~Chunk();
  FreeBlock(chunk);
}

bool StartChunk(size_t capacity) {
  Arena& arena = TheArena();
  capacity = std::min(AlignUp(capacity), kLargestChunk);
  void* block = AllocBlock(AlignUp(sizeof(Chunk)) + capacity);
  if (!block) return false;
  auto* chunk = new (block) Chunk{};
  chunk->capacity = capacity;
  chunk->current = true;
  if (Chunk* old = arena.current) {
    old->current = false;
    if (old->live == 0) DropChunk(old);
  }
  arena.current = chunk;
  return true;
}

// `bytes` (tag included) of a chunk for one record, tagged.
void* Carve(size_t bytes) {
  Arena& arena = TheArena();
  Chunk* chunk = arena.current;
  if (!chunk || chunk->capacity - chunk->used < bytes) {
    if (bytes > kLargestChunk || !StartChunk(std::max(bytes, arena.nextSize))) return nullptr;
    arena.nextSize = std::min(arena.nextSize * 2, kLargestGrowth);
    chunk = arena.current;
  }
  unsigned char* at = chunk->Records() + chunk->used;
  chunk->used += bytes;
  ++chunk->live;
  auto* tag = reinterpret_cast<BlockTag*>(at);
  *tag = {kBlockMagic, BlockKind::Face, 0, static_cast<uint32_t>(at - reinterpret_cast<unsigned char*>(chunk))};
  return at + sizeof(BlockTag);
}

}  // namespace

size_t ExtraBytes(int32_t normalSlots) {
  return AlignUp(sizeof(FaceExtra) + static_cast<size_t>(normalSlots) * (sizeof(CtsxVector3f) + 1));
}

size_t FaceBytes(int32_t corners, const int32_t* holeCorners, int32_t holes, Extra extra) {
  size_t size = sizeof(BlockTag) + AlignUp(sizeof(CtsxFace)) + AlignUp(sizeof(CtsxCorner) * static_cast<size_t>(corners));
  size += AlignUp(sizeof(CtsxHole*) * static_cast<size_t>(holes)) + AlignUp(sizeof(CtsxHole) * static_cast<size_t>(holes));
  for (int32_t h = 0; h < holes; ++h) size += AlignUp(sizeof(CtsxCorner) * static_cast<size_t>(holeCorners[h]));
  if (extra == Extra::None) return size;
  return size + ExtraBytes(extra == Extra::Normals ? corners : 0);
}

namespace {

Extra ExtraOf(const CtsxFace& face) {
  const FaceExtra* extra = FaceExtraOf(face);
  return !extra ? Extra::None : extra->normalSlots > 0 ? Extra::Normals : Extra::Plain;
}

}  // namespace

size_t FaceBytes(const CtsxFace& face) {
  size_t size = FaceBytes(face.nbrCorners, nullptr, 0, ExtraOf(face));
  for (int32_t h = 0; h < face.nbrHoles; ++h) {
    size += sizeof(CtsxHole*) + sizeof(CtsxHole) + AlignUp(sizeof(CtsxCorner) * static_cast<size_t>(face.holes[h]->nbrCorners)) + kAlign;
  }
  return size;
}

bool ReserveFaces(size_t bytes) {
  if (bytes == 0) return true;
  const Chunk* chunk = TheArena().current;
  if (chunk && chunk->capacity - chunk->used >= bytes) return true;
  return StartChunk(bytes < kSharedBelow ? kFirstChunk : bytes);
}

CtsxFace* NewFace(int32_t corners, const std::vector<int32_t>& holeCorners, Extra extra) {
  if (corners < 0 || corners > INT16_MAX || holeCorners.size() > INT32_MAX) return nullptr;
  const auto holes = static_cast<int32_t>(holeCorners.size());
  for (int32_t n : holeCorners) {
    if (n < 0 || n > INT16_MAX) return nullptr;
  }
  const size_t bytes = FaceBytes(corners, holeCorners.data(), holes, extra);
  auto* base = static_cast<unsigned char*>(Carve(bytes));
  if (!base) return nullptr;
  std::memset(base, 0, bytes - sizeof(BlockTag));

  auto* face = new (base) CtsxFace{};
  size_t at = AlignUp(sizeof(CtsxFace));
  face->nbrCorners = static_cast<int16_t>(corners);
  face->corners = reinterpret_cast<CtsxCorner*>(base + at);
  at += AlignUp(sizeof(CtsxCorner) * static_cast<size_t>(corners));
  face->nbrHoles = holes;
  if (holes) {
    face->holes = reinterpret_cast<CtsxHole**>(base + at);
    at += AlignUp(sizeof(CtsxHole*) * static_cast<size_t>(holes));
    auto* records = reinterpret_cast<CtsxHole*>(base + at);
    at += AlignUp(sizeof(CtsxHole) * static_cast<size_t>(holes));
    for (int32_t h = 0; h < holes; ++h) {
      records[h].nbrCorners = static_cast<int16_t>(holeCorners[static_cast<size_t>(h)]);
      records[h].corners = reinterpret_cast<CtsxCorner*>(base + at);
      at += AlignUp(sizeof(CtsxCorner) * static_cast<size_t>(holeCorners[static_cast<size_t>(h)]));
      face->holes[h] = &records[h];
    }
  }
  for (int32_t i = 0; i < corners; ++i) face->corners[i] = {0, -1, -1, -1};
  if (extra == Extra::None) return face;  // hostData 0: no extra
  // The extra ends the record: the engine frees a face copy as one block.
  face->hostData = static_cast<uint32_t>(at);
  new (base + at) FaceExtra{0, 0, 0, extra == Extra::Normals ? corners : 0};
  return face;
}

namespace {

// Whether `face` is laid out as NewFace lays out a face without holes: the
// corners right after the record, the extra (if any) right after them.
bool OnePiece(const CtsxFace& face) {
  const size_t head = AlignUp(sizeof(CtsxFace));
  const auto* at = reinterpret_cast<const unsigned char*>(&face);
  return face.nbrCorners >= 0 && face.nbrHoles <= 0 && reinterpret_cast<const unsigned char*>(face.corners) == at + head &&
         (face.hostData == 0 || face.hostData == head + AlignUp(sizeof(CtsxCorner) * static_cast<size_t>(face.nbrCorners)));
}

}  // namespace

CtsxFace* CloneFace(const CtsxFace& src) {
  if (OnePiece(src)) {
    // Copied whole: the same bytes as a new record filled field by field.
    const size_t bytes = FaceBytes(src.nbrCorners, nullptr, 0, ExtraOf(src));
    auto* base = static_cast<unsigned char*>(Carve(bytes));
    if (!base) return nullptr;
    std::memcpy(base, &src, bytes - sizeof(BlockTag));
    auto* face = reinterpret_cast<CtsxFace*>(base);
    face->corners = reinterpret_cast<CtsxCorner*>(base + AlignUp(sizeof(CtsxFace)));
    face->holes = nullptr;
    face->nbrHoles = 0;
    face->reserved = 0;
    return face;
  }
  std::vector<int32_t> holeCorners;
  for (int32_t h = 0; h < src.nbrHoles; ++h) holeCorners.push_back(src.holes[h]->nbrCorners);
  const FaceExtra* from = FaceExtraOf(src);
  CtsxFace* face = NewFace(src.nbrCorners, holeCorners, ExtraOf(src));
  if (!face) return nullptr;
  face->hostFlags = src.hostFlags;
  if (from) std::memcpy(FaceExtraOf(*face), from, sizeof(FaceExtra) + static_cast<size_t>(from->normalSlots) * (sizeof(CtsxVector3f) + 1));
  face->materialIndex = src.materialIndex;
  std::memcpy(face->corners, src.corners, sizeof(CtsxCorner) * static_cast<size_t>(src.nbrCorners));
  for (int32_t h = 0; h < src.nbrHoles; ++h) {
    std::memcpy(face->holes[h]->corners, src.holes[h]->corners,
                sizeof(CtsxCorner) * static_cast<size_t>(src.holes[h]->nbrCorners));
  }
  return face;
}

void FreeFace(CtsxFace* face) {
  if (!IsHostBlock(face) || TagOf(face)->kind != BlockKind::Face) return;
  BlockTag* tag = TagOf(face);
  tag->magic = 0;
  auto* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<unsigned char*>(tag) - tag->offset);
  if (--chunk->live > 0) return;
  // An empty chunk goes at once, the current one too: a big chunk returns to
  // the block pool, where the next big request finds it.
  if (chunk->current) TheArena().current = nullptr;
  DropChunk(chunk);
}


}  // namespace tsxhost::detail
