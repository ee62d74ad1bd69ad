// The mesh merge: welds the second object onto the result object (the
// host's copy of the first) across the junction the search found.
#pragma once

#include <cstdint>

#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"

namespace spl {

// Replaces the result's vertices, UV coordinates and faces by the welded set
// of both objects: the result's vertices, then the second object's brought
// into the result's space with junction face B's vertices removed; the
// result's UVs, then the second object's; the result's faces without
// JunctionFaceA, then the second object's without JunctionFaceB (from
// position FA - 1), renumbered, with the material index of the result's
// face 0, and with junction face B's corners moved onto face A's.
//
// Requires JunctionFaceA/B and JunctionCornerB from FindJunctionFaces and
// `result` unchanged since the copy. `copiedFrom`, when given, is the object
// the result was copied from: the result's faces are read from it (see
// ReadFaces). Succeeded when LastError is still 0.
// On a failure before the hand-over the result is left as the copy was; a
// replacement the host refuses may leave it partly replaced (the caller
// deletes a failed result). Either way every working array and face copy
// is freed or the host's, and the error has been reported once.
void MergeObjects(JoinProgress& progress, HostObject result, HostObject second, HostObject copiedFrom = 0);

}  // namespace spl
