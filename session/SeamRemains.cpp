// Passes over the vertices (which of each object have a partner at all,
// each query stopping at the first), then over the first object's faces
// whose corners all have a partner, each query answered by the second
// object's corner index.
#include "session/SeamRemains.h"

#include <algorithm>
#include <vector>

#include "engine/common/Coincidence.h"

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

// Marks the vertices of `from` that coincide with some vertex of `to`
// (indexed by `index` over `toPoints`); each query stops at the first
// partner, so a dense cluster costs its size, not its square. Only vertices
// inside `to`'s box, widened by the reach, are looked up.
void MarkPartnered(const ReportObject& from, const CtsxVector3f* toPoints, const WorldBox& toBox,
                   const CornerIndex& index, int32_t accuracy, std::vector<bool>& partnered) {
  const double reach = CoincidenceRadius(accuracy);
  for (int32_t v = 0; v < from.vertexCount; ++v) {
    const CtsxVector3f& p = from.World(v);
    if (!toBox.Near(p, reach)) continue;
    partnered[static_cast<size_t>(v)] =
        index.AnyNear(p, [&](int32_t u) { return PointsCoincide(p, toPoints[u], accuracy); });
  }
}

// A face with an edge whose ends coincide at the accuracy has no shape
// there: it lies on anything near it, so it is not counted as lying on a
// face of the other object.
bool CollapsesAt(const ReportObject& obj, const CtsxFace& face, int32_t accuracy) {
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    if (PointsCoincide(obj.Corner(face, c), obj.Corner(face, (c + 1) % face.nbrCorners), accuracy)) return true;
  }
  return false;
}

// The faces of `obj` that were not dropped and whose corners all have a
// partner: the only ones that can touch a face of the other object.
std::vector<bool> SeamFaces(const ReportObject& obj, const std::vector<int32_t>& dropped,
                            const std::vector<bool>& partnered, int32_t accuracy) {
  std::vector<bool> take(static_cast<size_t>(obj.faceCount), false);
  for (int32_t f = 0; f < obj.faceCount; ++f) {
    take[static_cast<size_t>(f)] = obj.FaceValid(f) && AllCornersPartnered(obj.Face(f), partnered) &&
                                   !CollapsesAt(obj, obj.Face(f), accuracy);
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
  const WorldBox boxA(a.world), boxB(b.world);
  MarkPartnered(a, b.world.data(), boxB, indexB, accuracy, partneredA);
  if (std::find(partneredA.begin(), partneredA.end(), true) == partneredA.end()) return left;
  {
    // The first object's partnered vertices are the only ones the second's can meet.
    std::vector<CtsxVector3f> near;
    for (int32_t v = 0; v < a.vertexCount; ++v) {
      if (partneredA[static_cast<size_t>(v)]) near.push_back(a.World(v));
    }
    const CornerIndex indexA(near.data(), static_cast<int32_t>(near.size()), CoincidenceRadius(accuracy));
    MarkPartnered(b, near.data(), boxA, indexA, accuracy, partneredB);
  }
  const std::vector<bool> welded = Marks(b.vertexCount, joined.weldedVerticesB);
  for (int32_t v = 0; v < b.vertexCount; ++v) {
    if (partneredB[static_cast<size_t>(v)] && !welded[static_cast<size_t>(v)]) ++left.coincidingVertexPairs;
  }

  const std::vector<bool> facesA = SeamFaces(a, joined.droppedFacesA, partneredA, accuracy);
  const std::vector<bool> facesB = SeamFaces(b, joined.droppedFacesB, partneredB, accuracy);
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
