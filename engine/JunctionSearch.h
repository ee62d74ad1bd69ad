// The junction face search: one face of the first object and one of the
// second that lie on each other within the accuracy, corner on corner,
// turned against each other; faces tried nearest to the objects' midpoint
// first, the first matching pair winning.
#pragma once

#include <cstdint>

namespace spl {

// Reads FirstObject, SecondObject and Accuracy; writes JunctionFaceA,
// JunctionFaceB, JunctionCornerA (0) and JunctionCornerB, or reports
// -1006 when no pair matches (the fields keep their -1). Reports -2 when a
// working array cannot be had, and stops on LastError after each progress
// call (an abort). Throws ConversionError, with the working memory freed
// and the fields untouched, when the accuracy or a face's distance from
// the midpoint does not convert to whole thousandths; the accuracy is
// converted at the first corner test, so a search that tests no corner
// never fails on it.
//
// Faces of any corner count take part. A face without corners, with a
// corner naming no vertex, or whose centroid is not finite has no key: it is
// placed after every face that has one (by index among themselves) and never
// matches. A corner whose world position is not finite coincides with
// nothing. An abort seen by the announcement of an ordering ends the search
// there, so that its message shows once.
void FindJunctionFaces();

// Where the junction faces stood in the two nearest-first orders, for
// reports; -1 when the last search found none.
struct JunctionSearchInfo {
  int32_t orderPositionA = -1;
  int32_t orderPositionB = -1;
};
JunctionSearchInfo LastJunctionSearchInfo();

}  // namespace spl
