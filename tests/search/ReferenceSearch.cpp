#include "tests/search/ReferenceSearch.h"

#include <cmath>
#include <optional>
#include <vector>

#include "engine/common/Errors.h"
#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"
#include "engine/common/Thousandths.h"
#include "engine/common/Transforms.h"
#include "interface/tsxapi.h"

namespace spl::testing {
namespace {

JunctionSearchInfo g_info;

struct FaceRecord {
  HostObject object = 0;
  int32_t index = 0;
  int32_t corners = 0;
  const CtsxVector3f* vertices = nullptr;
  std::vector<int32_t> cornerVertices;
};

FaceRecord BuildFaceRecord(HostObject object, int32_t index) {
  FaceRecord r;
  r.object = object;
  r.index = index;
  const CtsxFace* face = tsxPolyhGetFaceptrArray(object)[index];
  r.corners = face->nbrCorners;
  r.vertices = tsxPolyhGetVxArray(object);
  for (int32_t c = 0; c < r.corners; ++c) r.cornerVertices.push_back(face->corners[c].vindex);
  return r;
}

bool Finite(const CtsxVector3f& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Whether the face can take part at all: corners that name real vertices
// and a finite world centroid. Empty when not.
std::optional<CtsxVector3f> WorldCentroid(const FaceRecord& r) {
  const int32_t count = tsxPolyhGetNbrVxs(r.object);
  if (r.corners <= 0) return std::nullopt;
  for (int32_t v : r.cornerVertices) {
    if (v < 0 || v >= count) return std::nullopt;
  }
  CtsxVector3f sum{0, 0, 0};
  const CtsxVector3f* vx = tsxPolyhGetVxArray(r.object);
  for (int32_t v : r.cornerVertices) tsxAddVec3f(&sum, &vx[v]);
  tsxMulScalar3f(&sum, static_cast<float>(1.0 / r.corners));
  CtsxVector3f world{};
  VertexToWorld(r.object, sum, world);
  if (!Finite(world)) return std::nullopt;
  return world;
}

bool PointsCoincide(const CtsxVector3f& a, const CtsxVector3f& b) {
  const int32_t accuracy = RoundToThousandths(static_cast<float>(JoinState.Accuracy));
  if (!Finite(a) || !Finite(b)) return false;
  const auto d = TryRoundToThousandths(tsxDistanceToPoint3f(&a, &b));
  return d && *d <= accuracy;
}

CtsxVector3f CornerWorld(const FaceRecord& r, int32_t corner) {
  CtsxVector3f w{};
  VertexToWorld(r.object, r.vertices[r.cornerVertices[static_cast<size_t>(corner)]], w);
  return w;
}

bool MatchFacePair(const FaceRecord& a, const FaceRecord& b) {
  if (!WorldCentroid(a) || !WorldCentroid(b)) return false;  // never matches
  const int32_t n = a.corners;
  int32_t k = -1;
  for (int32_t i = 0; i < n; ++i) {
    if (PointsCoincide(CornerWorld(b, i), CornerWorld(a, 0))) {
      k = i;
      break;
    }
  }
  if (k < 0) return false;
  bool all = true;
  int32_t j = k == 0 ? n - 1 : k - 1;
  for (int32_t i = 1; i < n; ++i) {
    if (!PointsCoincide(CornerWorld(a, i), CornerWorld(b, j))) all = false;
    j = j == 0 ? n - 1 : j - 1;
  }
  if (!all) return false;
  JoinState.JunctionCornerA = 0;
  JoinState.JunctionCornerB = k;
  return true;
}

struct Keyed {
  std::vector<int32_t> keys;
  std::vector<bool> computable;
};

Keyed Keys(HostObject object, int32_t n, const CtsxVector3f& mid) {
  Keyed k{std::vector<int32_t>(static_cast<size_t>(n), 0), std::vector<bool>(static_cast<size_t>(n), false)};
  for (int32_t f = 0; f < n; ++f) {
    const auto c = WorldCentroid(BuildFaceRecord(object, f));
    if (!c) continue;
    k.keys[static_cast<size_t>(f)] = RoundToThousandths(tsxDistanceToPoint3f(&mid, &*c));
    k.computable[static_cast<size_t>(f)] = true;
  }
  return k;
}

// Lower rank: computable before not, then the smaller key.
bool Less(const Keyed& k, int32_t a, int32_t b) {
  const auto ua = static_cast<size_t>(a), ub = static_cast<size_t>(b);
  if (k.computable[ua] != k.computable[ub]) return k.computable[ua];
  return k.keys[ua] < k.keys[ub];
}

bool Place(JoinProgress& progress, const Keyed& k, int32_t n, std::vector<int32_t>& order, const char* text) {
  if (!ReportProgress(progress, 0, text, 1)) return false;
  JoinState.ProgressTick = 0;
  std::vector<bool> placed(static_cast<size_t>(n), false);
  for (int32_t m = 0; m < n; ++m) {
    if (!ReportProgress(progress, 10, text, 10)) return false;
    int32_t candidate = m;
    for (int32_t a = 0; a < n; ++a) {
      if (a == candidate || placed[static_cast<size_t>(a)]) continue;
      if (placed[static_cast<size_t>(candidate)] || Less(k, a, candidate)) candidate = a;
    }
    order[static_cast<size_t>(m)] = candidate;
    placed[static_cast<size_t>(candidate)] = true;
  }
  return true;
}

}  // namespace

JunctionSearchInfo ReferenceLastInfo() { return g_info; }

void ReferenceFindJunctionFaces(JoinProgress& progress) {
  g_info = {};
  const HostObject first = JoinState.FirstObject, second = JoinState.SecondObject;
  const int32_t nA = tsxPolyhGetNbrFaces(first), nB = tsxPolyhGetNbrFaces(second);
  CtsxVector3f mid{}, axesB{};
  tsxGNodeGetAxesPosition(first, &mid);
  tsxGNodeGetAxesPosition(second, &axesB);
  tsxAddVec3f(&mid, &axesB);
  tsxMulScalar3f(&mid, 0.5f);
  const Keyed keysA = Keys(first, nA, mid);
  const Keyed keysB = Keys(second, nB, mid);
  std::vector<int32_t> orderA(static_cast<size_t>(nA)), orderB(static_cast<size_t>(nB));
  if (!Place(progress, keysA, nA, orderA, "Sorting faces(1)...")) return;
  if (!Place(progress, keysB, nB, orderB, "Sorting faces(2)...")) return;

  JoinState.ProgressTick = 0;
  int32_t foundM = -1, foundP = -1;
  for (int32_t m = 0; m < nA && foundM < 0; ++m) {
    const FaceRecord a = BuildFaceRecord(first, orderA[static_cast<size_t>(m)]);
    if (!ReportProgress(progress, nB, "Searching faces...", 1)) return;
    for (int32_t p = 0; p < nB; ++p) {
      const FaceRecord b = BuildFaceRecord(second, orderB[static_cast<size_t>(p)]);
      if (a.corners == b.corners && MatchFacePair(a, b)) {
        JoinState.JunctionFaceA = a.index;
        JoinState.JunctionFaceB = b.index;
        foundM = m;
        foundP = p;
        break;
      }
    }
  }
  if (foundM < 0) {
    ReportError(progress.view, kJunctionNotFound);
    return;
  }
  g_info = {foundM, foundP};
  JoinState.ProgressTick = 0;
  const int64_t steps = int64_t{nB - foundP} * (nA - foundM - 1);
  static_cast<void>(
      ReportProgress(progress, static_cast<int32_t>(std::min<int64_t>(steps, INT32_MAX)), "Faces found!", 1));
}

}  // namespace spl::testing
