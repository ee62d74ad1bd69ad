// When two world points coincide: the one distance test of every join, in
// whole thousandths as the junction search measures.
#pragma once

#include <cstdint>

#include "interface/tsxapi.h"

namespace spl {

// True when the host's distance of `a` and `b`, in whole thousandths, is at
// most `accuracy` thousandths. A point that is not finite coincides with
// nothing; a distance beyond 32-bit thousandths coincides with nothing.
bool PointsCoincide(const CtsxVector3f& a, const CtsxVector3f& b, int32_t accuracy);

// Radius within which two points can coincide at `accuracy` thousandths
// (for a CornerIndex): round(d * 1000) <= accuracy needs d < (accuracy +
// 0.5) / 1000; padded for the rounding of the host's distance.
double CoincidenceRadius(int32_t accuracy);

bool Finite(const CtsxVector3f& p);

}  // namespace spl
