// After "06": the face pairs that came nearest to forming a junction, and
// the accuracy at which the search's own rule accepts the best of them.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/common/JoinInputs.h"
#include "session/JunctionReport.h"
#include "session/ReportGeometry.h"

namespace spl {

// The smallest whole thousandths at which the search accepts fa and fb:
// with k the lowest corner of fb on corner 0 of fa, every corner i of fa on
// corner (k - i) mod n of fb. Raising the accuracy can bring a lower corner
// of fb onto corner 0 of fa, so this need not be the smallest walk.
std::optional<int32_t> AccuracyToMatch(const ReportObject& a, const CtsxFace& fa, const ReportObject& b,
                                       const CtsxFace& fb);

// Candidates are looked for within a radius that starts at the accuracy's
// reach and grows fourfold until `wanted` are found, the radius spans both
// objects, or `budget` pair tests are spent. Ranked by their largest corner
// gap at the best starting corner, then by the accuracy they need. The
// first whose accuracy is within kHintEdgeShare of its faces' shortest edge
// is suggested; without one, the hint says whether faces lie on each other
// at the inputs' accuracy (a contact) or the objects do not touch face to
// face.
std::optional<JunctionHint> FindJunctionHint(const ReportObject& a, const ReportObject& b, const JoinInputs& inputs,
                                             int wanted = 3, int64_t budget = 50'000'000);

}  // namespace spl
