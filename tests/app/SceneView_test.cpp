// The 3D view's mouse and keys: drags orbit and pan, the wheel zooms, a
// click picks, F frames everything.
#include "apps/tsxhost/SceneView.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <memory>

#include "apps/tsxhost/SceneDocument.h"
#include "tests/app/AppTestSupport.h"

namespace hostapp {

namespace {

class SceneViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    LoadTwoBoxes();
    document.Refresh();
    view.SetDocument(&document);
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QApplication::processEvents();
  }
  void TearDown() override { tsxhost::ResetScene(); }

  void Drag(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint from, QPoint to) {
    QTest::mousePress(&view, button, mods, from);
    for (const QPoint& at : {(from + to) / 2, to}) {
      QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, button, mods);
      QApplication::sendEvent(&view, &move);
    }
    QTest::mouseRelease(&view, button, mods, to);
  }

  SceneDocument document{nullptr};
  SceneView view;
};

}  // namespace

TEST_F(SceneViewTest, DragsTurnOrSlideTheCameraWithoutPicking) {
  QSignalSpy picked(&view, &SceneView::Picked);
  const Camera start = view.ViewCamera();
  Drag(Qt::LeftButton, {}, {200, 150}, {260, 170});
  EXPECT_NE(view.ViewCamera().yaw, start.yaw);
  EXPECT_NE(view.ViewCamera().pitch, start.pitch);
  EXPECT_EQ(view.ViewCamera().target.x, start.target.x);

  const Camera turned = view.ViewCamera();
  Drag(Qt::MiddleButton, {}, {200, 150}, {240, 150});
  EXPECT_EQ(view.ViewCamera().yaw, turned.yaw);
  EXPECT_NE(view.ViewCamera().target.x, turned.target.x);
  Drag(Qt::LeftButton, Qt::ShiftModifier, {200, 150}, {200, 190});
  EXPECT_NE(view.ViewCamera().target.y, turned.target.y);
  EXPECT_EQ(picked.count(), 0);
}

TEST_F(SceneViewTest, TheWheelZoomsAndFFramesAll) {
  const float framed = view.ViewCamera().distance;
  QWheelEvent wheel(QPointF(200, 150), view.mapToGlobal(QPointF(200, 150)), {}, {0, 240},
                    Qt::NoButton, {}, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&view, &wheel);
  EXPECT_LT(view.ViewCamera().distance, framed);
  QTest::keyClick(&view, Qt::Key_F);
  QApplication::processEvents();
  view.repaint();
  EXPECT_FLOAT_EQ(view.ViewCamera().distance, framed);
}

TEST_F(SceneViewTest, AClickPicksWhatIsUnderIt) {
  QSignalSpy picked(&view, &SceneView::Picked);
  QTest::mouseClick(&view, Qt::LeftButton, {}, {200, 150});
  ASSERT_EQ(picked.count(), 1);
  EXPECT_NE(picked.at(0).at(0).toUInt(), 0u);
  QTest::mouseClick(&view, Qt::LeftButton, {}, {1, 1});
  ASSERT_EQ(picked.count(), 2);
  EXPECT_EQ(picked.at(1).at(0).toUInt(), 0u);
}

TEST_F(SceneViewTest, EShowsAndHidesTheEdgesAndZUpIsNotCarriedToTheNextStart) {
  QSignalSpy toggled(&view, &SceneView::EdgesShownChanged);
  ASSERT_TRUE(view.EdgesShown());
  QTest::keyClick(&view, Qt::Key_E);
  EXPECT_FALSE(view.EdgesShown());
  QTest::keyClick(&view, Qt::Key_E);
  EXPECT_TRUE(view.EdgesShown());
  EXPECT_EQ(toggled.count(), 2);

  EXPECT_FALSE(view.ZUp());
  view.SetZUp(true);
  EXPECT_TRUE(view.ZUp());
  EXPECT_FALSE(SceneView().ZUp());  // a new view, as at the next start
}

TEST_F(SceneViewTest, FrameSelectedAimsAtTheObject) {
  const tsxSOBJ right = tsxhost::FindObject("Right");
  view.FrameObjects({right});
  QApplication::processEvents();
  view.repaint();
  EXPECT_NEAR(view.ViewCamera().target.x, 1.5f, 1e-5);
  EXPECT_EQ(view.ObjectAt({200, 150}), right);
  const Camera before = view.ViewCamera();
  view.FrameObjects({12345});  // not drawn: the view stays
  view.repaint();
  EXPECT_EQ(view.ViewCamera().target.x, before.target.x);
  EXPECT_EQ(view.ViewCamera().distance, before.distance);
}

// Pictures of a big scene (here: any scene) are drawn on a thread of their
// own: asking for one returns before it is there, and of two asked for in
// a row only the second is ever shown.
TEST_F(SceneViewTest, ABigPictureComesLaterAndOnlyTheLastOneAskedForIsShown) {
  view.SetRenderLimits({0, 1000000, 1000000});
  QSignalSpy shown(&view, &SceneView::FrameShown);
  const tsxSOBJ left = tsxhost::FindObject("Left"), right = tsxhost::FindObject("Right");
  view.FrameObjects({left});
  view.repaint();
  view.FrameObjects({right});
  view.repaint();
  EXPECT_EQ(shown.count(), 0);  // the window's thread did not wait for either
  QTRY_VERIFY_WITH_TIMEOUT(shown.count() > 0, 60000);
  QApplication::processEvents();
  ASSERT_EQ(shown.count(), 1);
  EXPECT_TRUE(shown.at(0).at(0).toBool());
  EXPECT_EQ(view.ObjectAt({200, 150}), right);
}

// Above the draft limit a coarse picture comes first, then the full one;
// picking works on either.
TEST_F(SceneViewTest, ABigSceneShowsADraftFirst) {
  view.SetRenderLimits({0, 0, 4});
  QSignalSpy shown(&view, &SceneView::FrameShown);
  view.FrameObjects({tsxhost::FindObject("Right")});
  view.repaint();
  QTRY_VERIFY_WITH_TIMEOUT(shown.count() > 0 && shown.last().at(0).toBool(), 60000);
  ASSERT_EQ(shown.count(), 2);
  EXPECT_FALSE(shown.at(0).at(0).toBool());
  EXPECT_EQ(view.ObjectAt({200, 150}), tsxhost::FindObject("Right"));
}

// Closing a view while its picture is drawn stops and waits for the
// drawing; the picture that was coming goes nowhere.
TEST_F(SceneViewTest, ClosingAViewWhileItDrawsIsSafe) {
  auto other = std::make_unique<SceneView>();
  other->SetDocument(&document);
  other->SetRenderLimits({0, 0, 4});
  other->resize(300, 200);
  other->show();
  other->repaint();
  other.reset();
  QApplication::processEvents();
  SUCCEED();
}

}  // namespace hostapp
