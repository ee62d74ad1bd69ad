// Where a corner of a face the contact join makes anew lies on the face it
// came from, so that what the face carries per corner (UVs, and normals the
// engine cannot see) can be blended for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace spl {

// Up to three of the source face's corners with weights summing to 1: a
// corner kept is one, weight 1; a point put into an edge, the edge's two
// ends; a point inside, the corners of a triangle of the face around it.
struct CornerBlend {
  int32_t corner[3] = {-1, -1, -1};  // corners of the source face; -1: unused
  double weight[3] = {0, 0, 0};

  static CornerBlend Kept(int32_t c) { return {{c, -1, -1}, {1, 0, 0}}; }
  // At `t` along the edge from corner `from` to corner `to`.
  static CornerBlend Along(int32_t from, int32_t to, double t) { return {{from, to, -1}, {1 - t, t, 0}}; }
  bool IsKept() const { return corner[1] < 0 && weight[0] == 1; }
  // The value blended from the corners' values (unused corners' ignored),
  // as the first's plus the weighted differences, so that a point at the
  // end of an edge gets that end's value exactly.
  double Of(const double value[3]) const {
    double v = value[0];
    for (int k = 1; k < 3; ++k) {
      if (corner[k] >= 0) v += weight[k] * (value[k] - value[0]);
    }
    return v;
  }
};

// A face of the result made anew from a face of a member (a piece of a face
// the imprint cut, a face with points put into its edges): the host's
// records of it do not carry over, so it says what it came from.
struct RebuiltFace {
  int32_t face = 0;        // in the result
  size_t member = 0;       // index into the group's members
  int32_t sourceFace = 0;  // of that member
  std::vector<CornerBlend> corners;  // one per corner of the result's face
};

}  // namespace spl
