#include "apps/tsxhost/JoinRecognizer.h"

#include <limits>
#include <vector>

#include "host/scene/Scene.h"
#include "session/JoinSession.h"
#include "session/ReportGeometry.h"

namespace hostapp {

namespace {

bool SameFace(const CtsxFace* x, const CtsxFace* y) {
  if (!x || !y || x->nbrCorners != y->nbrCorners || !x->corners || !y->corners) return false;
  for (int32_t c = 0; c < x->nbrCorners; ++c) {
    if (x->corners[c].vindex != y->corners[c].vindex || x->corners[c].uvindex != y->corners[c].uvindex) {
      return false;
    }
  }
  return true;
}

// The face of the first object that the result's first run leaves out.
int32_t MissingFace(tsxSOBJ first, tsxSOBJ result) {
  const int32_t nA = tsxPolyhGetNbrFaces(first);
  CtsxFace** a = tsxPolyhGetFaceptrArray(first);
  CtsxFace** r = tsxPolyhGetFaceptrArray(result);
  if (nA < 1 || !a || !r || tsxPolyhGetNbrFaces(result) < nA - 1) return -1;
  for (int32_t j = 0; j < nA - 1; ++j) {
    if (!SameFace(a[j], r[j])) return j;
  }
  return nA - 1;
}

struct Nearest {
  int32_t face = -1;
  int32_t corner = -1;
  double gap = std::numeric_limits<double>::infinity();
};

// The face of `b` with the corner count of `faceA` whose corners, walked
// opposite from its best corner, lie nearest on those of `faceA`.
Nearest NearestFace(const spl::ReportObject& a, const CtsxFace& faceA, const spl::ReportObject& b) {
  Nearest best;
  for (int32_t g = 0; g < b.faceCount; ++g) {
    if (!b.FaceValid(g) || b.Face(g).nbrCorners != faceA.nbrCorners) continue;
    for (int32_t k = 0; k < faceA.nbrCorners; ++k) {
      if (spl::Distance(a.Corner(faceA, 0), b.Corner(b.Face(g), k)) >= best.gap) continue;
      const double gap = a.WalkGap(faceA, b, b.Face(g), k);
      if (gap < best.gap) best = {g, k, gap};
    }
  }
  return best;
}

}  // namespace

std::optional<RecognizedJoin> RecognizeJoin(tsxSOBJ result) {
  const tsxSOBJ first = tsxhost::CopiedFrom(result);
  if (first == 0 || !tsxhost::InScene(first)) return std::nullopt;
  const int32_t faceA = MissingFace(first, result);
  if (faceA < 0) return std::nullopt;
  const spl::ReportObject a = spl::LoadReportObject(first, nullptr);
  if (!a.FaceValid(faceA)) return std::nullopt;
  const CtsxFace& junctionA = a.Face(faceA);
  const int32_t facesB = tsxPolyhGetNbrFaces(result) - a.faceCount + 2;
  const int32_t uvsB = tsxPolyhGetNbrUV(result) - tsxPolyhGetNbrUV(first);
  const int32_t verticesB = tsxPolyhGetNbrVxs(result) - a.vertexCount + junctionA.nbrCorners;

  std::optional<RecognizedJoin> found;
  double bestGap = std::numeric_limits<double>::infinity();
  for (tsxSOBJ candidate : tsxhost::SceneObjects()) {
    if (candidate == first || candidate == result || tsxPolyhGetNbrFaces(candidate) != facesB ||
        tsxPolyhGetNbrUV(candidate) != uvsB || tsxPolyhGetNbrVxs(candidate) != verticesB) {
      continue;
    }
    const Nearest n = NearestFace(a, junctionA, spl::LoadReportObject(candidate, nullptr));
    if (n.face >= 0 && n.gap < bestGap) {
      bestGap = n.gap;
      found = RecognizedJoin{first, candidate, {faceA, n.face, n.corner}};
    }
  }
  return found;
}

void NameJoinResult(tsxSOBJ result) {
  const std::optional<RecognizedJoin> join = RecognizeJoin(result);
  if (!join) return;
  const std::string base = tsxhost::ObjectName(join->first) + "+" + tsxhost::ObjectName(join->second);
  const std::string now = tsxhost::ObjectName(result);
  if (now == base || now.rfind(base + ".", 0) == 0) return;  // named so already (the host's own joins)
  tsxhost::SetObjectName(result, splicer::ResultName(tsxhost::ObjectName(join->first), tsxhost::ObjectName(join->second)));
}

}  // namespace hostapp
