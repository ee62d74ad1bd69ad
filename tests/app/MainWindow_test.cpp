// The host's main view: object list, picking in the view, Delete, the
// placement panel, and the plug-in's tool button.
#include "apps/tsxhost/MainWindow.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "apps/tsxhost/PluginModule.h"
#include "apps/tsxhost/SceneDocument.h"
#include "apps/tsxhost/SceneView.h"
#include "apps/tsxhost/TransformMath.h"
#include "tests/app/AppTestSupport.h"

namespace hostapp {

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    LoadTwoBoxes();
    document.Refresh();
  }
  void TearDown() override { tsxhost::ResetScene(); }

  tsxSOBJ left() const { return tsxhost::FindObject("Left"); }
  tsxSOBJ right() const { return tsxhost::FindObject("Right"); }

  PluginModule module;
  SceneDocument document{&module};
};

QStringList Names(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// A view position that shows `obj`, searched on a coarse grid.
QPoint FindObjectIn(const SceneView* view, tsxSOBJ obj) {
  for (int y = 4; y < view->height(); y += 8)
    for (int x = 4; x < view->width(); x += 8)
      if (view->ObjectAt({x, y}) == obj) return {x, y};
  return {-1, -1};
}

}  // namespace

TEST_F(MainWindowTest, ListsTheSceneAndSelectsFromTheList) {
  MainWindow window(&module, &document);
  ASSERT_EQ(Names(window.ObjectList()), QStringList({"Left", "Right"}));
  window.ObjectList()->item(1)->setSelected(true);
  EXPECT_EQ(tsxGetCurrentSelection(), right());
  window.ObjectList()->clearSelection();
  EXPECT_EQ(tsxGetCurrentSelection(), 0u);
}

TEST_F(MainWindowTest, AClickInTheViewPicksTheObjectUnderIt) {
  MainWindow window(&module, &document);
  window.resize(900, 600);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QApplication::processEvents();
  SceneView* view = window.View();
  const QPoint onRight = FindObjectIn(view, right());
  ASSERT_GE(onRight.x(), 0);
  QTest::mouseClick(view, Qt::LeftButton, {}, onRight);
  EXPECT_EQ(tsxGetCurrentSelection(), right());
  EXPECT_TRUE(window.ObjectList()->item(1)->isSelected());
  QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 2));  // background
  EXPECT_EQ(tsxGetCurrentSelection(), 0u);
}

TEST_F(MainWindowTest, CtrlClicksAndSelectAllChooseSeveralObjects) {
  MainWindow window(&module, &document);
  window.resize(900, 600);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QApplication::processEvents();
  SceneView* view = window.View();
  const QPoint onLeft = FindObjectIn(view, left()), onRight = FindObjectIn(view, right());
  ASSERT_GE(onLeft.x(), 0);
  QTest::mouseClick(view, Qt::LeftButton, {}, onRight);
  QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, onLeft);
  EXPECT_EQ(document.SelectedObjects(), (std::vector<tsxSOBJ>{right(), left()}));
  EXPECT_EQ(tsxGetCurrentSelection(), left());
  EXPECT_TRUE(window.ObjectList()->item(0)->isSelected());
  EXPECT_TRUE(window.ObjectList()->item(1)->isSelected());
  QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, onRight);  // out again
  EXPECT_EQ(document.SelectedObjects(), std::vector<tsxSOBJ>{left()});
  EXPECT_FALSE(window.ObjectList()->item(1)->isSelected());
  window.findChild<QAction*>("actionSelectAll")->trigger();
  EXPECT_EQ(document.SelectedObjects(), (std::vector<tsxSOBJ>{left(), right()}));
  ASSERT_NE(window.findChild<QAction*>("actionJoin"), nullptr);
}

TEST_F(MainWindowTest, DeleteRemovesTheSelectedObject) {
  MainWindow window(&module, &document);
  document.Select(left());
  const tsxSOBJ gone = left();
  window.DeleteSelected();
  EXPECT_FALSE(tsxhost::IsAlive(gone));
  EXPECT_EQ(Names(window.ObjectList()), QStringList({"Right"}));
  EXPECT_EQ(tsxGetCurrentSelection(), 0u);
  window.DeleteSelected();  // nothing selected: nothing happens
  EXPECT_EQ(tsxhost::SceneObjects().size(), 1u);
}

TEST_F(MainWindowTest, ThePanelPlacesTheSelectedObjectAboutItsAxes) {
  // Left's axes sit at the centre of its box, (0.5, 0.5, 0.5); its corner
  // (1, 0, 0) goes where each edit sends it.
  struct Case {
    const char* what;
    PlacementEdit edit;
    CtsxVector3f corner;
  } cases[] = {
      {"move", {{1, 2, 3}, {0, 0, 0}, 1}, {2, 2, 3}},
      {"scale", {{0, 0, 0}, {0, 0, 0}, 2}, {1.5f, -0.5f, -0.5f}},
      {"turn", {{0, 0, 0}, {0, 0, 90}, 1}, {1, 1, 0}},
  };
  MainWindow window(&module, &document);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tsxhost::ResetScene();
    LoadTwoBoxes();
    document.Refresh();
    document.Select(left());
    window.PlaceSelected(c.edit);
    const CtsxVector3f p = Apply(tsxhost::GetTransform(left()), {1, 0, 0});
    EXPECT_NEAR(p.x, c.corner.x, 1e-5);
    EXPECT_NEAR(p.y, c.corner.y, 1e-5);
    EXPECT_NEAR(p.z, c.corner.z, 1e-5);
    // The source vertices stay; only the transform changes.
    tsxhost::Mesh mesh;
    ASSERT_TRUE(tsxhost::ReadMesh(left(), &mesh));
    EXPECT_EQ(mesh.vertices[1].x, 1.0f);
  }
}

TEST_F(MainWindowTest, ThePluginToolCallsTheEntryPoints) {
  FakeModuleLog log;
  ASSERT_TRUE(module.Load(FAKE_MODULE_PATH));
  MainWindow window(&module, &document);
  QToolButton* button = window.PluginButton();
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->toolTip(), "FAKE");  // the fake carries no string 1
  EXPECT_EQ(button->statusTip(), "FAKE by Tests");
  window.show();
  QTest::mouseClick(button, Qt::LeftButton);
  window.SelectTool()->trigger();
  window.SelectTool()->trigger();  // already the select tool: no second deactivate
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(4, 4), QPoint(4, 4));
  QApplication::sendEvent(button, &rightClick);
  EXPECT_EQ(log.lines(), QStringList({"load", "getdata", "left", "deactivate", "right"}));
  module.Unload();
}

TEST_F(MainWindowTest, HasNoPluginToolWithoutAModule) {
  MainWindow window(&module, &document);
  EXPECT_EQ(window.PluginButton(), nullptr);
}

}  // namespace hostapp
