// The host carries normals, smoothing groups and groups with the face
// records the join copies: the first object's arrive as they were, the
// second's re-expressed in the new object's space, in both join modes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/actions/WindowActions.h"
#include "tests/join/JoinFixture.h"

namespace spl::testing {
namespace {

// Every corner of the box gets normal `n`, every face `smoothing` and `group`.
tsxhost::Mesh Dressed(tsxhost::Mesh mesh, const CtsxVector3f& n, uint32_t smoothing, const std::string& group) {
  mesh.normals = {n};
  for (tsxhost::Face& face : mesh.faces) {
    for (tsxhost::Corner& c : face.corners) c.normal = 0;
    face.smoothing = smoothing;
    face.group = group;
  }
  return mesh;
}

class JoinNormals : public JoinTest, public ::testing::WithParamInterface<bool> {
 protected:
  // A at [0,1]^3. B is a box in its own space, turned a quarter about z and
  // scaled 2 along its x and 4 along its y, so that it sits at [1,2]x[0,1]x[0,1].
  void SetUp() override {
    JoinTest::SetUp();
    const float s = 1 / std::sqrt(2.0f);
    normalA_ = {0.6f, 0.0f, 0.8f};
    a_ = tsxhost::AddPolyhedron("A", Dressed(MakeBox({0, 0, 0}, {1, 1, 1}), normalA_, 1, "left"));
    const CtsxTxmx3f turned{{0, -4, 0, 2, 2, 0, 0, 0, 0, 0, 1, 0}};
    b_ = tsxhost::AddPolyhedron("B", Dressed(MakeBox({0, 0, 0}, {0.5f, 0.25f, 1}), {s, s, 0}, 2, "right"), turned);
  }
  tsxSOBJ JoinedObject() {
    const auto before = tsxhost::SceneObjects();
    tsxhost::SetSelection(a_);
    PickObject(&view, Slot::First);
    tsxhost::SetSelection(b_);
    PickObject(&view, Slot::Second);
    if (GetParam()) {
      SeamJoinPickedObjects(progress);
    } else {
      JoinPickedObjects(progress);
    }
    const auto added = NewSceneObjects(before);
    return added.size() == 1 ? added[0] : 0;
  }
  tsxSOBJ a_ = 0, b_ = 0;
  CtsxVector3f normalA_{};
};

TEST_P(JoinNormals, FirstObjectsNormalsKeptSecondsReexpressed) {
  const tsxSOBJ joined = JoinedObject();
  ASSERT_NE(joined, 0u) << ::testing::PrintToString(MessageTexts());
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(joined, &mesh));
  ASSERT_EQ(mesh.faces.size(), 10u);
  // B's (1,1,0)/sqrt(2) through the inverse transpose of its linear part:
  // along (-1/4, 1/2, 0), that is (-1, 2, 0)/sqrt(5) with its length kept.
  const double r5 = std::sqrt(5.0);
  int fromA = 0, fromB = 0;
  for (const tsxhost::Face& face : mesh.faces) {
    ASSERT_EQ(face.corners.size(), 4u);
    for (const tsxhost::Corner& c : face.corners) {
      ASSERT_GE(c.normal, 0);
      const CtsxVector3f& n = mesh.normals[static_cast<size_t>(c.normal)];
      if (face.group == "left") {
        EXPECT_EQ(std::memcmp(&n, &normalA_, sizeof n), 0);
        EXPECT_EQ(face.smoothing, 1u);
      } else {
        ASSERT_EQ(face.group, "right");
        EXPECT_EQ(face.smoothing, 2u);
        EXPECT_NEAR(n.x, -1 / r5, 1e-6);
        EXPECT_NEAR(n.y, 2 / r5, 1e-6);
        EXPECT_NEAR(n.z, 0, 1e-6);
      }
    }
    (face.group == "left" ? fromA : fromB) += 1;
  }
  EXPECT_EQ(fromA, 5);
  EXPECT_EQ(fromB, 5);
  // The picked objects are never changed.
  tsxhost::Mesh b;
  ASSERT_TRUE(tsxhost::ReadMesh(b_, &b));
  EXPECT_NEAR(b.normals[0].x, 1 / std::sqrt(2.0), 1e-7);
}

INSTANTIATE_TEST_SUITE_P(PlainAndSeam, JoinNormals, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Seam" : "Plain"; });

}  // namespace
}  // namespace spl::testing
