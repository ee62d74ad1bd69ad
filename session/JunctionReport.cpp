#include "session/JunctionReport.h"

#include <algorithm>
#include <map>
#include <utility>

#include "engine/common/CornerIndex.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinInputs.h"
#include "session/JunctionHint.h"
#include "session/ReportGeometry.h"
#include "session/SeamRemains.h"

namespace spl {
namespace {

struct Sources {
  ReportObject a;
  ReportObject b;
};

Sources Load(HostObject first, HostObject second, SearchGeometry* kept) {
  const bool same = kept && kept->first == first && kept->second == second;
  return {LoadReportObject(first, same ? &kept->worldA : nullptr),
          LoadReportObject(second, same ? &kept->worldB : nullptr)};
}

bool ValidFace(const ReportObject& obj, int32_t f) { return f >= 0 && f < obj.faceCount && obj.FaceValid(f); }

void AddPolygon(const ReportObject& obj, const CtsxFace& face, std::vector<OutlineSegment>& outline) {
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    outline.push_back({obj.Corner(face, c), obj.Corner(face, (c + 1) % face.nbrCorners)});
  }
}

// The border of the dropped faces of `obj`: edges that only one of them has.
std::vector<OutlineSegment> Border(const ReportObject& obj, const std::vector<int32_t>& dropped) {
  std::map<std::pair<int32_t, int32_t>, int> uses;
  for (int32_t f : dropped) {
    if (!ValidFace(obj, f)) continue;
    const CtsxFace& face = obj.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const int32_t u = face.corners[c].vindex, v = face.corners[(c + 1) % face.nbrCorners].vindex;
      ++uses[{std::min(u, v), std::max(u, v)}];
    }
  }
  std::vector<OutlineSegment> outline;
  for (const auto& [edge, count] : uses) {
    if (count == 1) {
      outline.push_back({obj.World(edge.first), obj.World(edge.second)});
    }
  }
  return outline;
}

// The junction with its gap; also what the plain join took out of the
// sources.
std::optional<JunctionFacts> Junction(const Sources& s, int32_t fa, int32_t fb, int32_t k, JoinedSeam& joined) {
  if (!ValidFace(s.a, fa) || !ValidFace(s.b, fb)) return std::nullopt;
  const CtsxFace& faceA = s.a.Face(fa);
  const CtsxFace& faceB = s.b.Face(fb);
  if (faceB.nbrCorners != faceA.nbrCorners || k < 0 || k >= faceB.nbrCorners) return std::nullopt;
  joined.droppedFacesA = {fa};
  joined.droppedFacesB = {fb};
  for (int32_t i = 0, j = k; i < faceA.nbrCorners; ++i, j = j == 0 ? faceB.nbrCorners - 1 : j - 1) {
    joined.weldedVerticesB.push_back(faceB.corners[j].vindex);
    joined.weldedOntoA.push_back(faceA.corners[i].vindex);
  }
  return JunctionFacts{fa, fb, 0, k, faceA.nbrCorners, s.a.WalkGap(faceA, s.b, faceB, k)};
}

void CountLeft(const Sources& s, const JoinInputs& inputs, JunctionReport& report, const JoinedSeam& joined,
               SearchGeometry* kept) {
  const std::optional<int32_t>& accuracy = inputs.thousandths;
  report.accuracyFits = accuracy.has_value();
  if (!accuracy || *accuracy < 0) return;
  const CornerIndex index = TakeOrBuildIndex(s.b, *accuracy, kept);
  report.left = CountSeamLeft(s.a, s.b, index, *accuracy, joined);
}

void FillJunction(const Sources& s, const JoinInputs& inputs, int32_t fa, int32_t fb, int32_t k,
                  JunctionReport& report, SearchGeometry* kept) {
  JoinedSeam taken;
  report.junction = Junction(s, fa, fb, k, taken);
  if (!report.junction) return;
  AddPolygon(s.a, s.a.Face(fa), report.outline);
  CountLeft(s, inputs, report, taken, kept);
}

}  // namespace

JunctionReport ReportPlainJoin(const JoinInputs& ran, SearchGeometry* kept) {
  JunctionReport report;
  report.error = JoinState.LastError;
  report.accuracy = ran.accuracy;
  const bool joined = report.error == 0, notFound = report.error == kJunctionNotFound;
  if (!joined && !notFound) return report;
  const Sources s = Load(ran.first, ran.second, kept);
  if (notFound) {
    report.hint = FindJunctionHint(s.a, s.b, ran);
    return report;
  }
  FillJunction(s, ran, JoinState.JunctionFaceA, JoinState.JunctionFaceB, JoinState.JunctionCornerB, report, kept);
  return report;
}

JunctionReport ReportJunction(HostObject first, HostObject second, const JunctionFaces& faces, double accuracy) {
  JunctionReport report;
  report.accuracy = accuracy;
  const Sources s = Load(first, second, nullptr);
  FillJunction(s, JoinInputsAt(first, second, accuracy), faces.faceA, faces.faceB, faces.cornerB, report, nullptr);
  if (!report.junction) report.error = kJunctionNotFound;
  return report;
}

JunctionReport ReportSeamJoin(const JoinInputs& ran, const JoinedSeam& joined) {
  JunctionReport report;
  report.error = JoinState.LastError;
  report.accuracy = ran.accuracy;
  if (report.error != 0) return report;
  const Sources s = Load(ran.first, ran.second, nullptr);
  report.seamJoin = joined;
  report.outline = Border(s.a, joined.droppedFacesA);
  for (std::size_t i = 0; i < joined.weldedVerticesB.size() && i < joined.weldedOntoA.size(); ++i) {
    const int32_t vb = joined.weldedVerticesB[i], va = joined.weldedOntoA[i];
    if (va < 0 || va >= s.a.vertexCount || vb < 0 || vb >= s.b.vertexCount) continue;
    report.seamMaxGap = std::max(report.seamMaxGap, Distance(s.a.World(va), s.b.World(vb)));
  }
  CountLeft(s, ran, report, joined, nullptr);
  return report;
}

void AddResultSeal(JunctionReport& report, HostObject first, HostObject second, HostObject result) {
  if (!report.Joined() || result == 0) return;
  report.seal = CheckSeal(result);
  if (!report.seal->Sealed()) report.sourcesSealed = CheckSeal(first).Sealed() && CheckSeal(second).Sealed();
}

}  // namespace spl
