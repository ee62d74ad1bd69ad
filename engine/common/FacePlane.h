// The plane of a face: its Newell normal, made unit, through the mean of
// its corners, in double precision.
#pragma once

#include <cmath>
#include <cstdint>

#include "interface/tsxapi.h"

namespace spl {

// False, leaving `normal` and `offset` unset, for a face without area.
inline bool FacePlane(const CtsxVector3f* world, const CtsxFace& face, double normal[3], double* offset) {
  double n[3] = {0, 0, 0};
  double c[3] = {0, 0, 0};
  const int32_t count = face.nbrCorners;
  for (int32_t i = 0; i < count; ++i) {
    const CtsxVector3f& p = world[face.corners[i].vindex];
    const CtsxVector3f& q = world[face.corners[(i + 1) % count].vindex];
    n[0] += (double{p.y} - q.y) * (double{p.z} + q.z);
    n[1] += (double{p.z} - q.z) * (double{p.x} + q.x);
    n[2] += (double{p.x} - q.x) * (double{p.y} + q.y);
    c[0] += p.x;
    c[1] += p.y;
    c[2] += p.z;
  }
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(length > 0) || !std::isfinite(length)) return false;
  for (int a = 0; a < 3; ++a) normal[a] = n[a] / length;
  *offset = (normal[0] * c[0] + normal[1] * c[1] + normal[2] * c[2]) / count;
  return true;
}

}  // namespace spl
