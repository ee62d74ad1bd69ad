// The 3D view's mouse and keys: drags orbit and pan, the wheel zooms, a
// click picks, F frames everything.
#include "apps/tsxhost/SceneView.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "apps/tsxhost/SceneDocument.h"
#include "tests/app/AppTestSupport.h"

namespace {

class SceneViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    LoadTwoBoxes();
    document.refresh();
    view.setDocument(&document);
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
  QSignalSpy picked(&view, &SceneView::picked);
  const Camera start = view.camera();
  Drag(Qt::LeftButton, {}, {200, 150}, {260, 170});
  EXPECT_NE(view.camera().yaw, start.yaw);
  EXPECT_NE(view.camera().pitch, start.pitch);
  EXPECT_EQ(view.camera().target.x, start.target.x);

  const Camera turned = view.camera();
  Drag(Qt::MiddleButton, {}, {200, 150}, {240, 150});
  EXPECT_EQ(view.camera().yaw, turned.yaw);
  EXPECT_NE(view.camera().target.x, turned.target.x);
  Drag(Qt::LeftButton, Qt::ShiftModifier, {200, 150}, {200, 190});
  EXPECT_NE(view.camera().target.y, turned.target.y);
  EXPECT_EQ(picked.count(), 0);
}

TEST_F(SceneViewTest, TheWheelZoomsAndFFramesAll) {
  const float framed = view.camera().distance;
  QWheelEvent wheel(QPointF(200, 150), view.mapToGlobal(QPointF(200, 150)), {}, {0, 240},
                    Qt::NoButton, {}, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&view, &wheel);
  EXPECT_LT(view.camera().distance, framed);
  QTest::keyClick(&view, Qt::Key_F);
  QApplication::processEvents();
  view.repaint();
  EXPECT_FLOAT_EQ(view.camera().distance, framed);
}

TEST_F(SceneViewTest, AClickPicksWhatIsUnderIt) {
  QSignalSpy picked(&view, &SceneView::picked);
  QTest::mouseClick(&view, Qt::LeftButton, {}, {200, 150});
  ASSERT_EQ(picked.count(), 1);
  EXPECT_NE(picked.at(0).at(0).toUInt(), 0u);
  QTest::mouseClick(&view, Qt::LeftButton, {}, {1, 1});
  ASSERT_EQ(picked.count(), 2);
  EXPECT_EQ(picked.at(1).at(0).toUInt(), 0u);
}

TEST_F(SceneViewTest, EShowsAndHidesTheEdgesAndZUpIsNotCarriedToTheNextStart) {
  QSignalSpy toggled(&view, &SceneView::edgesShownChanged);
  ASSERT_TRUE(view.edgesShown());
  QTest::keyClick(&view, Qt::Key_E);
  EXPECT_FALSE(view.edgesShown());
  QTest::keyClick(&view, Qt::Key_E);
  EXPECT_TRUE(view.edgesShown());
  EXPECT_EQ(toggled.count(), 2);

  EXPECT_FALSE(view.zUp());
  view.setZUp(true);
  EXPECT_TRUE(view.zUp());
  EXPECT_FALSE(SceneView().zUp());  // a new view, as at the next start
}

TEST_F(SceneViewTest, FrameSelectedAimsAtTheObject) {
  const tsxSOBJ right = tsxhost::FindObject("Right");
  view.frameObjects({right});
  QApplication::processEvents();
  view.repaint();
  EXPECT_NEAR(view.camera().target.x, 1.5f, 1e-5);
  EXPECT_EQ(view.objectAt({200, 150}), right);
  const Camera before = view.camera();
  view.frameObjects({12345});  // not drawn: the view stays
  view.repaint();
  EXPECT_EQ(view.camera().target.x, before.target.x);
  EXPECT_EQ(view.camera().distance, before.distance);
}
