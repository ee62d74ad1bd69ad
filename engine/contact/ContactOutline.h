// A contact region whose faces do not meet corner on corner but whose two
// sides cover the same outline: each side tiles it its own way (a 3 x 3 grid
// against a 2 x 2 one, quads against one big face, an n-gon against a fan
// whose corners moved within the accuracy).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/WorldObject.h"

namespace spl {

// A point put into an edge of one side's faces: `point` is a vertex of side
// 0 (`a`) or side 1 (`b`), `t` its place along the edge from its lower
// numbered end (0 < t < 1).
struct EdgePoint {
  int side = 0;       // whose edge
  int32_t lo = 0, hi = 0;  // the edge's ends, lo < hi, vertices of `side`
  int pointSide = 0;
  int32_t point = 0;
  double t = 0;
};

struct OutlineJoin {
  std::vector<std::pair<int32_t, int32_t>> welds;  // (vertex of b, vertex of a it goes onto)
  std::vector<EdgePoint> points;                   // every point that lies on an edge of the other side
  double largestWeld = 0;
  double largestBend = 0;  // the farthest a point lies off the edge it goes into
  std::string why;  // when the sides do not cover the same outline: where not
};

// The snapping alone: a vertex of `b` within `tolerance` of a vertex of `a`
// welds onto the nearest one (`welds`, `largestWeld`); a vertex of either
// side within the tolerance of an edge of the other (and of neither end)
// goes into that edge (`points`, `largestBend`).
void SnapOutline(const WorldObject& a, const std::vector<int32_t>& facesA, const WorldObject& b,
                 const std::vector<int32_t>& facesB, double tolerance, OutlineJoin* out);

// Snaps the region: a vertex of `b` within `tolerance` of a vertex of `a`
// welds onto the nearest one; a vertex of either side within the tolerance
// of an edge of the other (and of neither end) lies on that edge, which is
// split there (the vertex keeps its place). Then the region lies on the
// other side when the outline of `facesA` (their edges, split so, that no
// other face of `facesA` runs back) is that of `facesB` run the other way.
// False with `why` otherwise.
bool JoinOnOutline(const WorldObject& a, const std::vector<int32_t>& facesA, const WorldObject& b,
                   const std::vector<int32_t>& facesB, double tolerance, OutlineJoin* out);

}  // namespace spl
