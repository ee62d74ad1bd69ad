#include "ReportLines.h"

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

std::optional<std::string> HintText(const JunctionReport& report, std::string_view accuracyOption) {
  if (!report.hint || report.hint->candidates.empty()) return std::nullopt;
  const JunctionHint& hint = *report.hint;
  const JunctionCandidate& best = hint.candidates.front();
  std::string text = "faces " + std::to_string(best.faceA) + " and " + std::to_string(best.faceB) + " (" +
                     std::to_string(best.corners) + " corners) come nearest, at most " + FormatLength(best.maxGap) +
                     " apart: try " + std::string(accuracyOption) + " " +
                     FormatThousandths(hint.accuracyThousandths);
  if (hint.shortEdge) {
    text += " (an edge of theirs is " + FormatLength(*hint.shortEdge) + " long, shorter than the accuracy " +
            FormatLength(report.accuracy) + ", so a larger accuracy puts the wrong corner on corner 0)";
  }
  return text;
}

}  // namespace spl
