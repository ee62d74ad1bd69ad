// Face adjacency: which face lies across each edge. Edges are bucketed by
// their lower vertex (a counting sort) and each bucket sorted by the upper
// vertex, so that the two sides of an edge meet in O(corners) time overall
// without a hash table. Scratch arrays come from the host's block pool:
// their pages are mostly touched already.
#include <algorithm>

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

}  // namespace

bool ComputeAdjacency(Polyhedron& poly) {
  if (!poly.UnshareFaces()) return false;
  const int32_t nv = poly.vertexCount;
  const size_t buckets = static_cast<size_t>(nv) + 2;
  ScratchArray<uint32_t> start(buckets);
  if (start.empty()) return false;
  std::fill_n(start.data(), buckets, 0u);
  bool closed = poly.faceCount > 0;
  auto edge = [&](const CtsxFace& face, int32_t c, int32_t* lo, int32_t* hi) {
    const int32_t a = face.corners[c].vindex, b = face.corners[(c + 1) % face.nbrCorners].vindex;
    *lo = std::min(a, b);
    *hi = std::max(a, b);
    return a >= 0 && b < nv && a < nv && b >= 0 && a != b;
  };
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const CtsxFace& face = *poly.faces[f];
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      face.corners[c].adjFace = face.corners[c].adjCorner = -1;
      int32_t lo = 0, hi = 0;
      if (edge(face, c, &lo, &hi)) ++start[static_cast<size_t>(lo) + 2];
    }
  }
  // Counted one bucket ahead, so that placing moves each start[v + 1] from
  // the start of bucket v to its end, where bucket v + 1 starts.
  for (size_t v = 2; v < buckets; ++v) start[v] += start[v - 1];
  ScratchArray<EdgeEntry> entries(start[buckets - 1]);
  if (entries.empty()) return false;
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const CtsxFace& face = *poly.faces[f];
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      int32_t lo = 0, hi = 0;
      if (!edge(face, c, &lo, &hi)) {
        closed = false;
        continue;
      }
      entries[start[static_cast<size_t>(lo) + 1]++] = {hi, f, static_cast<uint16_t>(c), face.corners[c].vindex == lo};
    }
  }
  for (int32_t v = 0; v < nv; ++v) {
    EdgeEntry* first = entries.data() + start[static_cast<size_t>(v)];
    EdgeEntry* last = entries.data() + start[static_cast<size_t>(v) + 1];
    std::sort(first, last, [](const EdgeEntry& a, const EdgeEntry& b) { return a.upper < b.upper; });
    for (auto run = first; run != last;) {
      auto end = run;
      while (end != last && end->upper == run->upper) ++end;
      // A proper edge has exactly its two sides, running opposite ways.
      if (end - run == 2 && run[0].forward != run[1].forward) {
        CtsxCorner& x = poly.faces[run[0].face]->corners[run[0].corner];
        CtsxCorner& y = poly.faces[run[1].face]->corners[run[1].corner];
        x.adjFace = run[1].face;
        x.adjCorner = run[1].corner;
        y.adjFace = run[0].face;
        y.adjCorner = run[0].corner;
      } else {
        closed = false;
      }
      run = end;
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
