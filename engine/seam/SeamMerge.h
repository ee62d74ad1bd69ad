// The merge of a seam join: the second object welded onto the result object
// (the host's copy of the first) along the whole seam.
#pragma once

#include <cstdint>

#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"
#include "engine/seam/JoinedSeam.h"

namespace spl {

// Replaces the result's vertices, UV coordinates and faces, laid out as the
// plain join lays them out: the result's vertices, then the second object's
// not in seam.weldedVerticesB, brought into the result's space, in order;
// the result's UVs, then the second object's; the result's faces without
// seam.droppedFacesA, then the second object's without seam.droppedFacesB,
// renumbered, a welded vertex replaced by its seam.weldedOntoA, with the
// material index of the result's face 0 (the material transfer repaints).
// Holes of the second object's faces are renumbered when HoleMergeEnabled.
//
// Requires `result` unchanged since the copy. Succeeded when LastError is
// still 0; on any failure the result is left as the copy was, nothing is
// leaked and the error has been reported once.
void MergeAlongSeam(JoinProgress& progress, HostObject result, HostObject second, const JoinedSeam& seam,
                    HostObject copiedFrom = 0);

// Progress steps MergeAlongSeam reports in all.
int64_t SeamMergeSteps(HostObject first, HostObject second);

}  // namespace spl
