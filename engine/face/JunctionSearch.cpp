// The junction face search. The result is that of trying every pair of
// faces in the nested nearest-first order; two things make it fast without
// changing it: the order comes from one sort (FaceOrder), and for each face
// of the first object only the faces of the second that have a corner near
// its corner 0 are tested (CornerIndex), the earliest in order winning.
// Transforms are read once and every vertex is taken to world space once.
#include "engine/face/JunctionSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "engine/common/Coincidence.h"
#include "engine/common/CornerIndex.h"
#include "engine/common/Errors.h"
#include "engine/common/FaceIncidence.h"
#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"
#include "engine/common/Saturate.h"
#include "engine/common/JoinInputs.h"
#include "engine/common/Thousandths.h"
#include "engine/common/Transforms.h"
#include "engine/common/WorldObject.h"
#include "engine/face/FaceOrder.h"
#include "engine/face/HostIndexed.h"
#include "interface/tsxapi.h"

namespace spl {
namespace {


// The four per-face working arrays, obtained from the host in the order
// keys A, keys B, order A, order B and given back in that order. The key
// arrays are written but never read (the ordering reads the ranks, which
// carry the keys beside their computable flag): they are kept so that the
// host sees the allocations it expects, a failing one reporting -2 where
// it always has.
class WorkingArrays {
 public:
  bool Obtain(int32_t nA, int32_t nB) {
    const int32_t counts[4] = {nA, nB, nA, nB};
    for (int i = 0; i < 4; ++i) {
      blocks_[i] = static_cast<int32_t*>(tsxMalloc(sizeof(int32_t) * static_cast<size_t>(counts[i])));
      if (!blocks_[i]) return false;
      std::fill_n(blocks_[i], counts[i], 0);
    }
    return true;
  }
  ~WorkingArrays() {
    for (int32_t* block : blocks_) {
      if (block) tsxFree(block);
    }
  }
  int32_t* keys(int which) const { return blocks_[which]; }
  int32_t* order(int which) const { return blocks_[2 + which]; }

 private:
  int32_t* blocks_[4] = {nullptr, nullptr, nullptr, nullptr};
};

// One object as the search sees it: its faces, its vertices in world space,
// and each face's rank.
struct SearchObject : WorldObject {
  HostIndexed<FaceRank> ranks;  // computable = the face can match at all

  // Keys: the thousandths of the distance from `mid` to each face's world
  // centroid. The centroid is summed in corner order in single precision
  // and scaled by the single-precision reciprocal of the corner count, as
  // the host's vector operations do.
  void ComputeKeys(const CtsxVector3f& mid, int32_t* keys) {
    const CtsxVector3f* vertices = tsxPolyhGetVxArray(object);
    HostIndexed<CtsxVector3f> centroids(faceCount, CtsxVector3f{});
    ranks.assign(faceCount, FaceRank{0, false});
    for (int32_t f = 0; f < faceCount; ++f) {
      const CtsxFace& face = Face(f);
      if (!CornersValid(face)) continue;
      CtsxVector3f sum{0, 0, 0};
      for (int32_t c = 0; c < face.nbrCorners; ++c) {
        const CtsxVector3f& v = vertices[face.corners[c].vindex];
        sum = {sum.x + v.x, sum.y + v.y, sum.z + v.z};
      }
      const auto scale = static_cast<float>(1.0 / face.nbrCorners);
      centroids[f] = {sum.x * scale, sum.y * scale, sum.z * scale};
      ranks[f].computable = true;
    }
    ObjectTransform(object).ToWorld(faceCount, centroids.data(), centroids.data());
    for (int32_t f = 0; f < faceCount; ++f) {
      FaceRank& rank = ranks[f];
      const CtsxVector3f& centroid = centroids[f];
      if (!rank.computable || !Finite(centroid)) {
        rank.computable = false;
        continue;
      }
      const float d = tsxDistanceToPoint3f(&mid, &centroid);
      rank.key = RoundToThousandths(d);  // throws when it does not fit
      keys[f] = rank.key;
    }
  }
};

// Face B matches face A when corner i of A coincides with corner (k - i)
// mod n of B for every i, k being the lowest corner of B on A's corner 0.
bool MatchFacePair(const SearchObject& a, const CtsxFace& faceA, const SearchObject& b, const CtsxFace& faceB,
                   int32_t accuracy, int32_t* cornerB) {
  const int32_t n = faceA.nbrCorners;
  const CtsxVector3f& a0 = a.Corner(faceA, 0);
  int32_t k = -1;
  for (int32_t i = 0; i < n; ++i) {
    if (PointsCoincide(a0, b.Corner(faceB, i), accuracy)) {
      k = i;
      break;
    }
  }
  if (k < 0) return false;
  int32_t j = k == 0 ? n - 1 : k - 1;
  for (int32_t i = 1; i < n; ++i) {
    if (!PointsCoincide(a.Corner(faceA, i), b.Corner(faceB, j), accuracy)) return false;
    j = j == 0 ? n - 1 : j - 1;
  }
  *cornerB = k;
  return true;
}

// How many of the second object's faces can match, per corner count: a
// face of the first with a count none of them has is passed over.
class CornerCounts {
 public:
  explicit CornerCounts(const SearchObject& b) {
    for (int32_t f = 0; f < b.faceCount; ++f) {
      if (b.ranks[f].computable) ++At(b.Face(f).nbrCorners);
    }
  }
  bool Any(int32_t n) const { return n >= 0 && Index(n) < counts_.size() && counts_[Index(n)] > 0; }

 private:
  static std::size_t Index(int32_t n) { return static_cast<std::size_t>(n); }
  int64_t& At(int32_t n) {
    if (counts_.size() <= Index(n)) counts_.resize(Index(n) + 1, 0);
    return counts_[Index(n)];
  }
  std::vector<int64_t> counts_;
};

bool PlaceFaces(JoinProgress& progress, const SearchObject& obj, int32_t* order, const char* text) {
  // An abort seen by the announcement ends the stage there, so that it is
  // reported once.
  if (!AnnounceStage(progress, text)) return false;
  FaceOrdering ordering(obj.ranks.data(), obj.faceCount);
  return ordering.Place(order, [&progress, text](int32_t) { return ReportProgress(progress, 10, text, 10); });
}

struct Found {
  int32_t m = -1, p = -1, faceA = -1, faceB = -1, cornerB = -1;
};

// Tries the first object's faces in order; for each, the earliest face of
// the second object's order that matches.
Found SearchPairs(JoinProgress& progress, const SearchObject& a, const SearchObject& b, const int32_t* orderA,
                  const int32_t* orderB, const JoinInputs& inputs, std::optional<CornerIndex>& index,
                  int32_t* indexAccuracy) {
  HostIndexed<int32_t> positionB(b.faceCount, 0);
  for (int32_t p = 0; p < b.faceCount; ++p) positionB[orderB[p]] = p;
  const FaceIncidence incidence(b, [&b](int32_t f) { return b.ranks[f].computable; });
  const CornerCounts cornerCounts(b);
  HostIndexed<int32_t> seen(b.faceCount, -1);

  JoinState.ProgressTick = 0;
  for (int32_t m = 0; m < a.faceCount; ++m) {
    const int32_t fa = orderA[m];
    if (!ReportProgress(progress, b.faceCount, "Searching faces...", 1)) return {};
    const CtsxFace& faceA = a.Face(fa);
    if (!a.ranks[fa].computable || !cornerCounts.Any(faceA.nbrCorners)) continue;
    // Asked for here, at the first corner test: a search that never compares
    // two corners never meets the accuracy's conversion error.
    const int32_t accuracy = inputs.Thousandths();
    if (accuracy < 0) continue;  // no distance is below zero thousandths
    if (!index) {
      index.emplace(b.world.data(), b.vertexCount, CoincidenceRadius(accuracy));
      *indexAccuracy = accuracy;
    }

    Found best;
    index->ForEachNear(a.Corner(faceA, 0), [&](int32_t v) {
      incidence.ForEachFace(v, [&](int32_t fb) {
        const int32_t p = positionB[fb];
        if (seen[fb] == m || (best.p >= 0 && p >= best.p)) return;
        seen[fb] = m;
        const CtsxFace& faceB = b.Face(fb);
        int32_t cornerB = -1;
        if (faceB.nbrCorners == faceA.nbrCorners && MatchFacePair(a, faceA, b, faceB, accuracy, &cornerB)) {
          best = {m, p, fa, fb, cornerB};
        }
      });
    });
    if (best.p >= 0) return best;
  }
  return {};
}

// Hands what the search built to the keeper, if any, on every way out.
struct GeometryHandOver {
  GeometryHandOver(const JoinInputs& of, SearchGeometry* to) : inputs(of), keeper(to) {}
  GeometryHandOver(const GeometryHandOver&) = delete;
  GeometryHandOver& operator=(const GeometryHandOver&) = delete;

  const JoinInputs& inputs;
  SearchGeometry* keeper;
  SearchObject a, b;
  std::optional<CornerIndex> index;
  int32_t indexAccuracy = 0;

  ~GeometryHandOver() {
    if (!keeper) return;
    *keeper = SearchGeometry{};
    keeper->first = inputs.first;
    keeper->second = inputs.second;
    keeper->worldA = std::move(a.world);
    keeper->worldB = std::move(b.world);
    keeper->indexAccuracy = indexAccuracy;
    keeper->indexB = std::move(index);
  }
};

}  // namespace

JunctionSearchInfo FindJunctionFaces(JoinProgress& progress, SearchGeometry* keeper) {
  return FindJunctionFaces(progress, JoinInputsOf(JoinState), keeper);
}

JunctionSearchInfo FindJunctionFaces(JoinProgress& progress, const JoinInputs& inputs, SearchGeometry* keeper) {
  GeometryHandOver built(inputs, keeper);
  SearchObject& a = built.a;
  SearchObject& b = built.b;
  const int32_t nA = std::max(tsxPolyhGetNbrFaces(inputs.first), 0);
  const int32_t nB = std::max(tsxPolyhGetNbrFaces(inputs.second), 0);
  WorkingArrays arrays;
  if (!arrays.Obtain(nA, nB)) {
    ReportError(progress.view, kNoMemory);
    return {};
  }
  CtsxVector3f mid{}, axesB{};
  tsxGNodeGetAxesPosition(inputs.first, &mid);
  tsxGNodeGetAxesPosition(inputs.second, &axesB);
  tsxAddVec3f(&mid, &axesB);
  tsxMulScalar3f(&mid, 0.5f);

  a.Load(inputs.first);
  b.Load(inputs.second);
  a.faceCount = std::min(a.faceCount, nA);
  b.faceCount = std::min(b.faceCount, nB);
  a.ComputeKeys(mid, arrays.keys(0));
  b.ComputeKeys(mid, arrays.keys(1));

  if (!PlaceFaces(progress, a, arrays.order(0), "Sorting faces(1)...")) return {};
  if (!PlaceFaces(progress, b, arrays.order(1), "Sorting faces(2)...")) return {};

  const Found found = SearchPairs(progress, a, b, arrays.order(0), arrays.order(1), inputs, built.index,
                                  &built.indexAccuracy);
  if (JoinFailed()) return {};
  if (found.p < 0) {
    ReportError(progress.view, kJunctionNotFound);
    return {};
  }
  JoinState.JunctionCornerA = 0;
  JoinState.JunctionCornerB = found.cornerB;
  JoinState.JunctionFaceA = found.faceA;
  JoinState.JunctionFaceB = found.faceB;
  JoinState.ProgressTick = 0;
  // Not tested here: the driver stops on an abort this call reports.
  static_cast<void>(
      ReportSkippedSteps(progress, int64_t{b.faceCount - found.p} * (a.faceCount - found.m - 1), "Faces found!"));
  return {found.m, found.p};
}

}  // namespace spl
