// What is left of a seam after a join: face pairs of the two sources that
// still touch, and coinciding vertex pairs that were not welded.
#pragma once

#include <cstdint>

#include "engine/common/CornerIndex.h"
#include "session/JunctionReport.h"
#include "session/ReportGeometry.h"

namespace spl {

// Whether face `fa` of `a` and face `fb` of `b` touch at `accuracy`
// thousandths (the rule of JunctionReport.h: any starting corner).
bool FacesTouch(const ReportObject& a, const CtsxFace& fa, const ReportObject& b, const CtsxFace& fb,
                int32_t accuracy);

// `indexB` indexes b's world positions for `accuracy`. Vertex pairs are
// counted once per unwelded vertex of b that coincides with any vertex of
// a; face pairs only where neither face has an edge that collapses at the
// accuracy.
SeamLeft CountSeamLeft(const ReportObject& a, const ReportObject& b, const CornerIndex& indexB, int32_t accuracy,
                       const JoinedSeam& joined);

}  // namespace spl
