// Which plain join made an object. The host program sees only the plug-in's
// result appear in the scene; it reads the join off the result: the first
// object is the one the result was copied from, the junction face of the
// first is the one missing from the result's first run of faces, the second
// object is the one whose counts make up the rest, and its junction face is
// the face of the same corner count that lies nearest on the first's.
#pragma once

#include <optional>

#include "interface/tsxapi.h"
#include "session/JunctionReport.h"

namespace hostapp {

struct RecognizedJoin {
  tsxSOBJ first = 0;
  tsxSOBJ second = 0;
  spl::JunctionFaces faces;
};

// Empty when `result` is not the result of a plain join of two objects that
// are still in the scene.
std::optional<RecognizedJoin> RecognizeJoin(tsxSOBJ result);

// Names a plain join's result "FIRST+SECOND" as splicer and Python do;
// other objects keep their names.
void NameJoinResult(tsxSOBJ result);

}  // namespace hostapp
