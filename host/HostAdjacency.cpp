// Face adjacency: which face lies across each edge.
#include <unordered_map>

#include "HostState.h"

namespace tsxhost::detail {
namespace {

uint64_t EdgeKey(int32_t from, int32_t to) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(from)) << 32) | static_cast<uint32_t>(to);
}

struct EdgeUse {
  int32_t face;
  int32_t corner;
  int32_t uses;
};

// Directed edges (corner i to i+1) of every face, with how often each
// occurs. A closed, consistently wound mesh has each edge once and its
// reverse once.
std::unordered_map<uint64_t, EdgeUse> CollectEdges(const Polyhedron& poly) {
  std::unordered_map<uint64_t, EdgeUse> edges;
  edges.reserve(static_cast<size_t>(poly.faceCount) * 4);
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const CtsxFace& face = *poly.faces[f];
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const int32_t next = (c + 1) % face.nbrCorners;
      auto [it, inserted] = edges.try_emplace(
          EdgeKey(face.corners[c].vindex, face.corners[next].vindex), EdgeUse{f, c, 0});
      ++it->second.uses;
    }
  }
  return edges;
}

}  // namespace

bool ComputeAdjacency(Polyhedron& poly) {
  const auto edges = CollectEdges(poly);
  bool closed = poly.faceCount > 0;
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    CtsxFace& face = *poly.faces[f];
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const int32_t next = (c + 1) % face.nbrCorners;
      const int32_t from = face.corners[c].vindex, to = face.corners[next].vindex;
      const auto self = edges.find(EdgeKey(from, to));
      const auto other = edges.find(EdgeKey(to, from));
      const bool paired = other != edges.end() && other->second.uses == 1 && self->second.uses == 1 &&
                          from != to;
      face.corners[c].adjFace = paired ? other->second.face : -1;
      face.corners[c].adjCorner = paired ? other->second.corner : -1;
      closed = closed && paired;
    }
  }
  return closed;
}

}  // namespace tsxhost::detail

using namespace tsxhost::detail;

extern "C" TSXAPI int32_t TSXCALL tsxPolyhComputeFaceAdjacency(tsxPOLYHEDRON p) {
  Enter(Op::PolyhComputeFaceAdjacency);
  Polyhedron* poly = FindPolyhedron(p);
  if (!poly) return e_tsxNOT_FOUND;
  ComputeAdjacency(*poly);
  return e_tsxOK;
}

namespace tsxhost {

bool IsClosed(tsxSOBJ obj) {
  detail::Polyhedron* poly = detail::FindPolyhedron(obj);
  return poly && detail::ComputeAdjacency(*poly);
}

}  // namespace tsxhost
