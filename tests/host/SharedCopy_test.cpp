// Copies share their source's face records until one side writes them or
// hands them out: each object must still read as if every copy were deep.
#include <gtest/gtest.h>

#include <vector>

#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace {

using tsxhost::Mesh;

// Three faces of a strip, each different: materials, a group on the middle
// one, a hole in the last, normals on the first.
//   0 - 1 - 2 - 3
//   |   |   |   |
//   4 - 5 - 6 - 7
Mesh Strip() {
  Mesh m;
  for (float x : {0.f, 1.f, 2.f, 3.f}) m.vertices.push_back({x, 1, 0});
  for (float x : {0.f, 1.f, 2.f, 3.f}) m.vertices.push_back({x, 0, 0});
  m.vertices.push_back({2.4f, 0.4f, 0});
  m.vertices.push_back({2.6f, 0.4f, 0});
  m.vertices.push_back({2.5f, 0.6f, 0});
  m.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  m.normals = {{0, 0, 1}, {0, 0.6f, 0.8f}};
  tsxhost::Face first{{{4, 0, 0}, {5, 1, 1}, {1, 2, 0}, {0, 3, 0}}, {}, 1};
  tsxhost::Face middle{{{5, -1}, {6, -1}, {2, -1}, {1, -1}}, {}, 2, 3, "middle"};
  tsxhost::Face last{{{6, 0}, {7, 1}, {3, 2}, {2, 3}}, {{{8, -1}, {10, -1}, {9, -1}}}, 0};
  m.faces = {first, middle, last};
  tsxhost::Material red, blue;
  red.name = "red";
  red.diffuse = {1, 0, 0};
  blue.name = "blue";
  blue.diffuse = {0, 0, 1};
  m.materials = {tsxhost::Material{}, red, blue};
  return m;
}

bool SameMesh(const Mesh& a, const Mesh& b) {
  if (a.vertices.size() != b.vertices.size() || a.faces.size() != b.faces.size() || a.normals.size() != b.normals.size()) {
    return false;
  }
  for (size_t f = 0; f < a.faces.size(); ++f) {
    const tsxhost::Face& x = a.faces[f];
    const tsxhost::Face& y = b.faces[f];
    if (x.corners.size() != y.corners.size() || x.holes.size() != y.holes.size() || x.group != y.group ||
        x.smoothing != y.smoothing || a.materials.at(static_cast<size_t>(x.material)) != b.materials.at(static_cast<size_t>(y.material))) {
      return false;
    }
    for (size_t c = 0; c < x.corners.size(); ++c) {
      if (x.corners[c].vertex != y.corners[c].vertex || x.corners[c].uv != y.corners[c].uv ||
          x.corners[c].normal != y.corners[c].normal) {
        return false;
      }
    }
  }
  for (size_t n = 0; n < a.normals.size(); ++n) {
    if (a.normals[n].x != b.normals[n].x || a.normals[n].y != b.normals[n].y || a.normals[n].z != b.normals[n].z) return false;
  }
  return true;
}

Mesh Read(tsxSOBJ obj) {
  Mesh m;
  EXPECT_TRUE(tsxhost::ReadMesh(obj, &m));
  return m;
}

tsxSOBJ Copy(tsxSOBJ of) {
  tsxSOBJ copy = 0;
  EXPECT_EQ(tsxGNodeCopy(of, &copy), 0);
  return copy;
}

// Paints face `face` of `obj` with a new green material.
int32_t PaintGreen(tsxSOBJ obj, int32_t face) {
  tsxhost::Material green;
  green.name = "green";
  tsxhost::SetActiveMaterial(green);
  tsxMATERIAL mat = 0;
  tsxMaterialCreateCopyActive(&mat);
  const int32_t status = tsxPolyhPaintFace(obj, face, mat, 0);
  tsxMaterialDestroy(mat);
  return status;
}

std::string MaterialOf(tsxSOBJ obj, size_t face) {
  const Mesh m = Read(obj);
  return m.materials.at(static_cast<size_t>(m.faces.at(face).material)).name;
}

class SharedCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    blocks = tsxhost::testing::LiveHostBlocks();
    a = tsxhost::AddPolyhedron("A", Strip());
    original = Read(a);
  }
  void TearDown() override {
    tsxhost::testing::FailNthHostAllocation(0);
    tsxhost::ResetScene();
    EXPECT_EQ(tsxhost::testing::LiveHostBlocks(), blocks);  // no record freed twice or left behind
  }
  long blocks = 0;
  tsxSOBJ a = 0;
  Mesh original;
};

TEST_F(SharedCopyTest, WritesOnEitherSideStayOnThatSide) {
  const tsxSOBJ c1 = Copy(a), c2 = Copy(a), c3 = Copy(c1);  // c3: a copy of a copy
  for (tsxSOBJ c : {c1, c2, c3}) EXPECT_TRUE(SameMesh(Read(c), original));

  // The source painted: its copies keep what they were made with.
  ASSERT_EQ(PaintGreen(a, 1), 0);
  EXPECT_EQ(MaterialOf(a, 1), "green");
  for (tsxSOBJ c : {c1, c2, c3}) EXPECT_EQ(MaterialOf(c, 1), "blue");

  // A copy painted: neither its source nor the other copies see it.
  ASSERT_EQ(PaintGreen(c2, 0), 0);
  EXPECT_EQ(MaterialOf(c2, 0), "green");
  EXPECT_EQ(MaterialOf(c2, 1), "blue");
  EXPECT_EQ(MaterialOf(a, 0), "red");
  EXPECT_EQ(MaterialOf(c3, 0), "red");

  // Adjacency computed on a copy is written into its records only.
  ASSERT_EQ(tsxPolyhComputeFaceAdjacency(c3), 0);
  EXPECT_EQ(tsxPolyhGetFaceptrArray(c3)[0]->corners[1].adjFace, 1);
  EXPECT_EQ(tsxPolyhGetFaceptrArray(c1)[0]->corners[1].adjFace, -1);
  EXPECT_EQ(tsxPolyhGetFaceptrArray(a)[0]->corners[1].adjFace, -1);
}

TEST_F(SharedCopyTest, CopiesOutliveTheirSourceWithGroupsAndNormals) {
  const tsxSOBJ c1 = Copy(a), c2 = Copy(a);
  tsxSobjDelete(a);
  EXPECT_TRUE(SameMesh(Read(c1), original));
  EXPECT_TRUE(SameMesh(Read(c2), original));
  EXPECT_EQ(Read(c1).faces[1].group, "middle");

  // A face of a copy handed to another object keeps its group's name: the
  // record's owner is an object that still exists.
  const tsxSOBJ other = tsxhost::AddPolyhedron("other", Strip());
  auto** faces = static_cast<CtsxFace**>(tsxMalloc(sizeof(CtsxFace*)));
  ASSERT_EQ(tsxFaceCopy(&faces[0], tsxPolyhGetFaceptrArray(c2)[1]), 0);
  ASSERT_EQ(tsxPolyhSetFaces(other, 1, faces), 0);
  EXPECT_EQ(Read(other).faces[0].group, "middle");

  tsxSobjDelete(c1);
  EXPECT_TRUE(SameMesh(Read(c2), original));
}

TEST_F(SharedCopyTest, RecordsHandedOutStayWhereTheyAre) {
  const tsxSOBJ copy = Copy(a);
  CtsxFace** faces = tsxPolyhGetFaceptrArray(copy);
  ASSERT_NE(faces, nullptr);
  CtsxFace* const middle = faces[1];
  EXPECT_NE(middle, tsxPolyhGetFaceptrArray(a)[1]);
  ASSERT_EQ(PaintGreen(a, 1), 0);
  EXPECT_EQ(MaterialOf(copy, 1), "blue");
  ASSERT_EQ(PaintGreen(copy, 1), 0);
  EXPECT_EQ(tsxPolyhGetFaceptrArray(copy), faces);
  EXPECT_EQ(faces[1], middle);
  EXPECT_EQ(MaterialOf(copy, 1), "green");
}

TEST_F(SharedCopyTest, ReplacedFacesLeaveTheSourceAlone) {
  const tsxSOBJ copy = Copy(a);
  auto** faces = static_cast<CtsxFace**>(tsxMalloc(sizeof(CtsxFace*)));
  ASSERT_EQ(tsxFaceCopy(&faces[0], tsxPolyhGetFaceptrArray(a)[2]), 0);
  ASSERT_EQ(tsxPolyhSetFaces(copy, 1, faces), 0);
  EXPECT_EQ(tsxPolyhGetNbrFaces(copy), 1);
  EXPECT_EQ(Read(copy).faces[0].holes.size(), 1u);
  EXPECT_TRUE(SameMesh(Read(a), original));
}

// Without memory for records of its own, a copy hands out nothing and a
// write is refused; both sides stay as they were, and work once memory is
// back.
TEST_F(SharedCopyTest, NoMemoryForOwnRecordsChangesNothing) {
  const tsxSOBJ copy = Copy(a);
  tsxhost::testing::FailNthHostAllocation(1);
  EXPECT_EQ(tsxPolyhGetFaceptrArray(copy), nullptr);
  tsxhost::testing::FailNthHostAllocation(1);
  EXPECT_EQ(PaintGreen(a, 2), e_tsxNO_MEMORY);
  tsxhost::testing::FailNthHostAllocation(0);
  EXPECT_TRUE(SameMesh(Read(a), original));
  EXPECT_TRUE(SameMesh(Read(copy), original));

  ASSERT_EQ(PaintGreen(a, 2), 0);
  EXPECT_EQ(MaterialOf(a, 2), "green");
  EXPECT_EQ(MaterialOf(copy, 2), "default");
  EXPECT_NE(tsxPolyhGetFaceptrArray(copy), nullptr);
}

}  // namespace
