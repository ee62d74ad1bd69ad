// Whether two objects touch face to face: a face of each lying on the
// other within the accuracy (every corner of each within it of the other's
// plane), facing the opposite way, their areas overlapping, whether or not
// their corners lie on each other. What a join of the whole contact would
// take; used to say so when no junction is found.
#pragma once

#include <cstdint>

#include "session/ReportGeometry.h"

namespace spl {

struct FaceContact {
  int64_t facePairs = 0;  // found before the budget ran out
  int32_t faceA = -1;     // the first pair found, by face of the first object
  int32_t faceB = -1;
  bool complete = true;   // false when the budget ran out first
};

// `accuracy` in whole thousandths, as every distance of a join. `budget`
// bounds the corner tests spent.
FaceContact FindFaceContact(const ReportObject& a, const ReportObject& b, int32_t accuracy,
                            int64_t budget = 50'000'000);

// The test for one pair.
bool FacesLieOnEachOther(const ReportObject& a, const CtsxFace& fa, const ReportObject& b, const CtsxFace& fb,
                         int32_t accuracy);

}  // namespace spl
