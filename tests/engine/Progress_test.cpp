#include "engine/common/Progress.h"

#include <gtest/gtest.h>

#include <climits>

#include "engine/common/Errors.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "tests/support/RecordingView.h"

namespace spl {
namespace {

using testing::RecordingView;

class ProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    ResetJoinState();
  }
  RecordingView view;
  JoinProgress progress{&view, {}};
};

// n triangles over three shared vertices; enough for counting.
tsxSOBJ AddTriangles(const std::string& name, int faces, int uvs = 0) {
  tsxhost::Mesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.uvs.assign(static_cast<size_t>(uvs), CtsxUV{0, 0});
  tsxhost::Face face;
  face.corners = {{0, -1}, {1, -1}, {2, -1}};
  mesh.faces.assign(static_cast<size_t>(faces), face);
  return tsxhost::AddPolyhedron(name, mesh);
}

TEST_F(ProgressTest, IntervalCallsTakeOffStepsOnlyEveryIntervalCalls) {
  JoinState.StepsToGo = 1000;
  JoinState.ProgressTick = 0;
  for (int i = 0; i < 25; ++i) EXPECT_TRUE(ReportProgress(progress, 10, "Sorting faces(1)...", 10));
  EXPECT_EQ(JoinState.StepsToGo, 980);  // the last 5 calls are not counted
  EXPECT_EQ(JoinState.ProgressTick, 5);
  EXPECT_EQ(view.pumps.size(), 25u);    // events run on every call
}

TEST_F(ProgressTest, LabelsAreWrittenOnlyWhileShowInfoIsTicked) {
  JoinState.StepsToGo = 100;
  view.showInfo = false;
  EXPECT_TRUE(ReportProgress(progress, 7, "Merging faces...", 1));
  EXPECT_EQ(view.stepsText, "Label4");
  EXPECT_EQ(view.statusText, "Label2");
  EXPECT_EQ(JoinState.StepsToGo, 93);

  view.showInfo = true;
  EXPECT_TRUE(ReportProgress(progress, 100, "Finishing...", 1));
  EXPECT_EQ(view.stepsText, "-7");
  EXPECT_EQ(view.statusText, "Finishing...");
}

TEST_F(ProgressTest, AnnouncementShowsTheTextWithoutCountingAndRestartsTheCounter) {
  view.showInfo = true;
  JoinState.StepsToGo = 50;
  JoinState.ProgressTick = 7;
  EXPECT_TRUE(AnnounceStage(progress, "Preparing..."));
  EXPECT_EQ(view.stepsText, "50");
  EXPECT_EQ(view.statusText, "Preparing...");
  EXPECT_EQ(JoinState.ProgressTick, 0);
  EXPECT_EQ(view.pumps.size(), 1u);
}

TEST_F(ProgressTest, AnnouncementAfterAnAbortRequestStopsTheStage) {
  JoinState.AbortRequested = true;
  JoinState.ProgressTick = 7;
  EXPECT_FALSE(AnnounceStage(progress, "Merging vertices..."));
  EXPECT_EQ(JoinState.LastError, kAborted);
  EXPECT_EQ(JoinState.ProgressTick, 0);
  EXPECT_TRUE(view.pumps.empty());
}

TEST_F(ProgressTest, AbortRequestReportsEveryCallAndCountsNothing) {
  view.showInfo = true;
  JoinState.StepsToGo = 50;
  JoinState.AbortRequested = true;
  EXPECT_FALSE(ReportProgress(progress, 5, "Searching faces...", 1));
  EXPECT_FALSE(ReportProgress(progress, 5, "Searching faces...", 1));
  EXPECT_EQ(JoinState.LastError, kAborted);
  EXPECT_TRUE(JoinState.AbortRequested);
  EXPECT_EQ(JoinState.StepsToGo, 50);
  EXPECT_TRUE(view.pumps.empty());
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[0].text, "SPL : 11 - SPLICER-BOT operation aborted by user.");
  EXPECT_EQ(view.messages[0].box, BoxType::Warning);
}

TEST_F(ProgressTest, AbortClickedDuringADispatchIsSeenByTheNextCall) {
  view.onPump = [](size_t) { JoinState.AbortRequested = true; };
  EXPECT_TRUE(ReportProgress(progress, 1, "Merging vertices...", 1));
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_FALSE(ReportProgress(progress, 1, "Merging UV indeces...", 1));
  EXPECT_EQ(JoinState.LastError, kAborted);
}

TEST_F(ProgressTest, AnErrorReportedDuringADispatchStopsTheStage) {
  view.onPump = [this](size_t) { ReportError(&view, kSecondGone); };
  EXPECT_FALSE(ReportProgress(progress, 1, "Merging faces...", 1));
  EXPECT_EQ(JoinState.LastError, kSecondGone);
}

TEST_F(ProgressTest, StepsToGoSaturatesInsteadOfWrapping) {
  JoinState.StepsToGo = INT_MIN + 5;
  EXPECT_TRUE(ReportProgress(progress, 10, "Faces found!", 1));
  EXPECT_EQ(JoinState.StepsToGo, INT_MIN);
}

TEST_F(ProgressTest, LongStageTextsAreCut) {
  view.showInfo = true;
  EXPECT_TRUE(ReportProgress(progress, 0, std::string(300, 'x'), 1));
  EXPECT_EQ(view.statusText.size(), kMaxStageText);
}

TEST(EstimateSteps, SumsThePhaseBudgets) {
  int32_t steps = 0;
  // Two boxes: 8 vertices, 6 faces, 14 UVs each.
  ASSERT_TRUE(EstimateSteps(8, 8, 6, 6, 14, 14, &steps));
  EXPECT_EQ(steps, 2 * 8 + 3 * 8 + 14 + 14 + 3 * 6 + 6 * 6 + 6 * 6 - 3);
}

TEST(EstimateSteps, DetectsOverflowOfEveryPartialResult) {
  int32_t steps = 7;
  EXPECT_FALSE(EstimateSteps(0, 0, 50000, 50000, 0, 0, &steps));  // fA*fB
  EXPECT_FALSE(EstimateSteps(INT_MAX / 2 + 1, 0, 0, 0, 0, 0, &steps));  // 2vA
  EXPECT_FALSE(EstimateSteps(0, INT_MAX / 3 + 1, 0, 0, 0, 0, &steps));  // 3vB
  EXPECT_FALSE(EstimateSteps(INT_MAX / 2, 0, 0, 0, 2, 0, &steps));      // a sum
  EXPECT_FALSE(EstimateSteps(0, 0, 0, INT_MAX / 6 + 1, 0, 0, &steps));  // 6fB
  EXPECT_EQ(steps, 7);  // untouched on overflow
  // The final -3 brings a sum of exactly INT_MAX + 2 back into range only
  // if the partial sum fitted, which it does not.
  EXPECT_FALSE(EstimateSteps(0, 0, 0, 0, INT_MAX, 2, &steps));
  // Negative partial results are fine as long as they fit.
  EXPECT_TRUE(EstimateSteps(0, 0, 0, 0, 0, 0, &steps));
  EXPECT_EQ(steps, -3);
}

TEST_F(ProgressTest, UpdateObjectInfoSetsTheEstimateResetsAndEnablesAbort) {
  const tsxSOBJ a = AddTriangles("A", 4, 5);
  const tsxSOBJ b = AddTriangles("B", 3, 2);
  view.showInfo = true;
  JoinState.ProgressTick = 9;
  JoinState.AbortRequested = true;
  UpdateObjectInfo(progress, a, b);
  EXPECT_EQ(JoinState.StepsToGo, 2 * 3 + 3 * 3 + 5 + 2 + 3 * 4 + 6 * 3 + 4 * 3 - 3);
  EXPECT_EQ(JoinState.ProgressTick, 0);
  EXPECT_FALSE(JoinState.AbortRequested);
  EXPECT_EQ(view.stepsText, std::to_string(JoinState.StepsToGo));
  EXPECT_EQ(view.statusText, "");
  EXPECT_TRUE(view.abortEnabled);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(ProgressTest, UpdateObjectInfoLeavesLabelsAloneWithoutShowInfo) {
  const tsxSOBJ a = AddTriangles("A", 3);
  const tsxSOBJ b = AddTriangles("B", 3);
  UpdateObjectInfo(progress, a, b);
  EXPECT_EQ(view.stepsText, "Label4");
  EXPECT_EQ(view.statusText, "Label2");
  EXPECT_TRUE(view.abortEnabled);
}

TEST_F(ProgressTest, OverflowingEstimateWarnsAndTheJoinGoesOn) {
  const tsxSOBJ a = AddTriangles("A", 50000);
  const tsxSOBJ b = AddTriangles("B", 50000);
  view.showInfo = true;
  UpdateObjectInfo(progress, a, b);
  EXPECT_EQ(JoinState.StepsToGo, INT_MAX);
  EXPECT_EQ(JoinState.LastError, 0);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "SPL : 12 - \"Steps To Go\" may not be correct.");
  EXPECT_EQ(view.messages[0].box, BoxType::Warning);
  EXPECT_EQ(view.stepsText, "2147483647");
}

// Beside the window's saturated count: the tally our own tools show keeps
// the whole estimate and only goes down, to zero at the least, while the
// window's count runs on below zero as the window defines.
TEST_F(ProgressTest, TallyKeepsTheWholeEstimateAndStopsAtZero) {
  const tsxSOBJ a = AddTriangles("A", 50000, 7);
  const tsxSOBJ b = AddTriangles("B", 60000, 2);
  UpdateObjectInfo(progress, a, b);
  // 2*3 + 3*3 + 7 + 2 + 3*50000 + 6*60000 + 50000*60000 - 3
  EXPECT_EQ(progress.tally.estimate, 3'000'510'021);
  EXPECT_EQ(EstimateSteps64(3, 3, 50000, 60000, 7, 2), 3'000'510'021);
  ASSERT_TRUE(ReportProgress(progress, 2'000'000'000, "Searching faces...", 1));
  EXPECT_EQ(progress.tally.Remaining(), 1'000'510'021);
  EXPECT_EQ(JoinState.StepsToGo, INT_MAX - 2'000'000'000);
  ASSERT_TRUE(ReportProgress(progress, 2'000'000'000, "Searching faces...", 1));
  EXPECT_EQ(progress.tally.Remaining(), 0);
  EXPECT_LT(JoinState.StepsToGo, 0);
  // A stage that ends early takes what it leaves out off the total, not
  // off the steps done; the window's count takes it (saturated) as steps.
  progress.tally.Start(5'000'000'000);
  JoinState.StepsToGo = 1000;
  ASSERT_TRUE(ReportProgress(progress, 10, "Searching faces...", 1));
  ASSERT_TRUE(ReportSkippedSteps(progress, 4'000'000'000, "Faces found!"));
  EXPECT_EQ(progress.tally.taken, 10);
  EXPECT_EQ(progress.tally.Total(), 1'000'000'000);
  EXPECT_EQ(progress.tally.Remaining(), 1'000'000'000 - 10);
  EXPECT_EQ(JoinState.StepsToGo, 990 - INT_MAX);
  ASSERT_TRUE(ReportWideProgress(progress, 3'000'000'000, "Merging vertices...", 1));
  EXPECT_EQ(progress.tally.Remaining(), 0);
  EXPECT_EQ(JoinState.StepsToGo, INT_MIN);
  // Steps between interval ends are not counted, as in the window's count.
  progress.tally.Start(100);
  ASSERT_TRUE(ReportProgress(progress, 30, "Merging vertices...", 2));
  EXPECT_EQ(progress.tally.Remaining(), 100);
  ASSERT_TRUE(ReportProgress(progress, 30, "Merging vertices...", 2));
  EXPECT_EQ(progress.tally.Remaining(), 70);
}

TEST_F(ProgressTest, SuitabilityOfPicks) {
  const tsxSOBJ three = AddTriangles("three", 3);
  const tsxSOBJ two = AddTriangles("two", 2);
  const tsxSOBJ light = tsxhost::AddObject("light", e_tsxLIGHT);

  struct Case {
    tsxSOBJ object;
    Slot which;
    int32_t error;
  } cases[] = {
      {three, Slot::First, 0},         {three, Slot::Second, 0},
      {two, Slot::First, -1003},       {two, Slot::Second, -1004},
      {light, Slot::First, -1003},     {light, Slot::Second, -1004},
      {0, Slot::First, -1001},         {0, Slot::Second, -1002},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.object << " slot " << static_cast<int>(c.which));
    JoinState.LastError = 0;
    view.messages.clear();
    CheckObjectSuitable(&view, c.object, c.which);
    EXPECT_EQ(JoinState.LastError, c.error);
    EXPECT_EQ(view.messages.size(), c.error ? 1u : 0u);
  }
}

TEST_F(ProgressTest, NonPolyhedronIsRefusedWithoutCountingItsFaces) {
  const tsxSOBJ light = tsxhost::AddObject("light", e_tsxLIGHT);
  tsxhost::testing::ResetCallCounts();
  CheckObjectSuitable(&view, light, Slot::First);
  EXPECT_EQ(JoinState.LastError, -1003);
  EXPECT_EQ(tsxhost::testing::CallCount("tsxPolyhGetNbrFaces"), 0);
}

TEST_F(ProgressTest, DeletedObjectIsNotSuitable) {
  const tsxSOBJ a = AddTriangles("A", 3);
  tsxSobjDelete(a);
  CheckObjectSuitable(&view, a, Slot::Second);
  EXPECT_EQ(JoinState.LastError, -1004);
}

}  // namespace
}  // namespace spl
