// Two passes over the first object, each query answered by the second
// object's corner index: its vertices (which of them have a partner at all,
// and how many partners were not welded), then the faces whose corners all
// have a partner.
#include "SeamRemains.h"

#include <algorithm>
#include <vector>

#include "Coincidence.h"

namespace spl {
namespace {

std::vector<bool> Marks(int32_t count, const std::vector<int32_t>& indices) {
  std::vector<bool> marks(static_cast<size_t>(count), false);
  for (int32_t i : indices) {
    if (i >= 0 && i < count) marks[static_cast<size_t>(i)] = true;
  }
  return marks;
}

bool AllCornersPartnered(const CtsxFace& face, const std::vector<bool>& partnered) {
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    if (!partnered[static_cast<size_t>(face.corners[c].vindex)]) return false;
  }
  return true;
}

}  // namespace

bool FacesTouch(const ReportObject& a, const CtsxFace& fa, const ReportObject& b, const CtsxFace& fb,
                int32_t accuracy) {
  const int32_t n = fa.nbrCorners;
  if (fb.nbrCorners != n) return false;
  const CtsxVector3f& a0 = a.Corner(fa, 0);
  for (int32_t k = 0; k < n; ++k) {
    if (!PointsCoincide(a0, b.Corner(fb, k), accuracy)) continue;
    bool all = true;
    for (int32_t i = 1, j = k == 0 ? n - 1 : k - 1; i < n && all; ++i, j = j == 0 ? n - 1 : j - 1) {
      all = PointsCoincide(a.Corner(fa, i), b.Corner(fb, j), accuracy);
    }
    if (all) return true;
  }
  return false;
}

namespace {

// First pass: counts the unwelded coinciding vertex pairs and marks, on
// both sides, the vertices that have a partner at all. Only vertices of the
// first object inside the second's box (widened by the reach) are looked up.
int64_t PairVertices(const ReportObject& a, const ReportObject& b, const CornerIndex& indexB, int32_t accuracy,
                     const std::vector<bool>& welded, std::vector<bool>& partneredA, std::vector<bool>& partneredB) {
  const WorldBox boxB(b.world);
  const double reach = CoincidenceRadius(accuracy);
  std::vector<int32_t> stamp(static_cast<size_t>(b.vertexCount), -1);
  int64_t unwelded = 0;
  for (int32_t va = 0; va < a.vertexCount; ++va) {
    const CtsxVector3f& p = a.World(va);
    if (!boxB.Near(p, reach)) continue;
    indexB.ForEachNear(p, [&](int32_t vb) {
      if (stamp[static_cast<size_t>(vb)] == va) return;  // a point may be visited twice
      stamp[static_cast<size_t>(vb)] = va;
      if (!PointsCoincide(p, b.World(vb), accuracy)) return;
      partneredA[static_cast<size_t>(va)] = true;
      partneredB[static_cast<size_t>(vb)] = true;
      if (!welded[static_cast<size_t>(vb)]) ++unwelded;
    });
  }
  return unwelded;
}

// The faces of `obj` that were not dropped and whose corners all have a
// partner: the only ones that can touch a face of the other object.
std::vector<bool> SeamFaces(const ReportObject& obj, const std::vector<int32_t>& dropped,
                            const std::vector<bool>& partnered) {
  std::vector<bool> take(static_cast<size_t>(obj.faceCount), false);
  for (int32_t f = 0; f < obj.faceCount; ++f) {
    take[static_cast<size_t>(f)] = obj.FaceValid(f) && AllCornersPartnered(obj.Face(f), partnered);
  }
  for (int32_t f : dropped) {
    if (f >= 0 && f < obj.faceCount) take[static_cast<size_t>(f)] = false;
  }
  return take;
}

}  // namespace

SeamLeft CountSeamLeft(const ReportObject& a, const ReportObject& b, const CornerIndex& indexB, int32_t accuracy,
                       const JoinedSeam& joined) {
  SeamLeft left;
  if (accuracy < 0) return left;  // no distance is below zero thousandths
  std::vector<bool> partneredA(static_cast<size_t>(a.vertexCount), false);
  std::vector<bool> partneredB(static_cast<size_t>(b.vertexCount), false);
  left.coincidingVertexPairs =
      PairVertices(a, b, indexB, accuracy, Marks(b.vertexCount, joined.weldedVerticesB), partneredA, partneredB);
  if (std::find(partneredA.begin(), partneredA.end(), true) == partneredA.end()) return left;

  const std::vector<bool> facesA = SeamFaces(a, joined.droppedFacesA, partneredA);
  const std::vector<bool> facesB = SeamFaces(b, joined.droppedFacesB, partneredB);
  const FaceIncidence incidence(b, [&facesB](int32_t f) { return facesB[static_cast<size_t>(f)]; });
  std::vector<int32_t> tried(static_cast<size_t>(b.faceCount), -1);
  for (int32_t f = 0; f < a.faceCount; ++f) {
    if (!facesA[static_cast<size_t>(f)]) continue;
    const CtsxFace& fa = a.Face(f);
    const CtsxVector3f& a0 = a.Corner(fa, 0);
    indexB.ForEachNear(a0, [&](int32_t vb) {
      if (!PointsCoincide(a0, b.World(vb), accuracy)) return;
      incidence.ForEachFace(vb, [&](int32_t g) {
        if (tried[static_cast<size_t>(g)] == f) return;
        tried[static_cast<size_t>(g)] = f;
        if (FacesTouch(a, fa, b, b.Face(g), accuracy)) ++left.touchingFacePairs;
      });
    });
  }
  return left;
}

}  // namespace spl
