// Polyhedra from caller-owned arrays (the Python module's way in) with
// per-corner normals, refused when a coordinate is not finite; materials
// and corner normals read back on their own.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "host/scene/Scene.h"

namespace {

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

class MeshArraysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    // A triangle and a quad; the quad's corners 1 and 3 carry normals.
    arrays_.vertices = vertices_.data();
    arrays_.vertexCount = vertices_.size();
    arrays_.faceStart = starts_.data();
    arrays_.faceCount = starts_.size() - 1;
    arrays_.cornerVertex = corners_.data();
    arrays_.cornerNormal = normals_.data();
    tsxhost::Material red;
    red.name = "red";
    arrays_.materials = {tsxhost::Material{}, red};
    arrays_.faceMaterial = materials_.data();
  }
  void TearDown() override { tsxhost::ResetScene(); }

  std::vector<CtsxVector3f> vertices_{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  std::vector<int32_t> starts_{0, 3, 7};
  std::vector<int32_t> corners_{0, 1, 2, 0, 2, 3, 1};
  std::vector<CtsxVector3f> normals_{{kNone, kNone, kNone}, {kNone, kNone, kNone}, {kNone, kNone, kNone},
                                     {kNone, kNone, kNone}, {0, 0, 2}, {kNone, kNone, kNone}, {0, -1, 0}};
  std::vector<int32_t> materials_{1, 0};
  tsxhost::MeshArrays arrays_;
};

TEST_F(MeshArraysTest, NormalsGoInPerCornerAndComeBackInFaceOrder) {
  std::string error;
  const tsxSOBJ obj = tsxhost::AddPolyhedronArrays("quad", arrays_, &error);
  ASSERT_NE(obj, 0) << error;
  std::vector<CtsxVector3f> normals;
  std::vector<uint8_t> has;
  ASSERT_TRUE(tsxhost::ReadCornerNormals(obj, &normals, &has));
  EXPECT_EQ(has, (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 1}));
  EXPECT_EQ(normals[4].z, 2.0f);  // kept as given, length and all
  EXPECT_EQ(normals[6].y, -1.0f);
  // The same as the whole mesh read back says.
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(obj, &mesh));
  EXPECT_EQ(mesh.faces[0].corners[0].normal, -1);
  ASSERT_EQ(mesh.faces[1].corners[1].normal, 0);
  EXPECT_EQ(mesh.normals[0].z, 2.0f);
  EXPECT_EQ(mesh.normals.at(static_cast<size_t>(mesh.faces[1].corners[3].normal)).y, -1.0f);
  std::vector<tsxhost::Material> materials;
  ASSERT_TRUE(tsxhost::ReadMaterials(obj, &materials));
  EXPECT_EQ(materials, mesh.materials);
  EXPECT_EQ(materials.at(1).name, "red");
  EXPECT_FALSE(tsxhost::ReadMaterials(obj + 1000, &materials));
  EXPECT_FALSE(tsxhost::ReadCornerNormals(obj + 1000, &normals, &has));
}

TEST_F(MeshArraysTest, CoordinatesThatAreNotFiniteAreRefusedAndNothingIsAdded) {
  std::string error;
  vertices_[2].y = std::numeric_limits<float>::infinity();
  EXPECT_EQ(tsxhost::AddPolyhedronArrays("bad", arrays_, &error), 0);
  EXPECT_EQ(error, "vertex 2 has a coordinate that is not finite");
  vertices_[2].y = 1;
  normals_[5] = {kNone, 1, 0};  // partly NaN: neither a normal nor none
  EXPECT_EQ(tsxhost::AddPolyhedronArrays("bad", arrays_, &error), 0);
  EXPECT_EQ(error, "the normal of corner 5 is neither finite nor all NaN (none)");
  normals_[5] = {kNone, kNone, kNone};
  const std::vector<CtsxUV> uvs{{0, 0}, {0, kNone}};
  arrays_.uvs = uvs.data();
  arrays_.uvCount = uvs.size();
  EXPECT_EQ(tsxhost::AddPolyhedronArrays("bad", arrays_, &error), 0);
  EXPECT_EQ(error, "UV 1 has a coordinate that is not finite");
  EXPECT_TRUE(tsxhost::SceneObjects().empty());
}

}  // namespace
