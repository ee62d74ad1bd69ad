// Real meshes cut by a plane into two closed objects, head and body, whose
// cut caps lie on each other: the seam join makes one sealed object.
#include <gtest/gtest.h>

#include "engine/actions/WindowActions.h"
#include "engine/seam/SeamJoin.h"
#include "host/obj/ObjFile.h"
#include "tests/join/JoinFixture.h"
#include "tests/seam/SeamChecks.h"

namespace spl::testing {
namespace {

struct SplitMesh {
  const char* file;
  std::size_t vertices;
  std::size_t faces;
};

class SeamRealMeshTest : public JoinTest, public ::testing::WithParamInterface<SplitMesh> {};

TEST_P(SeamRealMeshTest, JoinsHeadAndBodyIntoOneSealedObject) {
  const SplitMesh split = GetParam();
  const tsxhost::ObjResult loaded = tsxhost::LoadObj(std::string(SPLICER_SPLIT_DIR) + "/" + split.file);
  ASSERT_TRUE(loaded.ok) << loaded.error;
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  tsxhost::SetSelection(tsxhost::FindObject("head"));
  PickObject(&view, Slot::First);
  tsxhost::SetSelection(tsxhost::FindObject("body"));
  PickObject(&view, Slot::Second);
  SeamJoinPickedObjects(progress);
  ASSERT_EQ(JoinState.LastError, 0) << (view.messages.empty() ? "" : view.messages[0].text);
  const std::vector<tsxSOBJ> added = NewSceneObjects(before);
  ASSERT_EQ(added.size(), 1u);
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(added[0], &mesh));
  EXPECT_EQ(mesh.vertices.size(), split.vertices);
  EXPECT_EQ(mesh.faces.size(), split.faces);
  EXPECT_EQ(EdgeProblems(mesh), "");
  EXPECT_EQ(OverlapProblems(mesh), "");
  EXPECT_EQ(ConnectedParts(mesh), 1);
  EXPECT_TRUE(tsxhost::IsClosed(added[0]));
}

// The homer file's caps are n-gons against fans, the rocker arm's the same
// triangles on both sides (a few with other diagonals), among them an
// inner cap turned the other way; all of it lies on the other side.
INSTANTIATE_TEST_SUITE_P(Split, SeamRealMeshTest,
                         ::testing::Values(SplitMesh{"homer_ngon_tri.obj", 6540, 12538},
                                           SplitMesh{"rocker-arm_tri_a.obj", 10737, 20781}),
                         [](const ::testing::TestParamInfo<SplitMesh>& param) {
                           return std::string(param.param.file).substr(0, 5);
                         });

}  // namespace
}  // namespace spl::testing
