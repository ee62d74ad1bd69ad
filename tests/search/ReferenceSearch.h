// The junction face search written the straightforward way: a quadratic
// selection for each order, every pair tried in the nested order, every
// corner taken to world space through the host on every test. The fast
// search must agree with it on everything a caller can observe.
#pragma once

#include "engine/face/JunctionSearch.h"

namespace spl::testing {

void ReferenceFindJunctionFaces(JoinProgress& progress);
JunctionSearchInfo ReferenceLastInfo();

}  // namespace spl::testing
