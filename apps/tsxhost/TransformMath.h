// Object placement edits in the host's transform layout (row-major 3x3 with
// the translation as the fourth entry of each row, see tsxapi.h).
#pragma once

#include "interface/tsxapi.h"

namespace hostapp {

// a after b: (a * b)(p) = a(b(p)).
CtsxTxmx3f Compose(const CtsxTxmx3f& a, const CtsxTxmx3f& b);
CtsxVector3f Apply(const CtsxTxmx3f& m, const CtsxVector3f& p);

// The edit of the numeric panel, relative to the object's placement now.
struct PlacementEdit {
  CtsxVector3f move{0, 0, 0};  // world units
  CtsxVector3f turn{0, 0, 0};  // degrees about the world x, then y, then z
  float scale = 1.0f;          // uniform
};

// The world-space transform that scales and turns about `pivot`, then moves.
CtsxTxmx3f EditTransform(const PlacementEdit& edit, const CtsxVector3f& pivot);

}  // namespace hostapp
