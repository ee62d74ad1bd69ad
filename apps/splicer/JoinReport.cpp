#include "JoinReport.h"

#include <cstdio>

#include "ReportLines.h"

namespace splicer {

nlohmann::json ReportFields(const spl::JunctionReport& report) {
  nlohmann::json fields = {{"junction", nullptr}, {"seam", nullptr}, {"hint", nullptr}};
  if (report.junction) {
    const spl::JunctionFacts& j = *report.junction;
    fields["junction"] = {{"face_a", j.faceA}, {"face_b", j.faceB}, {"corners", j.corners}, {"max_gap", j.maxGap}};
  }
  if (report.Joined()) {
    fields["seam"] = {{"touching_face_pairs_left", report.left.touchingFacePairs},
                      {"coinciding_vertex_pairs_left", report.left.coincidingVertexPairs}};
  }
  if (report.hint && !report.hint->candidates.empty()) {
    const spl::JunctionHint& h = *report.hint;
    const spl::JunctionCandidate& best = h.candidates.front();
    nlohmann::json candidates = nlohmann::json::array();
    for (const spl::JunctionCandidate& c : h.candidates) {
      candidates.push_back({{"face_a", c.faceA},
                            {"face_b", c.faceB},
                            {"corners", c.corners},
                            {"max_gap", c.maxGap},
                            {"accuracy", c.accuracy ? nlohmann::json(*c.accuracy / 1000.0) : nlohmann::json()}});
    }
    fields["hint"] = {{"accuracy", h.Accuracy()},
                      {"face_a", best.faceA},
                      {"face_b", best.faceB},
                      {"max_gap", best.maxGap},
                      {"shortest_edge", h.shortEdge ? nlohmann::json(*h.shortEdge) : nlohmann::json()},
                      {"candidates", candidates}};
  }
  return fields;
}

void PrintReportLines(const spl::JunctionReport& report, const std::string& first, const std::string& second,
                      tsxSOBJ result, const std::string& output) {
  if (report.Joined() && result != 0) {
    std::printf("%s: %d vertices, %d faces -> %s\n", spl::SummaryText(report, first, second).c_str(),
                tsxPolyhGetNbrVxs(result), tsxPolyhGetNbrFaces(result), output.c_str());
    std::fflush(stdout);
  }
  if (const auto warning = spl::WarningText(report, "join with --seam to join the whole seam")) {
    std::fprintf(stderr, "warning: %s\n", warning->c_str());
  }
  if (const auto hint = spl::HintText(report, "--accuracy")) std::fprintf(stderr, "hint: %s\n", hint->c_str());
}

}  // namespace splicer
