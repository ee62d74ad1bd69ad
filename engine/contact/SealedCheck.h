// The sound-or-refused check of a contact join's result, and the measures
// it compares: enclosed volume, area, open edges.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/common/WorldObject.h"

namespace spl {

struct ShapeMeasure {
  double volume = 0;  // enclosed, by the divergence theorem over the faces (and holes)
  double area = 0;
  // The sum of the faces' fan cross products (twice their vector areas,
  // holes turned the other way): 0 for a closed shape, and what the volume
  // of an open one changes by with the origin.
  double turned[3] = {0, 0, 0};
};

// Volume and area in world units, every position taken relative to
// `origin` (a point near the shape keeps the sums accurate far from 0).
ShapeMeasure Measure(const WorldObject& shape, const double origin[3]);
// One face's share of it, added to `m` (nothing for an invalid record).
void MeasureFace(const WorldObject& shape, const CtsxFace* face, const double origin[3], ShapeMeasure* m);
// The same with positions in world space from `at(vertex)`, of `vertices`.
void MeasureFace(const std::function<CtsxVector3f(int32_t)>& at, int32_t vertices, const CtsxFace* face,
                 const double origin[3], ShapeMeasure* m);
// A measure taken relative to `from` as taken relative to `to`.
ShapeMeasure MovedTo(const ShapeMeasure& m, const double from[3], const double to[3]);

// Edges of the object's faces without exactly one partner running the other
// way, by the host's adjacency (which it computes first unless the caller
// has just had it computed), with the first few of them as "x y z - x y z"
// in world space.
struct OpenEdges {
  int64_t count = 0;
  std::vector<std::string> first;
};
OpenEdges FindOpenEdges(const WorldObject& shape, bool adjacencyCurrent = false);
// Only their count, by the adjacency as it stands (no positions read).
int64_t CountOpenEdges(const WorldObject& shape);

// "x y z" with enough digits to tell positions apart.
std::string PositionText(const CtsxVector3f& p);

}  // namespace spl
