#include "engine/face/MaterialTransfer.h"

#include <gtest/gtest.h>

#include "engine/common/Errors.h"
#include "host/scene/HostTesting.h"
#include "tests/join/JoinFixture.h"

namespace spl::testing {
namespace {

// `faces` triangles over one triangle's vertices; face f has material f,
// named "<prefix>f".
//
//   2
//   | \      every face: 0 1 2
//   0--1
tsxhost::Mesh Fan(const std::string& prefix, int faces) {
  tsxhost::Mesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.materials.clear();
  for (int f = 0; f < faces; ++f) {
    tsxhost::Material material;
    material.name = prefix + std::to_string(f);
    material.diffuse = {0.1f * static_cast<float>(f), 0.2f, 0.3f};
    mesh.materials.push_back(material);
    mesh.faces.push_back({{{0, -1}, {1, -1}, {2, -1}}, {}, f});
  }
  return mesh;
}

class MaterialTransferTest : public JoinTest {
 protected:
  // First faces 0..3 with JunctionFaceA 1; second faces 0..2 with
  // JunctionFaceB 0: the result has 5 faces.
  void SetUp() override {
    JoinTest::SetUp();
    first = tsxhost::AddPolyhedron("First", Fan("a", 4));
    second = tsxhost::AddPolyhedron("Second", Fan("b", 3));
    result = tsxhost::AddPolyhedron("Result", Fan("r", 5));
    JoinState.JunctionFaceA = 1;
    JoinState.JunctionFaceB = 0;
  }
  std::vector<std::string> ResultMaterials() {
    tsxhost::Mesh mesh;
    EXPECT_TRUE(tsxhost::ReadMesh(result, &mesh));
    std::vector<std::string> names;
    for (const auto& face : mesh.faces) names.push_back(mesh.materials[face.material].name);
    return names;
  }

  tsxSOBJ first = 0;
  tsxSOBJ second = 0;
  tsxSOBJ result = 0;
};

TEST_F(MaterialTransferTest, EachResultFaceTakesItsSourceFacesMaterial) {
  TransferMaterials(progress, result, first, second);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(ResultMaterials(), (std::vector<std::string>{"a0", "a2", "a3", "b1", "b2"}));
}

TEST_F(MaterialTransferTest, JunctionFaceAsLastFaceStillStartsSecondRunAtNaMinusOne) {
  JoinState.JunctionFaceA = 3;
  JoinState.JunctionFaceB = 2;
  TransferMaterials(progress, result, first, second);
  EXPECT_EQ(ResultMaterials(), (std::vector<std::string>{"a0", "a1", "a2", "b0", "b1"}));
}

TEST_F(MaterialTransferTest, ReportsEverySourceFaceWithIntervalTwenty) {
  JoinState.StepsToGo = 100;
  TransferMaterials(progress, result, first, second);
  // Two announcements and one call per source face, junction faces too.
  ASSERT_EQ(view.pumps.size(), 2u + 4u + 3u);
  EXPECT_EQ(view.pumps.front(), "Copying materials(1)...");
  EXPECT_EQ(view.pumps[5], "Copying materials(2)...");
  EXPECT_EQ(JoinState.StepsToGo, 100);  // fewer than 20 calls per run
}

TEST_F(MaterialTransferTest, UnavailableMaterialGivesTheActiveOneToThatFaceOnly) {
  tsxhost::Material active;
  active.name = "active";
  active.diffuse = {1, 0, 0};
  tsxhost::SetActiveMaterial(active);
  tsxhost::testing::MakeMaterialUnavailable(first, 2);
  const int before = tsxhost::LiveMaterialCount();
  TransferMaterials(progress, result, first, second);
  EXPECT_EQ(ResultMaterials(), (std::vector<std::string>{"a0", "active", "a3", "b1", "b2"}));
  // The handle the copy replaced is destroyed too.
  EXPECT_EQ(tsxhost::LiveMaterialCount(), before);
}

TEST_F(MaterialTransferTest, WorkingMaterialIsDestroyedOnlyFromVersion410) {
  for (int16_t version : {409, 410}) {
    SCOPED_TRACE(version);
    JoinState.HostVersion = version;
    const int before = tsxhost::LiveMaterialCount();
    TransferMaterials(progress, result, first, second);
    EXPECT_EQ(JoinState.LastError, 0);
    EXPECT_EQ(tsxhost::LiveMaterialCount(), before + (version < 410 ? 1 : 0));
    EXPECT_EQ(ResultMaterials().size(), 5u);
  }
}

// Faces over one triangle with the given materials, of `count` materials
// named "<prefix>m".
tsxhost::Mesh WithMaterials(const std::string& prefix, const std::vector<int>& faceMaterials, int count) {
  tsxhost::Mesh mesh = Fan(prefix, count);
  mesh.faces.clear();
  for (const int m : faceMaterials) mesh.faces.push_back({{{0, -1}, {1, -1}, {2, -1}}, {}, m});
  return mesh;
}

// A run of faces with one material is read from the host once; a run that
// goes on from the first object into the second with the same index still
// takes the second's material, and an unavailable one ends its run.
TEST_F(MaterialTransferTest, RunsOfOneMaterialAreReadOnce) {
  tsxhost::Material active;
  active.name = "active";
  tsxhost::SetActiveMaterial(active);
  first = tsxhost::AddPolyhedron("RunsA", WithMaterials("a", {0, 0, 0, 1, 1, 2, 2, 1, 1}, 3));
  second = tsxhost::AddPolyhedron("RunsB", WithMaterials("b", {1, 1, 0, 0, 0}, 2));
  result = tsxhost::AddPolyhedron("RunsResult", WithMaterials("r", std::vector<int>(12, 0), 1));
  tsxhost::testing::MakeMaterialUnavailable(first, 2);
  JoinState.JunctionFaceA = 4;
  JoinState.JunctionFaceB = 3;
  tsxhost::testing::ResetCallCounts();
  TransferMaterials(progress, result, first, second);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(ResultMaterials(), (std::vector<std::string>{"a0", "a0", "a0", "a1", "active", "active", "a1", "a1",
                                                         "b1", "b1", "b0", "b0"}));
  // Runs a0, a1, a2 (two faces, unavailable: read each time), a1, b1, b0.
  EXPECT_EQ(tsxhost::testing::CallCount("tsxPolyhGetMaterial"), 7);
}

TEST_F(MaterialTransferTest, AbortDeletesTheResultAndShowsMessageOnce) {
  // Pump 1 is the first announcement; the abort is seen by call 2, 6 or 9.
  for (std::size_t k : {0u, 1u, 5u, 8u}) {
    SCOPED_TRACE(k);
    result = tsxhost::AddPolyhedron("Result" + std::to_string(k), Fan("r", 5));
    view.messages.clear();
    view.pumps.clear();
    JoinState.LastError = 0;
    JoinState.AbortRequested = k == 0;
    view.onPump = [k](std::size_t pump) {
      if (pump == k) JoinState.AbortRequested = true;
    };
    const int before = tsxhost::LiveMaterialCount();
    TransferMaterials(progress, result, first, second);
    view.onPump = nullptr;
    JoinState.AbortRequested = false;
    EXPECT_EQ(JoinState.LastError, kAborted);
    EXPECT_EQ(CountMessages("SPL : 11 - SPLICER-BOT operation aborted by user."), 1);
    EXPECT_FALSE(tsxhost::IsAlive(result));
    EXPECT_EQ(tsxhost::LiveMaterialCount(), before);
  }
}

}  // namespace
}  // namespace spl::testing
