// The junction face search: one face of the first object and one of the
// second that lie on each other within the accuracy, corner on corner,
// turned against each other; faces tried nearest to the objects' midpoint
// first, the first matching pair winning.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/common/CornerIndex.h"
#include "engine/common/JoinInputs.h"
#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"

namespace spl {

// Where the junction faces stood in the two nearest-first orders, for
// reports; -1 when the search found none.
struct JunctionSearchInfo {
  int32_t orderPositionA = -1;
  int32_t orderPositionB = -1;
};

// What a search built, kept for a report made right after the join so that
// it need not build it again: both objects' vertices in world space and the
// index of the second's. A field stays empty when the search stopped before
// building it (the index is built at the first corner test).
struct SearchGeometry {
  HostObject first = 0;
  HostObject second = 0;
  std::vector<CtsxVector3f> worldA;
  std::vector<CtsxVector3f> worldB;
  int32_t indexAccuracy = 0;  // whole thousandths the index was built for
  std::optional<CornerIndex> indexB;
};

// Searches the inputs' two objects at their accuracy; writes JunctionFaceA,
// JunctionFaceB, JunctionCornerA (0) and JunctionCornerB, or reports
// -1006 when no pair matches (the fields keep their -1). Reports -2 when a
// working array cannot be had, and stops on LastError after each progress
// call (an abort). Throws ConversionError, with the working memory freed
// and the fields untouched, when the accuracy or a face's distance from
// the midpoint does not convert to whole thousandths; an accuracy that does
// not fit fails at the first corner test, so a search that tests no corner
// never fails on it.
//
// Faces of any corner count take part. A face without corners, with a
// corner naming no vertex, or whose centroid is not finite has no key: it is
// placed after every face that has one (by index among themselves) and never
// matches. A corner whose world position is not finite coincides with
// nothing. An abort seen by the announcement of an ordering ends the search
// there, so that its message shows once.
//
// Returns where the junction faces stood. With `keeper` set, the search
// leaves its geometry there on every way out; null: it is dropped with the
// search. Not owned.
JunctionSearchInfo FindJunctionFaces(JoinProgress& progress, const JoinInputs& inputs,
                                     SearchGeometry* keeper = nullptr);

// The same for the join state record's picks and accuracy, taken as a join
// takes them where it starts.
JunctionSearchInfo FindJunctionFaces(JoinProgress& progress, SearchGeometry* keeper = nullptr);

}  // namespace spl
