// The join conformance cases of tests/data/conformance: for each scene, pick
// the case's two objects, press the join button, and compare everything a
// join leaves (messages, junction, progress, labels, the result's dump and
// its SHA-256) with the case's expected outcome.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinState.h"
#include "engine/face/JunctionSearch.h"
#include "engine/face/RunJoin.h"
#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"
#include "tests/support/RecordingView.h"

#ifndef SPLICER_CONFORMANCE_DIR
#error "SPLICER_CONFORMANCE_DIR must name the folder of the conformance cases"
#endif

namespace spl::testing {
namespace {

using nlohmann::json;

const std::string kDir = SPLICER_CONFORMANCE_DIR;

json ReadJson(const std::string& path) {
  std::ifstream in(path);
  return json::parse(in);
}

std::string FloatBits(float f) {
  if (f == 0.0f) f = 0.0f;  // -0.0 is written as +0.0
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  char text[9];
  std::snprintf(text, sizeof text, "%08x", bits);
  return text;
}

// The result dump of the conformance README.
std::string Dump(const tsxhost::Mesh& mesh) {
  std::ostringstream out;
  out << "JOIN-ORACLE-DUMP 1\nvertices " << mesh.vertices.size() << "\n";
  for (const CtsxVector3f& v : mesh.vertices) {
    out << "v " << FloatBits(v.x) << " " << FloatBits(v.y) << " " << FloatBits(v.z) << "\n";
  }
  out << "uvs " << mesh.uvs.size() << "\n";
  for (const CtsxUV& t : mesh.uvs) out << "vt " << FloatBits(t.u) << " " << FloatBits(t.v) << "\n";
  out << "faces " << mesh.faces.size() << "\n";
  for (const tsxhost::Face& face : mesh.faces) {
    out << "f " << face.corners.size();
    for (const tsxhost::Corner& c : face.corners) out << " " << c.vertex << "/" << c.uv;
    out << " mat " << mesh.materials.at(static_cast<std::size_t>(face.material)).name << "\n";
  }
  return out.str();
}

std::string Sha256(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
  std::string hex;
  char byte[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(byte, sizeof byte, "%02x", digest[i]);
    hex += byte;
  }
  return hex;
}

const char* BoxName(BoxType box) {
  switch (box) {
    case BoxType::Warning: return "warning";
    case BoxType::Error: return "error";
    case BoxType::Information: return "information";
  }
  return "?";
}

// Records what the case's expected outcome holds, at the moments it is
// defined: messages with the code ReportError stored just before showing,
// the estimate when UpdateObjectInfo is done, the rest when RunJoin returns.
class CaseRecorder : public RecordingView, public JoinStageObserver {
 public:
  void ShowMessage(BoxType box, std::string_view title, std::string_view text) override {
    RecordingView::ShowMessage(box, title, text);
    shown.push_back({{"code", JoinState.LastError}, {"message", text}, {"box", BoxName(box)}});
  }
  void StageStarted(JoinStage stage) override {
    if (stage == JoinStage::Whole) ran = true;
  }
  void StageFinished(JoinStage stage) override {
    if (stage == JoinStage::Count) estimate = JoinState.StepsToGo;
    if (stage != JoinStage::Whole) return;
    errorAtReturn = JoinState.LastError;
    stepsAtReturn = JoinState.StepsToGo;
    labels = {{"Label4", stepsText}, {"Label2", statusText}};
  }

  json shown = json::array();
  bool ran = false;
  json estimate = nullptr;
  int32_t errorAtReturn = 0;
  int32_t stepsAtReturn = 0;
  json labels;
};

json Counts(tsxSOBJ obj) {
  return {{"vertices", tsxPolyhGetNbrVxs(obj)},
          {"uvs", tsxPolyhGetNbrUV(obj)},
          {"faces", tsxPolyhGetNbrFaces(obj)}};
}

json Axes(tsxSOBJ obj) {
  CtsxVector3f p{};
  tsxGNodeGetAxesPosition(obj, &p);
  return {p.x, p.y, p.z};
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  const json cases = ReadJson(kDir + "/cases.json");
  for (const json& c : cases.at("cases")) names.push_back(c.at("name"));
  return names;
}

json CaseByName(const std::string& name) {
  const json cases = ReadJson(kDir + "/cases.json");
  for (const json& c : cases.at("cases")) {
    if (c.at("name") == name) return c;
  }
  return nullptr;
}

class ConformanceTest : public ::testing::TestWithParam<std::string> {
 protected:
  void TearDown() override { tsxhost::ResetScene(); }
};

TEST_P(ConformanceTest, GivesExactlyTheExpectedOutcome) {
  const json spec = CaseByName(GetParam());
  const json expected = ReadJson(kDir + "/expected/" + GetParam() + ".json");

  tsxhost::ResetScene();
  ResetJoinState();
  const tsxhost::ObjResult loaded = tsxhost::LoadObj(kDir + "/" + spec.at("scene").get<std::string>());
  ASSERT_TRUE(loaded.ok) << loaded.error;
  const tsxSOBJ a = tsxhost::FindObject(spec.at("object_a"));
  const tsxSOBJ b = tsxhost::FindObject(spec.at("object_b"));
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);

  CaseRecorder recorder;
  recorder.showInfo = true;
  JoinProgress progress{&recorder, {}};
  InitJoinStateForWindow();
  JoinState.Accuracy = spec.at("accuracy");
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();

  tsxhost::SetSelection(a);
  PickObject(&recorder, Slot::First);
  tsxhost::SetSelection(b);
  PickObject(&recorder, Slot::Second);
  JoinMade made;
  JoinPickedObjects(progress, {}, {&recorder, nullptr}, &made);

  EXPECT_EQ(recorder.ran, expected.at("join_ran"));
  // Without a join, LastError is what the button's own checks left.
  const int32_t error = recorder.ran ? recorder.errorAtReturn : JoinState.LastError;
  EXPECT_EQ(error, expected.at("error"));
  EXPECT_EQ(LookUpError(error).message, expected.at("error_message").get<std::string>());
  EXPECT_EQ(recorder.shown, expected.at("messages"));

  for (const char* field : {"JunctionFaceA", "JunctionFaceB", "JunctionCornerA", "JunctionCornerB"}) {
    const int32_t value = std::string(field) == "JunctionFaceA"   ? JoinState.JunctionFaceA
                          : std::string(field) == "JunctionFaceB" ? JoinState.JunctionFaceB
                          : std::string(field) == "JunctionCornerA" ? JoinState.JunctionCornerA
                                                                    : JoinState.JunctionCornerB;
    EXPECT_EQ(recorder.ran ? value : -1, expected.at(field)) << field;
  }
  if (!expected.at("order_position_a").is_null()) {
    const JunctionSearchInfo info = made.search;
    EXPECT_EQ(info.orderPositionA, expected.at("order_position_a"));
    EXPECT_EQ(info.orderPositionB, expected.at("order_position_b"));
  }

  EXPECT_EQ(recorder.estimate, expected.at("steps_estimate"));
  const bool overflow = std::any_of(recorder.shown.begin(), recorder.shown.end(),
                                    [](const json& m) { return m.at("code") == kStepsOverflow; });
  EXPECT_EQ(overflow, expected.at("estimate_overflow"));
  EXPECT_EQ(recorder.ran ? recorder.stepsAtReturn : 0, expected.at("steps_to_go"));
  EXPECT_EQ(recorder.pumps.size(), expected.at("progress_calls").get<std::size_t>());
  std::vector<std::string> stages;
  for (const std::string& text : recorder.statusHistory) {
    if (!text.empty() && (stages.empty() || stages.back() != text)) stages.push_back(text);
  }
  EXPECT_EQ(json(stages), expected.at("stage_texts"));
  const json labels = recorder.ran ? recorder.labels : json{{"Label4", "0"}, {"Label2", ""}};
  EXPECT_EQ(labels, expected.at("labels_with_show_info"));

  EXPECT_EQ(Counts(a), expected.at("input_counts").at("a"));
  EXPECT_EQ(Counts(b), expected.at("input_counts").at("b"));
  if (!expected.at("axes_a").is_null()) {
    EXPECT_EQ(Axes(a), expected.at("axes_a"));
    EXPECT_EQ(Axes(b), expected.at("axes_b"));
  }

  std::vector<tsxSOBJ> added;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) {
    if (std::find(before.begin(), before.end(), obj) == before.end()) added.push_back(obj);
  }
  if (expected.at("result").is_null()) {
    EXPECT_TRUE(added.empty());
    return;
  }
  ASSERT_EQ(added.size(), 1u);
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(added[0], &mesh));
  const json& result = expected.at("result");
  EXPECT_EQ(mesh.vertices.size(), result.at("vertices").get<std::size_t>());
  EXPECT_EQ(mesh.uvs.size(), result.at("uvs").get<std::size_t>());
  EXPECT_EQ(mesh.faces.size(), result.at("faces").get<std::size_t>());
  EXPECT_EQ(Sha256(Dump(mesh)), result.at("sha256_bits").get<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Cases, ConformanceTest, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

}  // namespace
}  // namespace spl::testing
