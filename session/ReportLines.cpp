#include "session/ReportLines.h"

#include <cstdio>

namespace spl {
namespace {

std::string Count(int64_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace

std::string FormatLength(double length) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", length);
  return text;
}

std::string FormatThousandths(int32_t thousandths) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", thousandths / 1000.0);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string SummaryText(const JunctionReport& report, std::string_view first, std::string_view second) {
  const std::string names = std::string(first) + " and " + std::string(second);
  if (report.error != 0) return {};
  if (report.junction) {
    const JunctionFacts& j = *report.junction;
    return "joined " + names + " at faces " + std::to_string(j.faceA) + " and " + std::to_string(j.faceB) + " (" +
           std::to_string(j.corners) + " corners, largest gap " + FormatLength(j.maxGap) + ")";
  }
  if (report.seamJoin) {
    const JoinedSeam& s = *report.seamJoin;
    return "joined " + names + " along a seam (" + std::to_string(s.droppedFacesA.size()) + " and " +
           Count(static_cast<int64_t>(s.droppedFacesB.size()), "face", "faces") + " dropped, " +
           Count(static_cast<int64_t>(s.weldedVerticesB.size()), "vertex", "vertices") + " welded)";
  }
  return {};
}

std::optional<std::string> WarningText(const JunctionReport& report, std::string_view seamPointer) {
  if (!report.SeamIncomplete()) return std::nullopt;
  std::string text = report.seamJoin ? "the seam is still incomplete: " : "the seam is incomplete: ";
  const SeamLeft& left = report.left;
  if (left.touchingFacePairs > 0) {
    text += Count(left.touchingFacePairs, "more face pair touches", "more face pairs touch");
    if (left.coincidingVertexPairs > 0 && !report.seamJoin) text += ", ";
  }
  if (left.coincidingVertexPairs > 0 && !report.seamJoin) {
    text += Count(left.coincidingVertexPairs, "vertex pair coincides", "vertex pairs coincide") + " unwelded";
  }
  if (!report.seamJoin && !seamPointer.empty()) text += "; " + std::string(seamPointer);
  return text;
}

std::optional<std::string> GapWarningText(const JunctionReport& report) {
  if (!report.Joined()) return std::nullopt;
  const double gap = report.junction ? report.junction->maxGap : report.seamMaxGap;
  if (!(gap > report.accuracy / 2)) return std::nullopt;
  return "the largest gap (" + FormatLength(gap) + ") is more than half the accuracy (" +
         FormatLength(report.accuracy) + "): corners that do not lie on each other may have been welded";
}

std::optional<std::string> SealText(const JunctionReport& report) {
  if (!report.seal || report.seal->Sealed()) return std::nullopt;
  const SealFacts& seal = *report.seal;
  std::string text = "the result is not sealed: ";
  std::string parts;
  auto add = [&parts](int64_t n, std::string_view one, std::string_view many) {
    if (n > 0) parts += (parts.empty() ? "" : ", ") + Count(n, one, many);
  };
  add(seal.openEdges, "open edge", "open edges");
  add(seal.overusedEdges, "edge of more than two faces or run twice one way",
      "edges of more than two faces or run twice one way");
  add(seal.sharedPositions, "vertex at the position of another", "vertices at the position of another");
  if (parts.empty()) parts = "no faces";
  text += parts;
  if (seal.firstAt) {
    text += " (the first at " + FormatLength(seal.firstAt->x) + ", " + FormatLength(seal.firstAt->y) + ", " +
            FormatLength(seal.firstAt->z) + ")";
  }
  return text;
}

std::vector<std::string> WarningLines(const JunctionReport& report, std::string_view seamPointer) {
  std::vector<std::string> lines;
  if (auto seam = WarningText(report, seamPointer)) lines.push_back(*seam);
  if (auto gap = GapWarningText(report)) lines.push_back(*gap);
  return lines;
}

std::optional<std::string> HintText(const JunctionReport& report, std::string_view accuracyOption,
                                    std::string_view contactPointer) {
  if (!report.hint) return std::nullopt;
  const JunctionHint& hint = *report.hint;
  if (hint.kind == HintKind::Contact) {
    return "the objects touch face to face (faces " + std::to_string(hint.contactFaceA) + " and " +
           std::to_string(hint.contactFaceB) + " lie on each other, " +
           Count(hint.contactFacePairs, "face pair", "face pairs") + " in all) where no single face pair joins: " +
           std::string(contactPointer);
  }
  if (hint.candidates.empty()) return std::nullopt;
  const JunctionCandidate& best = hint.candidates.front();
  const std::string faces = "faces " + std::to_string(best.faceA) + " and " + std::to_string(best.faceB) + " (" +
                            std::to_string(best.corners) + " corners)";
  if (hint.kind == HintKind::Apart) {
    return "the objects do not touch face to face: no face of one lies on a face of the other at the accuracy " +
           FormatLength(report.accuracy) + "; the nearest, " + faces + ", are at most " + FormatLength(best.maxGap) +
           " apart, and welding them would move corners by more than a tenth of their shortest edge (" +
           FormatLength(best.shortestEdge) + ")";
  }
  std::string text = faces + " come nearest, at most " + FormatLength(best.maxGap) + " apart: try " +
                     std::string(accuracyOption) + FormatThousandths(hint.accuracyThousandths);
  if (hint.shortEdge) {
    text += " (an edge of theirs is " + FormatLength(*hint.shortEdge) + " long, shorter than the accuracy " +
            FormatLength(report.accuracy) + ", so a larger accuracy puts the wrong corner on corner 0)";
  }
  return text;
}

}  // namespace spl
