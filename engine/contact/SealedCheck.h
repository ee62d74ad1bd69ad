// The sound-or-refused check of a contact join's result, and the measures
// it compares: enclosed volume, area, open edges.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/WorldObject.h"

namespace spl {

struct ShapeMeasure {
  double volume = 0;  // enclosed, by the divergence theorem over the faces (and holes)
  double area = 0;
};

// Volume and area in world units, every position taken relative to
// `origin` (a point near the shape keeps the sums accurate far from 0).
ShapeMeasure Measure(const WorldObject& shape, const double origin[3]);

// Edges of the object's faces without exactly one partner running the other
// way, by the host's adjacency (which it computes first unless the caller
// has just had it computed), with the first few of them as "x y z - x y z"
// in world space.
struct OpenEdges {
  int64_t count = 0;
  std::vector<std::string> first;
};
OpenEdges FindOpenEdges(const WorldObject& shape, bool adjacencyCurrent = false);

// "x y z" with enough digits to tell positions apart.
std::string PositionText(const CtsxVector3f& p);

}  // namespace spl
