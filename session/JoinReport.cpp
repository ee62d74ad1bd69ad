#include "session/JoinReport.h"

#include <cstdio>
#include <iterator>

#include "session/ReportLines.h"

namespace splicer {

nlohmann::json SeamFields(int64_t droppedFirst, int64_t droppedSecond, int64_t welded, const spl::SeamLeft& left) {
  return {{"dropped_faces", {droppedFirst, droppedSecond}},
          {"welded_vertices", welded},
          {"touching_face_pairs_left", left.touchingFacePairs},
          {"coinciding_vertex_pairs_left", left.coincidingVertexPairs}};
}

nlohmann::json ReportFields(const spl::JunctionReport& report) {
  nlohmann::json fields = {{"junction", nullptr}, {"seam", nullptr}, {"hint", nullptr}, {"seal", nullptr}};
  if (report.junction) {
    const spl::JunctionFacts& j = *report.junction;
    fields["junction"] = {{"face_a", j.faceA},     {"face_b", j.faceB},   {"corner_a", j.cornerA},
                          {"corner_b", j.cornerB}, {"corners", j.corners}, {"max_gap", j.maxGap}};
  }
  if (report.Joined()) {
    // One face pair: a face of each side dropped, the corners of B's welded.
    const spl::JoinedSeam* seam = report.seamJoin ? &*report.seamJoin : nullptr;
    const int64_t corners = report.junction ? report.junction->corners : 0;
    fields["seam"] = SeamFields(seam ? std::ssize(seam->droppedFacesA) : 1, seam ? std::ssize(seam->droppedFacesB) : 1,
                                seam ? std::ssize(seam->weldedVerticesB) : corners, report.left);
  }
  if (report.seal) {
    const spl::SealFacts& seal = *report.seal;
    nlohmann::json at = nullptr;
    if (seal.firstAt) at = {seal.firstAt->x, seal.firstAt->y, seal.firstAt->z};
    fields["seal"] = {{"sealed", seal.Sealed()},
                      {"open_edges", seal.openEdges},
                      {"overused_edges", seal.overusedEdges},
                      {"shared_positions", seal.sharedPositions},
                      {"first_at", at},
                      {"sources_sealed", seal.Sealed() ? nlohmann::json() : nlohmann::json(report.sourcesSealed)}};
  }
  if (report.hint) {
    const spl::JunctionHint& h = *report.hint;
    nlohmann::json candidates = nlohmann::json::array();
    for (const spl::JunctionCandidate& c : h.candidates) {
      candidates.push_back({{"face_a", c.faceA},
                            {"face_b", c.faceB},
                            {"corners", c.corners},
                            {"max_gap", c.maxGap},
                            {"accuracy", c.accuracy ? nlohmann::json(*c.accuracy / 1000.0) : nlohmann::json()}});
    }
    const bool accuracy = h.kind == spl::HintKind::Accuracy, contact = h.kind == spl::HintKind::Contact;
    const spl::JunctionCandidate* best = h.candidates.empty() ? nullptr : &h.candidates.front();
    fields["hint"] = {
        {"kind", accuracy ? "accuracy" : contact ? "contact" : "apart"},
        {"accuracy", accuracy ? nlohmann::json(h.Accuracy()) : nlohmann::json()},
        {"face_a", contact ? h.contactFaceA : best ? best->faceA : -1},
        {"face_b", contact ? h.contactFaceB : best ? best->faceB : -1},
        {"max_gap", best ? nlohmann::json(best->maxGap) : nlohmann::json()},
        {"shortest_edge", h.shortEdge ? nlohmann::json(*h.shortEdge) : nlohmann::json()},
        {"contact_face_pairs", h.contactFacePairs},
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
  for (const std::string& warning : spl::WarningLines(report, "join without --face to join the whole seam")) {
    std::fprintf(stderr, "warning: %s\n", warning.c_str());
  }
  if (const auto hint = spl::HintText(report, "--accuracy ", "join without --face to join the whole contact")) {
    std::fprintf(stderr, "hint: %s\n", hint->c_str());
  }
}

}  // namespace splicer
