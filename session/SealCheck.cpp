// Both checks are sorts of packed 64-bit entries (radix, linear in the
// corners), then one pass over runs of equal keys.
#include "session/SealCheck.h"

#include <cstring>
#include <vector>

#include "engine/common/RadixSort.h"

namespace spl {
namespace {

// Edge entries: (lower vertex << 32 | higher vertex) << 1 | (1 when run from
// the higher one): 31 + 31 + 1 bits.
constexpr int kEdgeBits = 63;

uint64_t EdgeEntry(int32_t u, int32_t v) {
  const auto lo = static_cast<uint64_t>(u < v ? u : v), hi = static_cast<uint64_t>(u < v ? v : u);
  return (lo << 31 | hi) << 1 | (u > v ? 1 : 0);
}

int32_t EdgeLow(uint64_t entry) { return static_cast<int32_t>(entry >> 32); }

// A coordinate's bits with -0 as +0, so that equal positions have equal keys.
uint64_t CoordinateKey(float c) {
  if (c == 0) c = 0;
  uint32_t bits = 0;
  std::memcpy(&bits, &c, sizeof bits);
  return bits;
}

void Note(SealFacts& facts, const WorldObject& obj, int32_t vertex) {
  if (!facts.firstAt) facts.firstAt = obj.World(vertex);
}

void CheckEdges(const WorldObject& obj, SealFacts& facts) {
  std::vector<uint64_t> edges;
  for (int32_t f = 0; f < obj.faceCount; ++f) {
    if (!obj.FaceValid(f)) continue;
    ++facts.faces;
    const CtsxFace& face = obj.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const int32_t u = face.corners[c].vindex, v = face.corners[(c + 1) % face.nbrCorners].vindex;
      if (u == v) {
        ++facts.overusedEdges;
        Note(facts, obj, u);
        continue;
      }
      edges.push_back(EdgeEntry(u, v));
    }
  }
  RadixSortBits(edges.data(), edges.size(), 0, kEdgeBits);
  for (std::size_t i = 0; i < edges.size();) {
    std::size_t j = i + 1;
    while (j < edges.size() && edges[j] >> 1 == edges[i] >> 1) ++j;
    const bool pair = j - i == 2 && (edges[i] & 1) != (edges[i + 1] & 1);
    if (!pair) {
      ++(j - i == 1 ? facts.openEdges : facts.overusedEdges);
      Note(facts, obj, EdgeLow(edges[i]));
    }
    i = j;
  }
}

void CheckPositions(const WorldObject& obj, SealFacts& facts) {
  std::vector<uint8_t> used(static_cast<std::size_t>(obj.vertexCount), 0);
  for (int32_t f = 0; f < obj.faceCount; ++f) {
    if (!obj.FaceValid(f)) continue;
    const CtsxFace& face = obj.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) used[static_cast<std::size_t>(face.corners[c].vindex)] = 1;
  }
  std::vector<uint64_t> order;  // (coordinate key << 32 | vertex)
  for (int32_t v = 0; v < obj.vertexCount; ++v) {
    if (used[static_cast<std::size_t>(v)]) order.push_back(static_cast<uint64_t>(v));
  }
  // Stable passes from the last coordinate to the first order by (x, y, z),
  // then by vertex.
  for (int axis = 2; axis >= 0; --axis) {
    for (uint64_t& e : order) {
      const CtsxVector3f& p = obj.World(static_cast<int32_t>(e & 0xFFFFFFFFu));
      const float c = axis == 0 ? p.x : axis == 1 ? p.y : p.z;
      e = CoordinateKey(c) << 32 | (e & 0xFFFFFFFFu);
    }
    RadixSortBits(order.data(), order.size(), 32, 32);
  }
  auto samePosition = [&obj](uint64_t a, uint64_t b) {
    const CtsxVector3f& p = obj.World(static_cast<int32_t>(a & 0xFFFFFFFFu));
    const CtsxVector3f& q = obj.World(static_cast<int32_t>(b & 0xFFFFFFFFu));
    return CoordinateKey(p.x) == CoordinateKey(q.x) && CoordinateKey(p.y) == CoordinateKey(q.y) &&
           CoordinateKey(p.z) == CoordinateKey(q.z);
  };
  for (std::size_t i = 1; i < order.size(); ++i) {
    if (!samePosition(order[i - 1], order[i])) continue;
    ++facts.sharedPositions;
    Note(facts, obj, static_cast<int32_t>(order[i] & 0xFFFFFFFFu));
  }
}

}  // namespace

SealFacts CheckSeal(const WorldObject& obj) {
  SealFacts facts;
  CheckEdges(obj, facts);
  CheckPositions(obj, facts);
  return facts;
}

SealFacts CheckSeal(HostObject object) {
  WorldObject obj;
  obj.Load(object);
  return CheckSeal(obj);
}

}  // namespace spl
