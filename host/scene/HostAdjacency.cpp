// Face adjacency: which face lies across each edge. Each edge goes on the
// list of its lower vertex, linked through the corners' own adjacency
// fields (until its list is read, a corner names the next edge's face and
// corner), so that the only scratch is one list head per vertex instead of
// an entry per corner: at the end of a join, when the sources and the
// result are all held, that entry per corner set the process's peak. Each
// vertex's few edges are then sorted by their upper vertex, so that the two
// sides of an edge meet in O(corners) time overall without a hash table.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "host/scene/HostState.h"

namespace tsxhost::detail {
namespace {

// 12 bytes: a face has at most 32767 corners.
struct EdgeEntry {
  int32_t upper;    // the edge's higher vertex index
  int32_t face;
  uint16_t corner;  // the edge runs from this corner to the next
  bool forward;     // it runs from the lower vertex to the upper one
};
static_assert(sizeof(EdgeEntry) == 12);

struct CornerRef {
  int32_t face;  // -1: the end of a list
  int32_t corner;
};

// The edge from corner c to the next, as (lower, upper); false when it is
// no edge (a vertex outside the polyhedron, or both ends the same).
bool Edge(const CtsxFace& face, int32_t c, int32_t nv, int32_t* lo, int32_t* hi) {
  const int32_t a = face.corners[c].vindex, b = face.corners[(c + 1) % face.nbrCorners].vindex;
  *lo = std::min(a, b);
  *hi = std::max(a, b);
  return a >= 0 && b < nv && a < nv && b >= 0 && a != b;
}

void ClearAdjacency(Polyhedron& poly) {
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    CtsxFace& face = *poly.faces[f];
    for (int32_t c = 0; c < face.nbrCorners; ++c) face.corners[c].adjFace = face.corners[c].adjCorner = -1;
  }
}

// Pairs the edges listed from `head`, clearing the links as it reads them.
// False when an edge has other than its two opposite sides.
bool PairEdges(Polyhedron& poly, CornerRef head, int32_t nv, std::vector<EdgeEntry>& edges) {
  edges.clear();
  for (CornerRef at = head; at.face >= 0;) {
    const CtsxFace& face = *poly.faces[at.face];
    CtsxCorner& corner = face.corners[at.corner];
    int32_t lo = 0, hi = 0;
    Edge(face, at.corner, nv, &lo, &hi);
    edges.push_back({hi, at.face, static_cast<uint16_t>(at.corner), corner.vindex == lo});
    at = {corner.adjFace, corner.adjCorner};
    corner.adjFace = corner.adjCorner = -1;
  }
  std::sort(edges.begin(), edges.end(), [](const EdgeEntry& a, const EdgeEntry& b) { return a.upper < b.upper; });
  bool proper = true;
  for (auto run = edges.begin(); run != edges.end();) {
    auto end = run;
    while (end != edges.end() && end->upper == run->upper) ++end;
    // A proper edge has exactly its two sides, running opposite ways.
    if (end - run == 2 && run[0].forward != run[1].forward) {
      CtsxCorner& x = poly.faces[run[0].face]->corners[run[0].corner];
      CtsxCorner& y = poly.faces[run[1].face]->corners[run[1].corner];
      x.adjFace = run[1].face;
      x.adjCorner = run[1].corner;
      y.adjFace = run[0].face;
      y.adjCorner = run[0].corner;
    } else {
      proper = false;
    }
    run = end;
  }
  return proper;
}

}  // namespace

bool ComputeAdjacency(Polyhedron& poly) {
  if (!poly.UnshareFaces()) return false;
  const int32_t nv = poly.vertexCount;
  ScratchArray<CornerRef> heads(static_cast<size_t>(std::max(nv, 0)));
  if (heads.empty()) return false;
  std::memset(heads.data(), 0xFF, sizeof(CornerRef) * static_cast<size_t>(std::max(nv, 0)));  // every face -1
  bool closed = poly.faceCount > 0;
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    CtsxFace& face = *poly.faces[f];
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      CtsxCorner& corner = face.corners[c];
      int32_t lo = 0, hi = 0;
      if (!Edge(face, c, nv, &lo, &hi)) {
        corner.adjFace = corner.adjCorner = -1;
        closed = false;
        continue;
      }
      CornerRef& head = heads[static_cast<size_t>(lo)];
      corner.adjFace = head.face;
      corner.adjCorner = head.corner;
      head = {f, c};
    }
  }
  try {
    std::vector<EdgeEntry> edges;
    edges.reserve(64);
    for (int32_t v = 0; v < nv; ++v) {
      if (heads[static_cast<size_t>(v)].face >= 0 && !PairEdges(poly, heads[static_cast<size_t>(v)], nv, edges)) {
        closed = false;
      }
    }
  } catch (const std::bad_alloc&) {
    ClearAdjacency(poly);  // no list link may stay behind as a neighbour
    return false;
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
