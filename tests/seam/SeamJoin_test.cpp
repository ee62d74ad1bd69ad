#include "engine/seam/SeamJoin.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "host/obj/ObjFile.h"
#include "host/scene/HostTesting.h"
#include "tests/join/JoinFixture.h"
#include "tests/seam/SeamChecks.h"
#include "tests/seam/SeamScenes.h"

namespace spl::testing {
namespace {

class SeamJoinTest : public JoinTest {
 protected:
  // Picks both and presses the seam join; the new object, or 0.
  tsxSOBJ SeamJoin(tsxSOBJ first, tsxSOBJ second) {
    const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
    tsxhost::SetSelection(first);
    PickObject(&view, Slot::First);
    tsxhost::SetSelection(second);
    PickObject(&view, Slot::Second);
    made = {};
    SeamJoinPickedObjects(progress, {}, {}, &made);
    const std::vector<tsxSOBJ> added = NewSceneObjects(before);
    EXPECT_LE(added.size(), 1u);
    return added.empty() ? 0 : added[0];
  }
  SeamJoinMade made;  // of the last SeamJoin
  tsxhost::Mesh Read(tsxSOBJ obj) {
    tsxhost::Mesh mesh;
    EXPECT_TRUE(tsxhost::ReadMesh(obj, &mesh));
    return mesh;
  }
};

std::string MaterialOf(const tsxhost::Mesh& mesh, const tsxhost::Face& face) {
  return mesh.materials.at(static_cast<std::size_t>(face.material)).name;
}

// The materials the result's faces must have: the first object's faces
// less its dropped ones, then the second's.
std::vector<std::string> ExpectedMaterials(const tsxhost::Mesh& a, const tsxhost::Mesh& b, const JoinedSeam& seam) {
  std::vector<std::string> names;
  for (const auto& [mesh, dropped] : {std::pair{&a, &seam.droppedFacesA}, std::pair{&b, &seam.droppedFacesB}}) {
    for (std::size_t f = 0; f < mesh->faces.size(); ++f) {
      if (std::find(dropped->begin(), dropped->end(), static_cast<int32_t>(f)) == dropped->end()) {
        names.push_back(MaterialOf(*mesh, mesh->faces[f]));
      }
    }
  }
  return names;
}

std::vector<std::string> Materials(const tsxhost::Mesh& mesh) {
  std::vector<std::string> names;
  for (const tsxhost::Face& face : mesh.faces) names.push_back(MaterialOf(mesh, face));
  return names;
}

struct CapPair {
  const char* name;
  Cap first;   // A's cap at x = 1
  Cap second;  // B's cap at x = 1
};

class SeamCapsTest : public SeamJoinTest, public ::testing::WithParamInterface<CapPair> {};

// Two prisms over one octagon touching at x = 1, the touching caps split in
// every way: the whole cap drops on both sides and the ring welds, giving
// one closed prism of 8 + 8 + 8 vertices and 8 + 8 sides and 2 end caps.
TEST_P(SeamCapsTest, DropsBothCapsAndWeldsTheRingIntoOneSealedObject) {
  const CapPair caps = GetParam();
  const tsxhost::Mesh meshA = OctagonPrism(0, 1, Cap::Ngon, caps.first, "a");
  const tsxhost::Mesh meshB = OctagonPrism(1, 2, caps.second, Cap::Ngon, "b");
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", meshA);
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", meshB);
  const long outstanding = tsxhost::testing::OutstandingAllocations();

  const tsxSOBJ result = SeamJoin(a, b);
  ASSERT_NE(result, 0u) << (view.messages.empty() ? "" : view.messages[0].text);
  EXPECT_TRUE(view.messages.empty());
  const JoinedSeam& seam = made.seam;
  EXPECT_EQ(seam.droppedFacesA.size(), CapFaces(caps.first).size());
  EXPECT_EQ(seam.droppedFacesB.size(), CapFaces(caps.second).size());
  EXPECT_EQ(seam.weldedVerticesB, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(seam.weldedOntoA, (std::vector<int32_t>{8, 9, 10, 11, 12, 13, 14, 15}));

  const tsxhost::Mesh mesh = Read(result);
  EXPECT_EQ(mesh.vertices.size(), 24u);
  EXPECT_EQ(mesh.faces.size(), 18u);
  EXPECT_EQ(EdgeProblems(mesh), "");
  EXPECT_EQ(OverlapProblems(mesh), "");
  EXPECT_EQ(ConnectedParts(mesh), 1);
  EXPECT_TRUE(tsxhost::IsClosed(result));
  EXPECT_EQ(Materials(mesh), ExpectedMaterials(meshA, meshB, seam));
  EXPECT_TRUE(SameMesh(Read(a), meshA));
  EXPECT_TRUE(SameMesh(Read(b), meshB));
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding);
}

INSTANTIATE_TEST_SUITE_P(
    Caps, SeamCapsTest,
    ::testing::Values(CapPair{"ngon_alike", Cap::Ngon, Cap::Ngon}, CapPair{"fans_alike", Cap::FanFrom0, Cap::FanFrom0},
                      CapPair{"fans_differently", Cap::FanFrom0, Cap::FanFrom3},
                      CapPair{"fan_against_strip", Cap::FanFrom3, Cap::Strip},
                      CapPair{"ngon_against_fan", Cap::Ngon, Cap::FanFrom3},
                      CapPair{"fan_against_ngon", Cap::FanFrom0, Cap::Ngon},
                      CapPair{"quads_alike", Cap::Quads, Cap::Quads},
                      CapPair{"quads_differently", Cap::Quads, Cap::OtherQuads},
                      CapPair{"quads_against_strip", Cap::OtherQuads, Cap::Strip}),
    [](const ::testing::TestParamInfo<CapPair>& param) { return param.param.name; });

// Beside the seam, each object holds a box; the two boxes touch only along
// an edge, their vertices there 0.0057 apart (within 0.01). A merge by
// distance would weld them; the seam join must not.
TEST_F(SeamJoinTest, LeavesSurfacesPassingWithinTheAccuracyElsewhereApart) {
  tsxhost::Mesh meshA = OctagonPrism(0, 1, Cap::Ngon, Cap::Strip, "a");
  tsxhost::Mesh meshB = OctagonPrism(1, 2, Cap::FanFrom0, Cap::Ngon, "b");
  AppendBox(meshA, {5, 0, 0}, {6, 1, 1});
  AppendBox(meshB, {6.004f, 1.004f, 0}, {7, 2, 1});
  const tsxSOBJ result = SeamJoin(tsxhost::AddPolyhedron("A", meshA), tsxhost::AddPolyhedron("B", meshB));
  ASSERT_NE(result, 0u);
  EXPECT_EQ(made.seam.weldedVerticesB.size(), 8u);
  const tsxhost::Mesh mesh = Read(result);
  EXPECT_EQ(mesh.vertices.size(), 24u + 8 + 8);
  EXPECT_EQ(mesh.faces.size(), 18u + 6 + 6);
  EXPECT_EQ(EdgeProblems(mesh), "");
  EXPECT_EQ(OverlapProblems(mesh), "");
  EXPECT_EQ(ConnectedParts(mesh), 3);
}

// A's cap is three quads; B stands on the first quad and a triangle that
// reaches into the second quad to a point that is no vertex of A. The
// quad pair drops and welds; the second quad, only partly covered, stays,
// and so does B's triangle over it.
TEST_F(SeamJoinTest, KeepsAPartlyCoveredFaceAndJoinsTheCoveredOne) {
  const tsxhost::Mesh meshA = OctagonPrism(0, 1, Cap::Ngon, Cap::Quads, "a");
  std::vector<std::pair<float, float>> outline;
  for (int k : {0, 1, 2, 3}) outline.push_back(OctagonCorner(k));
  outline.push_back({1.5f, 2.0f});  // inside A's quad (0 3 4 7)
  const tsxhost::Mesh meshB = PrismOver(1, 2, outline, {{0, 1, 2, 3}, {0, 3, 4}}, {{0, 1, 2, 3, 4}}, "b");
  const tsxSOBJ result = SeamJoin(tsxhost::AddPolyhedron("A", meshA), tsxhost::AddPolyhedron("B", meshB));
  ASSERT_NE(result, 0u);
  const JoinedSeam& seam = made.seam;
  EXPECT_EQ(seam.droppedFacesA, (std::vector<int32_t>{9}));  // (0 1 2 3) at x = 1
  EXPECT_EQ(seam.droppedFacesB, (std::vector<int32_t>{5}));
  EXPECT_EQ(seam.weldedVerticesB, (std::vector<int32_t>{0, 1, 2, 3}));
  const tsxhost::Mesh mesh = Read(result);
  EXPECT_EQ(mesh.vertices.size(), 16u + 10 - 4);
  EXPECT_EQ(mesh.faces.size(), 12u + 8 - 2);
}

// A triangle of B that lies inside a quad of A, the quad only partly
// covered: nothing lies on anything, so there is nothing to join.
TEST_F(SeamJoinTest, FindsNoSeamWhereAFaceLiesInsideALargerPartlyCoveredOne) {
  const tsxhost::Mesh meshA = OctagonPrism(0, 1, Cap::Ngon, Cap::Quads, "a");
  std::vector<std::pair<float, float>> outline;
  for (int k : {0, 1, 2}) outline.push_back(OctagonCorner(k));
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", meshA);
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", PrismOver(1, 2, outline, {{0, 1, 2}}, {{0, 1, 2}}, "b"));
  EXPECT_EQ(SeamJoin(a, b), 0u);
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"SPL : 06 - Faces (Junction) not found."});
  EXPECT_TRUE(made.seam.droppedFacesA.empty());
}

// The accuracy, in thousandths as the plain join measures: B's cap 0.0104
// from A's still lies on it at 0.01, 0.0106 away it does not.
TEST_F(SeamJoinTest, MeasuresTheGapInThousandths) {
  for (const auto& [gap, joins] : {std::pair{0.0104f, true}, std::pair{0.0106f, false}}) {
    tsxhost::ResetScene();
    view.messages.clear();
    const tsxSOBJ a = tsxhost::AddPolyhedron("A", OctagonPrism(0, 1, Cap::Ngon, Cap::FanFrom0, "a"));
    const tsxSOBJ b = tsxhost::AddPolyhedron("B", OctagonPrism(1 + gap, 2, Cap::Strip, Cap::Ngon, "b"));
    const tsxSOBJ result = SeamJoin(a, b);
    EXPECT_EQ(result != 0, joins) << gap;
    if (result != 0) {
      EXPECT_EQ(EdgeProblems(Read(result)), "");
    }
  }
}

// B stored in its own space, scaled by 2 along its x, turned a quarter turn
// about x and moved by 5: in world space it stands where the other tests
// place it. The seam is found in world space and the result, in A's space,
// is sealed; on boxes it is again the plain join's result.
TEST_F(SeamJoinTest, JoinsInWorldSpaceThroughTheObjectsTransforms) {
  const CtsxTxmx3f transform{{2, 0, 0, 5, 0, 0, -1, 0, 0, 1, 0, 0}};
  const auto toLocal = [](tsxhost::Mesh mesh) {
    for (CtsxVector3f& v : mesh.vertices) v = {(v.x - 5) / 2, v.z, -v.y};
    return mesh;
  };
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", OctagonPrism(0, 1, Cap::Ngon, Cap::FanFrom3, "a"));
  const tsxSOBJ b =
      tsxhost::AddPolyhedron("B", toLocal(OctagonPrism(1, 2, Cap::Quads, Cap::Ngon, "b")), transform);
  const tsxSOBJ result = SeamJoin(a, b);
  ASSERT_NE(result, 0u);
  const tsxhost::Mesh mesh = Read(result);
  EXPECT_EQ(mesh.vertices.size(), 24u);
  EXPECT_EQ(mesh.faces.size(), 18u);
  EXPECT_EQ(EdgeProblems(mesh), "");
  EXPECT_EQ(ConnectedParts(mesh), 1);

  tsxhost::ResetScene();
  const tsxSOBJ left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {1, 1, 1}, "l", true));
  const tsxSOBJ right = tsxhost::AddPolyhedron("Right", toLocal(MakeBox({1, 0, 0}, {2, 1, 1}, "r", true)), transform);
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  Join(left, right);
  const std::vector<tsxSOBJ> plain = NewSceneObjects(before);
  ASSERT_EQ(plain.size(), 1u);
  const tsxSOBJ seam = SeamJoin(left, right);
  ASSERT_NE(seam, 0u);
  EXPECT_TRUE(SameMesh(Read(seam), Read(plain[0])));
}

// An accuracy below zero thousandths lets nothing coincide (message 06); one
// too large for whole thousandths gets the toolkit's conversion report. In
// both cases nothing is added.
TEST_F(SeamJoinTest, RefusesAccuraciesThatMatchNothingOrDoNotConvert) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", OctagonPrism(0, 1, Cap::Ngon, Cap::FanFrom0, "a"));
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", OctagonPrism(1, 2, Cap::Strip, Cap::Ngon, "b"));
  JoinState.Accuracy = -0.0005;
  EXPECT_EQ(SeamJoin(a, b), 0u);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"SPL : 06 - Faces (Junction) not found."});
  view.messages.clear();
  JoinState.Accuracy = 3e6;
  EXPECT_EQ(SeamJoin(a, b), 0u);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.conversionErrors.size(), 1u);
  EXPECT_EQ(tsxhost::LiveObjects().size(), 2u);
}

// With one touching face pair the seam join is the plain join.
TEST_F(SeamJoinTest, EqualsThePlainJoinOnTwoBoxes) {
  const tsxSOBJ left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {1, 1, 1}, "l", true));
  const tsxSOBJ right = tsxhost::AddPolyhedron("Right", MakeBox({1, 0, 0}, {2, 1, 1}, "r", true));
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  Join(left, right);
  const std::vector<tsxSOBJ> plain = NewSceneObjects(before);
  ASSERT_EQ(plain.size(), 1u);
  const tsxSOBJ seam = SeamJoin(left, right);
  ASSERT_NE(seam, 0u);
  EXPECT_TRUE(SameMesh(Read(seam), Read(plain[0])));
  EXPECT_EQ(made.seam.droppedFacesA, std::vector<int32_t>{1});  // +x and -x
  EXPECT_EQ(made.seam.droppedFacesB, std::vector<int32_t>{0});
}

nlohmann::json ConformanceCases() {
  std::ifstream in(std::string(SPLICER_CONFORMANCE_DIR) + "/cases.json");
  return nlohmann::json::parse(in).at("cases");
}

// On every conformance scene where the seam join drops exactly one face of
// each object, its result is the plain join's, bit for bit.
TEST_F(SeamJoinTest, EqualsThePlainJoinOnConformanceScenesWithOneTouchingPair) {
  int compared = 0;
  for (const nlohmann::json& c : ConformanceCases()) {
    tsxhost::ResetScene();
    const tsxhost::ObjResult loaded =
        tsxhost::LoadObj(std::string(SPLICER_CONFORMANCE_DIR) + "/" + c.at("scene").get<std::string>());
    ASSERT_TRUE(loaded.ok) << loaded.error;
    const tsxSOBJ a = tsxhost::FindObject(c.at("object_a"));
    const tsxSOBJ b = tsxhost::FindObject(c.at("object_b"));
    if (a == 0 || b == 0) continue;
    view.messages.clear();
    JoinState.Accuracy = c.at("accuracy");
    const tsxSOBJ seam = SeamJoin(a, b);
    const JoinedSeam joined = made.seam;
    if (seam == 0 || joined.droppedFacesA.size() != 1 || joined.droppedFacesB.size() != 1) continue;
    const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
    JoinState.Accuracy = c.at("accuracy");
    Join(a, b);
    const std::vector<tsxSOBJ> plain = NewSceneObjects(before);
    ASSERT_EQ(plain.size(), 1u) << c.at("name");
    EXPECT_TRUE(SameMesh(Read(seam), Read(plain[0]))) << c.at("name");
    ++compared;
  }
  RecordProperty("compared", compared);
  EXPECT_GE(compared, 10);
}

}  // namespace
}  // namespace spl::testing
