// The report of a join in the host program: the plug-in's join read off its
// result, outlined in the view and summed up in the status bar.
#include <gtest/gtest.h>

#include <QStatusBar>

#include "apps/tsxhost/JoinRecognizer.h"
#include "apps/tsxhost/JoinReportPresenter.h"
#include "apps/tsxhost/OutlineOverlay.h"
#include "apps/tsxhost/SceneDocument.h"
#include "apps/tsxhost/SceneView.h"
#include "apps/tsxhost/SeamJoinCommand.h"
#include "engine/actions/WindowActions.h"
#include "engine/common/JoinState.h"
#include "tests/app/AppTestSupport.h"

namespace hostapp {

namespace {

// Joins as the plug-in's window does, through the engine.
tsxSOBJ JoinAsThePlugin(tsxSOBJ first, tsxSOBJ second, double accuracy = 0.01) {
  spl::ResetJoinState();
  spl::InitJoinStateForWindow();
  spl::JoinState.Accuracy = accuracy;
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  tsxhost::SetSelection(first);
  spl::PickObject(nullptr, spl::Slot::First);
  tsxhost::SetSelection(second);
  spl::PickObject(nullptr, spl::Slot::Second);
  spl::JoinProgress progress;
  spl::JoinPickedObjects(progress);
  for (tsxSOBJ obj : tsxhost::SceneObjects()) {
    if (std::find(before.begin(), before.end(), obj) == before.end()) return obj;
  }
  return 0;
}

class JoinReportInHost : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    LoadTwoBoxes();
    document.Refresh();
  }
  void TearDown() override { tsxhost::ResetScene(); }

  SceneDocument document{nullptr};
  SceneView view;
  QStatusBar bar;
  JoinReportPresenter presenter{&document, nullptr, &view, &bar};
};

TEST_F(JoinReportInHost, ReadsTheJoinOffItsResultAsTheEngineMadeIt) {
  const tsxSOBJ left = tsxhost::FindObject("Left"), right = tsxhost::FindObject("Right");
  // Another box like Right, elsewhere: same counts, but not the one joined.
  tsxhost::LoadObjText("o Decoy\nv 5 0 0\nv 6 0 0\nv 5 1 0\nv 6 1 0\nv 5 0 1\nv 6 0 1\nv 5 1 1\nv 6 1 1\n"
                       "f 1 5 7 3\nf 2 4 8 6\nf 1 2 6 5\nf 3 7 8 4\nf 1 3 4 2\nf 5 6 8 7\n",
                       "decoy.obj");
  const tsxSOBJ result = JoinAsThePlugin(left, right);
  ASSERT_NE(result, 0u);
  const std::optional<RecognizedJoin> join = RecognizeJoin(result);
  ASSERT_TRUE(join);
  EXPECT_EQ(join->first, left);
  EXPECT_EQ(join->second, right);
  EXPECT_EQ(join->faces.faceA, spl::JoinState.JunctionFaceA);
  EXPECT_EQ(join->faces.faceB, spl::JoinState.JunctionFaceB);
  EXPECT_EQ(join->faces.cornerB, spl::JoinState.JunctionCornerB);
  EXPECT_FALSE(RecognizeJoin(left));  // not made by a copy
}

TEST_F(JoinReportInHost, OutlinesTheJunctionAndSumsItUpUntilTheResultGoes) {
  const tsxSOBJ result = JoinAsThePlugin(tsxhost::FindObject("Left"), tsxhost::FindObject("Right"));
  ASSERT_NE(result, 0u);
  document.Refresh();
  EXPECT_EQ(presenter.Text().toStdString(),
            "joined Left and Right at faces 5 and 4 (4 corners, largest gap 0): 12 vertices, 10 faces");
  ASSERT_EQ(view.Outline().size(), 4u);
  for (const spl::OutlineSegment& s : view.Outline()) {
    EXPECT_EQ(s.from.x, 1.0f);  // the junction lies on x = 1
    EXPECT_EQ(s.to.x, 1.0f);
  }
  // Drawn over the picture in the outline's colour.
  view.SetDocument(&document);
  view.resize(240, 180);
  view.FrameAll();
  auto outlinePixels = [this] {
    const QImage picture = view.grab().toImage();
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) count += QColor(picture.pixel(x, y)) == kOutlineColour;
    return count;
  };
  EXPECT_GT(outlinePixels(), 50);

  tsxSobjDelete(result);
  document.Refresh();
  EXPECT_EQ(outlinePixels(), 0);
  EXPECT_TRUE(presenter.Text().isEmpty());
  EXPECT_TRUE(view.Outline().empty());
}

TEST_F(JoinReportInHost, WarnsOfAnIncompleteSeam) {
  tsxhost::ResetScene();
  tsxhost::LoadObjText("o A\nv 0 0 0\nv 0 1 0\nv 0 1 1\nv 0 0 1\nv -1 0 0\nf 1 2 3\nf 1 3 4\nf 5 2 1\n"
                       "o B\nv 0 0 0\nv 0 1 0\nv 0 1 1\nv 0 0 1\nv 1 0 0\nf 6 8 7\nf 6 9 8\nf 10 6 7\n",
                       "caps.obj");
  document.Refresh();
  ASSERT_NE(JoinAsThePlugin(tsxhost::FindObject("A"), tsxhost::FindObject("B")), 0u);
  document.Refresh();
  EXPECT_TRUE(presenter.Text().endsWith(
      "7 vertices, 4 faces. Warning: the seam is incomplete: 1 more face pair touches, 1 vertex pair coincides "
      "unwelded; Seam join joins the whole seam"))
      << presenter.Text().toStdString();
  EXPECT_EQ(view.Outline().size(), 3u);
}

TEST_F(JoinReportInHost, SeamJoinCommandJoinsAndReportsTheSeam) {
  const tsxSOBJ left = tsxhost::FindObject("Left"), right = tsxhost::FindObject("Right");
  ASSERT_TRUE(SeamJoinObjects(nullptr, &document, &presenter, left, right, 0.01));
  EXPECT_EQ(presenter.Text().toStdString(),
            "joined Left and Right along a seam (1 and 1 face dropped, 4 vertices welded): 12 vertices, 10 faces");
  EXPECT_EQ(view.Outline().size(), 4u);
  EXPECT_EQ(document.Objects().size(), 3u);
  EXPECT_EQ(document.Selection(), 0u);
}

}  // namespace

namespace {

TEST_F(JoinReportInHost, ReadsThePluginsJoinAtTheHostsOwnAccuracy) {
  // Two caps on x = 0; B's last corner 0.004 off A's, so that its second
  // face pair touches at 0.01 and not at 0.002.
  tsxhost::ResetScene();
  tsxhost::LoadObjText("o A\nv 0 0 0\nv 0 1 0\nv 0 1 1\nv 0 0 1\nv -1 0 0\nf 1 2 3\nf 1 3 4\nf 5 2 1\n"
                       "o B\nv 0 0 0\nv 0 1 0\nv 0 1 1\nv 0.004 0 1\nv 1 0 0\nf 6 8 7\nf 6 9 8\nf 10 6 7\n",
                       "caps.obj");
  document.Refresh();
  double accuracy = 0.002;  // the host's setting; the plug-in joins at 0.01, its window not read
  QStatusBar hostBar;
  JoinReportPresenter atHost{&document, &accuracy, &view, &hostBar};
  ASSERT_NE(JoinAsThePlugin(tsxhost::FindObject("A"), tsxhost::FindObject("B"), 0.01), 0u);
  document.Refresh();
  EXPECT_TRUE(presenter.Text().contains("Warning: the seam is incomplete")) << presenter.Text().toStdString();
  EXPECT_TRUE(atHost.Text().startsWith("joined A and B at faces")) << atHost.Text().toStdString();
  EXPECT_FALSE(atHost.Text().contains("Warning")) << atHost.Text().toStdString();
}

TEST_F(JoinReportInHost, ThePluginsResultIsNamedAsSplicerNamesIt) {
  document.SetAddedByPlugin(NameJoinResult);
  const tsxSOBJ left = tsxhost::FindObject("Left"), right = tsxhost::FindObject("Right");
  const tsxSOBJ result = JoinAsThePlugin(right, left);
  ASSERT_NE(result, 0u);
  document.Refresh();
  EXPECT_EQ(tsxhost::ObjectName(result), "Right+Left");
  EXPECT_EQ(document.History()->undoText(), "Add Right+Left");
}

}  // namespace

}  // namespace hostapp
