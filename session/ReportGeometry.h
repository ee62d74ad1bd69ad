// The two sources of a join as its report sees them: faces, vertices in
// world space, the second's vertex-to-face incidence and a corner index.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/common/CornerIndex.h"
#include "engine/common/FaceIncidence.h"
#include "engine/common/JoinState.h"
#include "engine/common/WorldObject.h"
#include "engine/face/JunctionSearch.h"
#include "interface/tsxapi.h"

namespace spl {

struct ReportObject : WorldObject {
  bool keptWorld = false;  // taken over from the search

  // The largest double-precision distance of corner i of `face` to corner
  // (k - i) mod n of `other` (same corner count).
  double WalkGap(const CtsxFace& face, const ReportObject& otherObject, const CtsxFace& other, int32_t k) const;
  double ShortestEdge(const CtsxFace& face) const;
};

// The box around an object's finite world points; a point farther than
// `reach` outside it has no point of the object within `reach`.
struct WorldBox {
  double lo[3];
  double hi[3];
  explicit WorldBox(const std::vector<CtsxVector3f>& points);
  bool Empty() const { return !(lo[0] <= hi[0]); }
  bool Near(const CtsxVector3f& p, double reach) const;
  void Merge(const WorldBox& other);
  double Diagonal() const;
};

// Loads one source; `kept` world positions (the search's of this object, or
// null) are taken over when their count is the object's vertex count.
ReportObject LoadReportObject(HostObject object, std::vector<CtsxVector3f>* kept);

// The kept index of `b` when it was built for this accuracy over the kept
// positions that `b` took over, else a new one.
CornerIndex TakeOrBuildIndex(const ReportObject& b, int32_t accuracy, SearchGeometry* kept);

double Distance(const CtsxVector3f& p, const CtsxVector3f& q);

}  // namespace spl
