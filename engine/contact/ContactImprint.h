// A contact region whose two sides overlap only in part (a small box on a
// big box's face, two faces overlapping in a corner, a cylinder standing on
// a box): each side's outline is imprinted on the other, the overlapped
// parts of both are dropped and what is left of a face is cut into a few
// convex polygons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/WorldObject.h"
#include "engine/contact/CornerBlend.h"

namespace spl {

// A point of the region: a vertex of side 0 (`a`) by its own number, a
// vertex of side 1 (`b`) as a.vertexCount + its number, and a new point as
// a.vertexCount + b.vertexCount + its index in `Imprint::points`.
using ImprintId = int64_t;

struct ImprintCorner {
  ImprintId point = 0;
  int32_t uv = -1;      // the face's own UV index (of its side), or -1
  bool ownUV = false;   // `value` holds the UV blended as `blend` says
  CtsxUV value{};
  CornerBlend blend;    // where it lies on the face
};

// One convex polygon of what is left of face `face` of side `side`, wound as
// the face was.
struct ImprintPiece {
  int side = 0;
  int32_t face = 0;
  std::vector<ImprintCorner> corners;
};

// A point put into an edge of one side (lo < hi, that side's vertex
// numbers), at `t` from its lower end.
struct ImprintEdgePoint {
  int side = 0;
  int32_t lo = 0, hi = 0;
  ImprintId point = 0;
  double t = 0;
};

struct Imprint {
  std::vector<std::pair<int32_t, int32_t>> welds;  // (vertex of b, vertex of a it goes onto)
  std::vector<CtsxVector3f> points;                // new points, world space, each made once
  std::vector<int32_t> dropped[2];                 // faces wholly overlapped, rising
  std::vector<int32_t> rebuilt[2];                 // faces replaced by pieces, rising
  std::vector<ImprintPiece> pieces;                // by side, then face, rising
  std::vector<ImprintEdgePoint> inserts;           // by side, edge, then t
  double largestWeld = 0;
  double largestBend = 0;  // the farthest a point lies off an edge or face of the other side it goes into
  std::string why;         // when the region cannot be imprinted soundly: what and where
};

// Imprints the region of faces `facesA` of `a` and `facesB` of `b` (lying on
// each other within `tolerance`, facing opposite ways). Corners within the
// tolerance weld and corners within it of the other side's edges go into
// them, as JoinOnOutline does; the rest is decided exactly in the plane
// that drops the dominant axis of the first face of `a`: the arrangement of
// both sides' edges (CGAL, exact constructions), each crossing made once
// and rounded once, placed on the edge of `a` it lies on. When the snapping
// folds a side over itself (its corners closer together than the sides lie
// apart), the sides are imprinted as they lie: only corners that project
// onto one point weld. False with `why` when the region is not one plane
// both sides cover simply.
bool ImprintRegion(const WorldObject& a, const std::vector<int32_t>& facesA, const WorldObject& b,
                   const std::vector<int32_t>& facesB, double tolerance, Imprint* out);

}  // namespace spl
