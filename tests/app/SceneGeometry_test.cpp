// Flattening the host's polyhedra for drawing.
#include "apps/tsxhost/SceneGeometry.h"

#include <gtest/gtest.h>

#include "host/scene/Scene.h"

#include <algorithm>

namespace hostapp {

namespace {

// Two squares sharing the edge 1-2:
//
//   3---2---5
//   | A | B |
//   0---1---4
tsxhost::Mesh TwoSquares() {
  tsxhost::Mesh m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}};
  m.materials.push_back({});
  m.materials[1].diffuse = {1.0f, 0.0f, 0.5f};
  m.faces.push_back({{{0}, {1}, {2}, {3}}, {}, 0});
  m.faces.push_back({{{1}, {4}, {5}, {2}}, {}, 1});
  return m;
}

class SceneGeometryTest : public ::testing::Test {
 protected:
  void SetUp() override { tsxhost::ResetScene(); }
  void TearDown() override { tsxhost::ResetScene(); }
};

}  // namespace

TEST_F(SceneGeometryTest, FansFacesAndListsEachEdgeOnce) {
  const tsxSOBJ obj = tsxhost::AddPolyhedron("Squares", TwoSquares());
  const SceneGeometry g = BuildSceneGeometry({obj});
  ASSERT_EQ(g.objects, std::vector<tsxSOBJ>{obj});
  EXPECT_EQ(g.triangles.size(), 4u);
  EXPECT_EQ(g.edges.size(), 7u);
  EXPECT_EQ(g.triangles[0].rgb, 0xCCCCCCu);
  EXPECT_EQ(g.triangles[2].rgb, 0xFF0080u);
  EXPECT_FLOAT_EQ(g.triangles[0].normal.z, 1.0f);
  EXPECT_EQ(g.IndexOf(obj), 0);
  EXPECT_EQ(g.IndexOf(0), -1);
}

TEST_F(SceneGeometryTest, PlacesPointsByTheObjectTransform) {
  const CtsxTxmx3f moveAndDouble{{2, 0, 0, 10, 0, 2, 0, 0, 0, 0, 2, 0}};
  const tsxSOBJ obj = tsxhost::AddPolyhedron("Squares", TwoSquares(), moveAndDouble);
  const SceneGeometry g = BuildSceneGeometry({obj});
  EXPECT_FLOAT_EQ(g.points[4].x, 14.0f);
  EXPECT_FLOAT_EQ(g.boxMin.x, 10.0f);
  EXPECT_FLOAT_EQ(g.boxMax.y, 2.0f);
}

TEST_F(SceneGeometryTest, LeavesOutWhatCannotBeDrawn) {
  tsxhost::Mesh m = TwoSquares();
  m.faces.push_back({{{0}, {7}, {2}}, {}, 0});  // corner out of range
  m.faces.push_back({{{0}}, {}, 0});            // a single corner
  const tsxSOBJ obj = tsxhost::AddPolyhedron("Squares", m);
  const tsxSOBJ light = tsxhost::AddObject("Lamp", e_tsxLIGHT);
  const SceneGeometry g = BuildSceneGeometry({obj, light, 999});
  EXPECT_EQ(g.objects.size(), 1u);
  EXPECT_EQ(g.triangles.size(), 4u);
}

// Open borders are marked; the shared edge is not.
TEST_F(SceneGeometryTest, MarksTheEdgesOfOneFaceOnlyAsBoundary) {
  const SceneGeometry g = BuildSceneGeometry({tsxhost::AddPolyhedron("Squares", TwoSquares())});
  int boundary = 0;
  for (const Edge& e : g.edges) {
    const bool shared = std::min(e.a, e.b) == 1 && std::max(e.a, e.b) == 2;
    EXPECT_EQ(e.boundary, !shared) << e.a << "-" << e.b;
    boundary += e.boundary;
  }
  EXPECT_EQ(boundary, 6);
}

// The file's normals shade smoothly, turned with the object; a triangle
// with a corner that has none stays flat.
TEST_F(SceneGeometryTest, CornerNormalsTurnWithTheObject) {
  tsxhost::Mesh m = TwoSquares();
  m.normals = {{0, 0, 1}, {1, 0, 0}};
  for (tsxhost::Corner& c : m.faces[0].corners) c.normal = 0;
  m.faces[0].corners[2].normal = 1;
  m.faces[1].corners[0].normal = 0;  // the others have none
  // A quarter turn about y: x goes to -z, z to x; and a stretch along x.
  const CtsxTxmx3f turn{{0, 0, 3, 0, 0, 1, 0, 0, -1, 0, 0, 0}};
  const SceneGeometry g = BuildSceneGeometry({tsxhost::AddPolyhedron("Squares", m, turn)});
  ASSERT_EQ(g.triangles.size(), 4u);
  ASSERT_TRUE(g.triangles[0].smooth);
  EXPECT_NEAR(g.triangles[0].cornerNormal[0].x, 1.0f, 1e-6);  // (0,0,1) turned
  EXPECT_NEAR(g.triangles[0].cornerNormal[2].z, -1.0f, 1e-6);  // (1,0,0) turned
  EXPECT_FALSE(g.triangles[2].smooth);
}

}  // namespace hostapp
