#include "engine/face/MeshMerge.h"

#include <gtest/gtest.h>

#include "engine/common/Errors.h"
#include "engine/common/Transforms.h"
#include "host/scene/HostTesting.h"
#include "tests/join/JoinFixture.h"

namespace spl::testing {
namespace {

// Two unit boxes touching at x = 1 (MakeBox numbering):
//
//   Left [0,1]^3          Right [1,2] x [0,1]^2
//   face 1 (+x) 1 3 7 5   face 0 (-x) 0 4 6 2
//
// Corner 0 of Left's face 1 (vertex 1) lies on corner 0 of Right's face 0,
// so JunctionCornerB is 0; Left 3, 7, 5 meet Right 2, 6, 4.
class MeshMergeTest : public JoinTest {
 protected:
  void SetUp() override {
    JoinTest::SetUp();
    left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {1, 1, 1}, "l", true));
    right = tsxhost::AddPolyhedron("Right", MakeBox({1, 0, 0}, {2, 1, 1}, "r", true));
    SetJunction(1, 0, 0);
  }
  static void SetJunction(int32_t faceA, int32_t faceB, int32_t cornerB) {
    JoinState.JunctionFaceA = faceA;
    JoinState.JunctionFaceB = faceB;
    JoinState.JunctionCornerA = 0;
    JoinState.JunctionCornerB = cornerB;
  }
  // The host's copy of `first` merged with `second`.
  tsxSOBJ MergeCopy(tsxSOBJ first, tsxSOBJ second) {
    tsxSOBJ result = 0;
    EXPECT_EQ(tsxGNodeCopy(first, &result), 0);
    MergeObjects(progress, result, second);
    return result;
  }
  tsxhost::Mesh Read(tsxSOBJ obj) {
    tsxhost::Mesh mesh;
    EXPECT_TRUE(tsxhost::ReadMesh(obj, &mesh));
    return mesh;
  }

  tsxSOBJ left = 0;
  tsxSOBJ right = 0;
};

TEST_F(MeshMergeTest, BoxesFaceToFaceWeldIntoOneClosedBox) {
  const tsxhost::Mesh leftBefore = Read(left);
  const tsxhost::Mesh rightBefore = Read(right);
  const tsxSOBJ result = MergeCopy(left, right);
  ASSERT_EQ(JoinState.LastError, 0);
  const tsxhost::Mesh mesh = Read(result);

  // Left's 8, then Right's 1, 3, 5, 7 (its 0, 2, 4, 6 are dropped).
  ASSERT_EQ(mesh.vertices.size(), 12u);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(SamePoint(mesh.vertices[i], leftBefore.vertices[i]));
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(SamePoint(mesh.vertices[8 + i], rightBefore.vertices[2 * i + 1]));
  }
  EXPECT_EQ(mesh.uvs.size(), 48u);
  ASSERT_EQ(mesh.faces.size(), 10u);

  // Left's faces 0, 2, 3, 4, 5 as they were, then Right's 1 to 5.
  const int leftFaces[] = {0, 2, 3, 4, 5};
  for (int p = 0; p < 5; ++p) {
    const auto& face = mesh.faces[p];
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(face.corners[c].vertex, kBoxFaces[leftFaces[p]][c]);
      EXPECT_EQ(face.corners[c].uv, leftFaces[p] * 4 + c);
    }
  }
  // Right's vertex v lands on Left's vertex v + 1 (x = 1) or on 8 + v / 2.
  for (int p = 5; p < 10; ++p) {
    const int source = p - 4;
    for (int c = 0; c < 4; ++c) {
      const int v = kBoxFaces[source][c];
      const int expected = (v & 1) ? 8 + v / 2 : v + 1;
      EXPECT_EQ(mesh.faces[p].corners[c].vertex, expected) << "face " << p;
      EXPECT_EQ(mesh.faces[p].corners[c].uv, 24 + source * 4 + c);
    }
  }
  ASSERT_EQ(tsxPolyhComputeFaceAdjacency(result), 0);
  EXPECT_TRUE(tsxhost::IsClosed(result));
  EXPECT_TRUE(SameMesh(Read(left), leftBefore));
  EXPECT_TRUE(SameMesh(Read(right), rightBefore));
}

TEST_F(MeshMergeTest, ReportsEachPhaseOnceWithItsSteps) {
  JoinState.StepsToGo = 1000;
  const tsxhost::Mesh leftBefore = Read(left);
  MergeCopy(left, right);
  const std::vector<std::string> texts = {
      "Merging vertices...",      "Merging UV indeces...",    "Merging faces...",
      "Arranging topology(1)...", "Arranging topology(2)...", "Merging objects done!"};
  EXPECT_EQ(view.pumps, texts);
  // VA + 2VB, UA + UB, FA + FB, 2(FB - 1), FB - 1 + VA + VB.
  EXPECT_EQ(JoinState.StepsToGo, 1000 - (24 + 48 + 12 + 10 + 21));
  EXPECT_EQ(view.statusText, "Merging objects done!");
}

// Vertices of the second object go through its world transform and the
// result's inverse one, exactly as the per-point operations take them.
TEST_F(MeshMergeTest, SecondObjectVerticesTakeTheTransformChain) {
  tsxhost::ResetScene();
  left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {0.5f, 1, 1}));
  tsxhost::SetTransform(left, {{2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}});
  right = tsxhost::AddPolyhedron("Right", MakeBox({0, 0, 0}, {1, 1, 1}));
  tsxhost::SetTransform(right, {{1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0.25f}});
  const tsxhost::Mesh rightMesh = Read(right);
  const tsxSOBJ result = MergeCopy(left, right);
  ASSERT_EQ(JoinState.LastError, 0);
  const tsxhost::Mesh mesh = Read(result);
  for (int i = 0; i < 4; ++i) {
    CtsxVector3f world{}, expected{};
    VertexToWorld(right, rightMesh.vertices[2 * i + 1], world);
    WorldToObject(&view, left, world, expected);
    EXPECT_TRUE(SamePoint(mesh.vertices[8 + i], expected)) << i;
  }
}

TEST_F(MeshMergeTest, SecondObjectOfOnlyTheJunctionFaceLeavesItsOtherVerticesUnused) {
  tsxhost::Mesh onlyFace = MakeBox({1, 0, 0}, {2, 1, 1});
  onlyFace.faces.resize(1);
  const tsxSOBJ lone = tsxhost::AddPolyhedron("Lone", onlyFace);
  const tsxSOBJ result = MergeCopy(left, lone);
  ASSERT_EQ(JoinState.LastError, 0);
  const tsxhost::Mesh mesh = Read(result);
  EXPECT_EQ(mesh.vertices.size(), 12u);  // Lone's 1, 3, 5, 7 appended
  ASSERT_EQ(mesh.faces.size(), 5u);
  for (const auto& face : mesh.faces) {
    for (const auto& corner : face.corners) EXPECT_LT(corner.vertex, 8);
  }
}

// Left's face 0 (-x, material 3 here) is junction face A, against the +x
// face of a box at [-1, 0]: the second run still takes face 0's material.
TEST_F(MeshMergeTest, SecondRunTakesMaterialOfFaceZeroEvenWhenItIsDropped) {
  tsxhost::Mesh leftMesh = MakeBox({0, 0, 0}, {1, 1, 1});
  leftMesh.faces[0].material = 3;
  const tsxSOBJ first = tsxhost::AddPolyhedron("First", leftMesh);
  const tsxSOBJ second = tsxhost::AddPolyhedron("Second", MakeBox({-1, 0, 0}, {0, 1, 1}));
  SetJunction(0, 1, 0);
  const tsxSOBJ result = MergeCopy(first, second);
  ASSERT_EQ(JoinState.LastError, 0);
  const tsxhost::Mesh mesh = Read(result);
  ASSERT_EQ(mesh.faces.size(), 10u);
  for (int p = 0; p < 5; ++p) EXPECT_EQ(mesh.faces[p].material, p + 1);
  for (int p = 5; p < 10; ++p) EXPECT_EQ(mesh.faces[p].material, 3);
}

// First: 5 vertices, faces f0 {0 1 2 3} (junction A), f1 {0 3 4}, f2 {1 2 4}.
// Second: 6 vertices, f0 {0 1 0 2} (junction B, vertex 0 at two corners),
// f1 {3 4 5}, f2 {0 3 4}, f3 {2 5 1}. With JunctionCornerB 0, A's corners
// 0 1 2 3 meet B's 0 3 2 1: B's 0 -> A's 0 (its first corner), 2 -> 1,
// 1 -> 3. Three distinct vertices go: B's 3 4 5 become 5 6 7.
TEST_F(MeshMergeTest, FaceNamingOneVertexTwiceDropsAndCountsItOnce) {
  tsxhost::Mesh a;
  a.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}};
  a.faces = {{{{0, -1}, {1, -1}, {2, -1}, {3, -1}}, {}, 0},
             {{{0, -1}, {3, -1}, {4, -1}}, {}, 0},
             {{{1, -1}, {2, -1}, {4, -1}}, {}, 0}};
  tsxhost::Mesh b;
  b.vertices = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {5, 5, 5}, {6, 6, 6}, {7, 7, 7}};
  b.faces = {{{{0, -1}, {1, -1}, {0, -1}, {2, -1}}, {}, 0},
             {{{3, -1}, {4, -1}, {5, -1}}, {}, 0},
             {{{0, -1}, {3, -1}, {4, -1}}, {}, 0},
             {{{2, -1}, {5, -1}, {1, -1}}, {}, 0}};
  const tsxSOBJ first = tsxhost::AddPolyhedron("A", a);
  const tsxSOBJ second = tsxhost::AddPolyhedron("B", b);
  SetJunction(0, 0, 0);
  const tsxSOBJ result = MergeCopy(first, second);
  ASSERT_EQ(JoinState.LastError, 0);
  const tsxhost::Mesh mesh = Read(result);
  ASSERT_EQ(mesh.vertices.size(), 8u);
  EXPECT_TRUE(SamePoint(mesh.vertices[5], b.vertices[3]));
  EXPECT_TRUE(SamePoint(mesh.vertices[7], b.vertices[5]));
  const std::vector<std::vector<int>> expected = {{0, 3, 4}, {1, 2, 4}, {5, 6, 7}, {0, 5, 6}, {1, 7, 3}};
  ASSERT_EQ(mesh.faces.size(), expected.size());
  for (std::size_t f = 0; f < expected.size(); ++f) {
    for (std::size_t c = 0; c < expected[f].size(); ++c) {
      EXPECT_EQ(mesh.faces[f].corners[c].vertex, expected[f][c]) << f << "/" << c;
    }
  }
}

// Right's face 5 (+z, 4 5 7 6) gets a hole over its vertices 4 5 7 with UV
// indices -1 0 1. Right's 4 is dropped onto Left's 5; 5 and 7 become 10
// and 11; with UA = 24 the UVs become -1 24 25.
class MeshMergeHoleTest : public MeshMergeTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MeshMergeHoleTest, HolesAreRenumberedOnlyWhenEnabled) {
  const bool enabled = GetParam();
  tsxhost::Mesh withHole = MakeBox({1, 0, 0}, {2, 1, 1}, "r", true);
  withHole.faces[5].holes = {{{4, -1}, {5, 0}, {7, 1}}};
  const tsxSOBJ holed = tsxhost::AddPolyhedron("Holed", withHole);
  JoinState.HoleMergeEnabled = enabled;
  tsxhost::testing::ResetCallCounts();
  const tsxSOBJ result = MergeCopy(left, holed);
  ASSERT_EQ(JoinState.LastError, 0);
  const tsxhost::Mesh mesh = Read(result);
  ASSERT_EQ(mesh.faces[9].holes.size(), 1u);
  const auto& hole = mesh.faces[9].holes[0];
  const std::vector<tsxhost::Corner> expected =
      enabled ? std::vector<tsxhost::Corner>{{5, -1}, {10, 24}, {11, 25}}
              : std::vector<tsxhost::Corner>{{4, -1}, {5, 0}, {7, 1}};
  ASSERT_EQ(hole.size(), 3u);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(hole[c].vertex, expected[c].vertex);
    EXPECT_EQ(hole[c].uv, expected[c].uv);
  }
  if (!enabled) {
    EXPECT_EQ(tsxhost::testing::CallCount("tsxFaceGetNbrHoles"), 0);
    EXPECT_EQ(tsxhost::testing::CallCount("tsxFaceGetHoleptrArray"), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(HoleMerge, MeshMergeHoleTest, ::testing::Bool());

TEST_F(MeshMergeTest, CornersWithoutUvKeepMinusOne) {
  tsxhost::Mesh noUv = MakeBox({1, 0, 0}, {2, 1, 1});  // every UV index -1
  const tsxSOBJ plain = tsxhost::AddPolyhedron("Plain", noUv);
  const tsxSOBJ result = MergeCopy(left, plain);
  ASSERT_EQ(JoinState.LastError, 0);
  const tsxhost::Mesh mesh = Read(result);
  EXPECT_EQ(mesh.uvs.size(), 24u);
  for (int p = 5; p < 10; ++p) {
    for (const auto& corner : mesh.faces[p].corners) EXPECT_EQ(corner.uv, -1);
  }
}

// A failing step leaves the copy as it was, frees every working block and
// face copy, and shows its message once.
class MeshMergeFailureTest : public MeshMergeTest {
 protected:
  // A fresh copy of Left to merge into, with no message shown yet.
  tsxSOBJ FreshCopy() {
    view.messages.clear();
    view.pumps.clear();
    JoinState.LastError = 0;
    tsxSOBJ result = 0;
    EXPECT_EQ(tsxGNodeCopy(left, &result), 0);
    copied = Read(result);
    outstanding = tsxhost::testing::OutstandingAllocations();
    return result;
  }
  void ExpectCleanFailure(tsxSOBJ result, int32_t code, const std::string& message) {
    EXPECT_EQ(JoinState.LastError, code);
    EXPECT_EQ(CountMessages(message), 1);
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_TRUE(SameMesh(Read(result), copied));
    EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding);
  }
  tsxhost::Mesh copied;
  long outstanding = 0;
};

TEST_F(MeshMergeFailureTest, AllocationFailureAtEachWorkingArray) {
  // MergedVertices, MergedUVs, ResultFaces, CompactVertices.
  for (int n : {1, 2, 3, 4}) {
    SCOPED_TRACE(n);
    const tsxSOBJ result = FreshCopy();
    tsxhost::testing::FailNthAllocation(n);
    MergeObjects(progress, result, right);
    tsxhost::testing::FailNthAllocation(0);
    ExpectCleanFailure(result, kNoMemory, "SPL : 13 - No memory available.");
  }
}

TEST_F(MeshMergeFailureTest, FaceCopyFailureReleasesTheCopiesMadeSoFar) {
  for (int n : {1, 4, 10}) {
    SCOPED_TRACE(n);
    const tsxSOBJ result = FreshCopy();
    tsxhost::testing::FailNthFaceCopy(n, e_tsxBAD_INPUT);
    MergeObjects(progress, result, right);
    ExpectCleanFailure(result, e_tsxBAD_INPUT, "tSX : Bad input data.");
  }
}

// Abort clicked during pump k is seen by progress call k + 1; call 6 is the
// merge's last, so an abort during its pump is left to the next stage.
TEST_F(MeshMergeFailureTest, AbortAtEachCheckStopsWithNothingReplaced) {
  for (std::size_t k = 0; k <= 5; ++k) {
    SCOPED_TRACE(k);
    const tsxSOBJ result = FreshCopy();
    JoinState.AbortRequested = k == 0;  // seen by the very first call
    view.onPump = [k](std::size_t pump) {
      if (pump == k) JoinState.AbortRequested = true;
    };
    MergeObjects(progress, result, right);
    view.onPump = nullptr;
    JoinState.AbortRequested = false;
    ExpectCleanFailure(result, kAborted, "SPL : 11 - SPLICER-BOT operation aborted by user.");
  }
}

TEST_F(MeshMergeFailureTest, ZeroScaleOfTheResultIsReportedOnce) {
  tsxhost::SetTransform(left, {{0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}});
  const tsxSOBJ result = FreshCopy();
  MergeObjects(progress, result, right);
  ExpectCleanFailure(result, kZeroScale, "SPL : 09 - Zero(0) scaling factor found.");
}

}  // namespace
}  // namespace spl::testing
