#include "engine/face/RunJoin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "host/scene/HostTesting.h"
#include "tests/join/JoinFixture.h"

namespace spl::testing {
namespace {

const char* const kAbortText = "SPL : 11 - SPLICER-BOT operation aborted by user.";

// Left [0,1]^3 and Right [1,2] x [0,1]^2 touch at x = 1 (see MakeBox).
class RunJoinTest : public JoinTest {
 protected:
  void SetUp() override {
    JoinTest::SetUp();
    left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {1, 1, 1}, "l", true));
    right = tsxhost::AddPolyhedron("Right", MakeBox({1, 0, 0}, {2, 1, 1}, "r", true));
    Remember();
  }
  // What must hold after any join: the picked objects are as they were,
  // and nothing but (at most) the one new object is left behind.
  void Remember() {
    tsxhost::ReadMesh(left, &leftBefore);
    tsxhost::ReadMesh(right, &rightBefore);
    sceneBefore = tsxhost::SceneObjects();
    liveBefore = tsxhost::LiveObjects().size();
    outstandingBefore = tsxhost::testing::OutstandingAllocations();
  }
  void ExpectSourcesUnchanged(tsxSOBJ a, tsxSOBJ b) {
    tsxhost::Mesh now;
    ASSERT_TRUE(tsxhost::ReadMesh(a, &now));
    EXPECT_TRUE(SameMesh(now, leftBefore));
    ASSERT_TRUE(tsxhost::ReadMesh(b, &now));
    EXPECT_TRUE(SameMesh(now, rightBefore));
  }
  void ExpectNothingLeftBehind() {
    EXPECT_TRUE(NewSceneObjects(sceneBefore).empty());
    EXPECT_EQ(tsxhost::LiveObjects().size(), liveBefore);
    EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstandingBefore);
  }

  tsxSOBJ left = 0;
  tsxSOBJ right = 0;
  tsxhost::Mesh leftBefore, rightBefore;
  std::vector<tsxSOBJ> sceneBefore;
  std::size_t liveBefore = 0;
  long outstandingBefore = 0;
};

TEST_F(RunJoinTest, BoxesJoinIntoOneClosedBoxAddedToTheScene) {
  Join(left, right);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_TRUE(view.messages.empty());
  const std::vector<tsxSOBJ> added = NewSceneObjects(sceneBefore);
  ASSERT_EQ(added.size(), 1u);
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(added[0], &mesh));
  EXPECT_EQ(mesh.vertices.size(), 12u);
  EXPECT_EQ(mesh.faces.size(), 10u);
  EXPECT_TRUE(tsxhost::IsClosed(added[0]));
  std::vector<std::string> materials;
  for (const auto& face : mesh.faces) materials.push_back(mesh.materials[face.material].name);
  EXPECT_EQ(materials, (std::vector<std::string>{"l0", "l2", "l3", "l4", "l5", "r1", "r2", "r3",
                                                 "r4", "r5"}));
  ExpectSourcesUnchanged(left, right);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstandingBefore);
  // The window's reset after the join.
  EXPECT_EQ(JoinState.FirstObject, 0u);
  EXPECT_EQ(JoinState.SecondObject, 0u);
  EXPECT_EQ(view.stepsText, "0");
  EXPECT_EQ(view.statusText, "");
  EXPECT_FALSE(view.abortEnabled);
}

TEST_F(RunJoinTest, StagesAreShownInOrder) {
  Join(left, right);
  const std::vector<std::string> expected = {
      "",  // UpdateObjectInfo empties the status
      "Preparing...",           "Sorting faces(1)...",      "Sorting faces(2)...",
      "Searching faces...",     "Faces found!",             "Merging vertices...",
      "Merging UV indeces...",  "Merging faces...",         "Arranging topology(1)...",
      "Arranging topology(2)...", "Merging objects done!",  "Copying materials(1)...",
      "Copying materials(2)...", "Finishing...",            ""};
  EXPECT_EQ(view.statusHistory, expected);
}

// The stage observer sees every stage of a successful join, in order.
TEST_F(RunJoinTest, ObserverSeesEachStageStartAndEnd) {
  struct Log : JoinStageObserver {
    void StageStarted(JoinStage s) override { events.push_back("+" + std::string(StageName(s))); }
    void StageFinished(JoinStage s) override { events.push_back("-" + std::string(StageName(s))); }
    std::vector<std::string> events;
  } log;
  Join(left, right, {&log, nullptr});
  EXPECT_EQ(log.events,
            (std::vector<std::string>{"+join", "+count", "-count", "+search", "-search", "+copy",
                                      "-copy", "+merge", "-merge", "+refresh", "-refresh",
                                      "+materials", "-materials", "+finish", "-finish",
                                      "-join"}));
}

// Abort clicked during pump k of P: seen by call k + 1. Only an abort seen
// by "Finishing..." (k = P - 1) still adds the result; one during the
// last pump is seen by nothing.
TEST_F(RunJoinTest, AbortAtEveryProgressCallShowsMessageOnceAndLeavesNothing) {
  Join(left, right);
  const std::size_t calls = view.pumps.size();
  ASSERT_GT(calls, 10u);
  ASSERT_EQ(view.pumps.back(), "Finishing...");
  for (std::size_t k = 1; k <= calls; ++k) {
    SCOPED_TRACE(k);
    tsxhost::ResetScene();
    left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {1, 1, 1}, "l", true));
    right = tsxhost::AddPolyhedron("Right", MakeBox({1, 0, 0}, {2, 1, 1}, "r", true));
    Remember();
    view.messages.clear();
    view.pumps.clear();
    view.onPump = [k](std::size_t pump) {
      if (pump == k) JoinState.AbortRequested = true;
    };
    Join(left, right);
    view.onPump = nullptr;
    EXPECT_FALSE(JoinState.AbortRequested);  // cleared by the window's reset
    ExpectSourcesUnchanged(left, right);
    if (k == calls) {
      EXPECT_TRUE(view.messages.empty());
      EXPECT_EQ(NewSceneObjects(sceneBefore).size(), 1u);
      continue;
    }
    EXPECT_EQ(JoinState.LastError, kAborted);
    EXPECT_EQ(CountMessages(kAbortText), 1);
    EXPECT_EQ(view.messages.size(), 1u);
    if (k == calls - 1) {
      EXPECT_EQ(NewSceneObjects(sceneBefore).size(), 1u);
    } else {
      ExpectNothingLeftBehind();
    }
  }
}

TEST_F(RunJoinTest, FailedCopyShowsMessageTenAndAddsNothing) {
  tsxhost::testing::FailNextObjectCopy();
  Join(left, right);
  EXPECT_EQ(JoinState.LastError, kCannotMakeResult);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"SPL : 10 - Can not make 3rd object."});
  EXPECT_EQ(JoinState.ResultObject, 0u);
  ExpectNothingLeftBehind();
}

TEST_F(RunJoinTest, FailureInsideTheMergeDeletesTheUnfinishedCopy) {
  tsxhost::testing::FailNthFaceCopy(3, e_tsxBAD_INPUT);
  Join(left, right);
  EXPECT_EQ(JoinState.LastError, e_tsxBAD_INPUT);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"tSX : Bad input data."});
  EXPECT_FALSE(tsxhost::IsAlive(JoinState.ResultObject));
  ExpectNothingLeftBehind();
  ExpectSourcesUnchanged(left, right);
}

TEST_F(RunJoinTest, NoJunctionShowsMessageSixAndAddsNothing) {
  tsxhost::SetTransform(right, {{1, 0, 0, 0.5f, 0, 1, 0, 0, 0, 0, 1, 0}});  // half a unit apart
  Join(left, right);
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"SPL : 06 - Faces (Junction) not found."});
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
  ExpectNothingLeftBehind();
}

// A distance too large for whole thousandths ends the join through the
// toolkit's conversion report; the next join works as usual.
TEST_F(RunJoinTest, ConversionErrorEndsTheJoinAndTheNextOneWorks) {
  for (double accuracy : {3.0e6, 0.01}) {
    SCOPED_TRACE(accuracy);
    JoinState.Accuracy = accuracy;
    tsxhost::SetTransform(right, {{1, 0, 0, accuracy > 1 ? 3.0e6f : 0, 0, 1, 0, 0, 0, 0, 1, 0}});
    view.conversionErrors.clear();
    view.messages.clear();
    Join(left, right);
    if (accuracy > 1) {
      EXPECT_EQ(JoinState.LastError, kConversionFailed);
      EXPECT_EQ(view.conversionErrors.size(), 1u);
      EXPECT_TRUE(view.messages.empty());
      ExpectNothingLeftBehind();
    } else {
      EXPECT_EQ(JoinState.LastError, 0);
      EXPECT_TRUE(view.conversionErrors.empty());
      EXPECT_EQ(NewSceneObjects(sceneBefore).size(), 1u);
    }
  }
}

// Two prisms over a regular 1,500-gon of radius 10 (corners 0.042 apart),
// the second standing on the first: the top of the first (face n + 1) and
// the bottom of the second (face n) form the junction.
tsxhost::Mesh Prism(int n, float z0, float z1) {
  tsxhost::Mesh mesh;
  for (float z : {z0, z1}) {
    for (int i = 0; i < n; ++i) {
      const double a = 2 * std::numbers::pi * i / n;
      mesh.vertices.push_back({static_cast<float>(10 * std::cos(a)), static_cast<float>(10 * std::sin(a)), z});
    }
  }
  tsxhost::Face bottom, top;
  for (int i = 0; i < n; ++i) {
    bottom.corners.push_back({n - 1 - i, -1});  // outward: -z
    top.corners.push_back({n + i, -1});
    const int j = (i + 1) % n;
    mesh.faces.push_back({{{i, -1}, {j, -1}, {n + j, -1}, {n + i, -1}}, {}, 0});
  }
  mesh.faces.push_back(bottom);
  mesh.faces.push_back(top);
  return mesh;
}

TEST_F(RunJoinTest, JunctionOfFifteenHundredCornersJoins) {
  constexpr int kCorners = 1500;
  const tsxSOBJ lower = tsxhost::AddPolyhedron("Lower", Prism(kCorners, 0, 1));
  const tsxSOBJ upper = tsxhost::AddPolyhedron("Upper", Prism(kCorners, 1, 2));
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  Join(lower, upper);
  ASSERT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(JoinState.JunctionFaceA, kCorners + 1);
  EXPECT_EQ(JoinState.JunctionFaceB, kCorners);
  const std::vector<tsxSOBJ> added = NewSceneObjects(before);
  ASSERT_EQ(added.size(), 1u);
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(added[0], &mesh));
  EXPECT_EQ(mesh.vertices.size(), 3u * kCorners);
  EXPECT_EQ(mesh.faces.size(), 2u * kCorners + 2);
  EXPECT_TRUE(tsxhost::IsClosed(added[0]));
}

}  // namespace
}  // namespace spl::testing
