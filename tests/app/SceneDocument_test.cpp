// The program's view of the scene: opening files, and noticing objects
// that others (the plug-in) added or removed.
#include "apps/tsxhost/SceneDocument.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "tests/app/AppTestSupport.h"

namespace hostapp {

namespace {
class SceneDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { tsxhost::ResetScene(); }
  void TearDown() override { tsxhost::ResetScene(); }
  SceneDocument document{nullptr};
};
}  // namespace

TEST_F(SceneDocumentTest, OpensAFileOrSaysWhyNot) {
  QString error;
  EXPECT_FALSE(document.Open(APP_TEST_DATA "/missing.obj", &error));
  EXPECT_TRUE(error.contains("missing.obj")) << error.toStdString();
  EXPECT_TRUE(document.Objects().empty());
  ASSERT_TRUE(document.Open(APP_TEST_DATA "/boxes.obj", &error));
  EXPECT_EQ(document.Objects().size(), 2u);
  EXPECT_EQ(document.Geometry().triangles.size(), 24u);
}

TEST_F(SceneDocumentTest, RefreshNoticesObjectsAddedAndRemovedElsewhere) {
  QString error;
  ASSERT_TRUE(document.Open(APP_TEST_DATA "/boxes.obj", &error));
  const tsxSOBJ left = tsxhost::FindObject("Left");
  document.Select(left);
  QSignalSpy changed(&document, &SceneDocument::SceneChanged);
  QSignalSpy selection(&document, &SceneDocument::SelectionChanged);
  document.Refresh();  // nothing new
  EXPECT_EQ(changed.count(), 0);

  tsxhost::LoadObj(APP_TEST_DATA "/single.obj");
  tsxSobjDelete(left);
  document.Refresh();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(document.Objects().size(), 2u);
  EXPECT_EQ(document.Selection(), 0u);
  EXPECT_EQ(selection.count(), 1);
}

TEST_F(SceneDocumentTest, SelectsOnlyObjectsOfTheScene) {
  LoadTwoBoxes();
  document.Refresh();
  document.Select(12345);
  EXPECT_EQ(document.Selection(), 0u);
  EXPECT_EQ(tsxGetCurrentSelection(), 0u);
}

TEST_F(SceneDocumentTest, SavesTheSceneOrOneObject) {
  QTemporaryDir dir;
  QString error;
  ASSERT_TRUE(document.Open(APP_TEST_DATA "/boxes.obj", &error));
  const QString scene = dir.filePath("scene.obj"), one = dir.filePath("right.obj");
  ASSERT_TRUE(document.Save(scene, document.Objects(), &error)) << error.toStdString();
  ASSERT_TRUE(document.Save(one, {tsxhost::FindObject("Right")}, &error));
  EXPECT_FALSE(document.Save(dir.filePath("no/such/dir.obj"), document.Objects(), &error));
  EXPECT_FALSE(error.isEmpty());
  tsxhost::ResetScene();
  document.Refresh();
  ASSERT_TRUE(document.Open(one, &error)) << error.toStdString();
  ASSERT_EQ(document.Objects().size(), 1u);
  EXPECT_EQ(tsxhost::ObjectName(document.Objects()[0]), "Right");
  tsxhost::ResetScene();
  document.Refresh();
  ASSERT_TRUE(document.Open(scene, &error));
  EXPECT_EQ(document.Objects().size(), 2u);
}

TEST_F(SceneDocumentTest, SavedPlacementReadsBackWhereItWasAndKnowsItsInputs) {
  QTemporaryDir dir;
  QString error;
  const QString opened = dir.filePath("boxes.obj");
  ASSERT_TRUE(QFile::copy(APP_TEST_DATA "/boxes.obj", opened));
  ASSERT_TRUE(document.Open(opened, &error)) << error.toStdString();
  EXPECT_TRUE(document.OpenedFrom(opened));
  EXPECT_FALSE(document.OpenedFrom(dir.filePath("other.obj")));
  const tsxSOBJ left = tsxhost::FindObject("Left");
  tsxhost::Mesh before;
  ASSERT_TRUE(tsxhost::ReadMesh(left, &before));
  PlacementEdit move;
  move.move = {0, 0, 10};
  document.Place(left, move);
  const QString saved = dir.filePath("placed.obj");
  ASSERT_TRUE(document.Save(saved, {left}, &error)) << error.toStdString();
  tsxhost::ResetScene();
  ASSERT_TRUE(tsxhost::LoadObj(saved.toStdString()).ok);
  tsxhost::Mesh after;
  ASSERT_TRUE(tsxhost::ReadMesh(tsxhost::FindObject("Left"), &after));
  ASSERT_EQ(after.vertices.size(), before.vertices.size());
  for (size_t i = 0; i < after.vertices.size(); ++i) {
    EXPECT_EQ(after.vertices[i].x, before.vertices[i].x);
    EXPECT_EQ(after.vertices[i].z, before.vertices[i].z + 10);
  }
}

TEST_F(SceneDocumentTest, OpensAndSavesOtherFormatsSayingWhatTheyCannotHold) {
  QTemporaryDir dir;
  QString error;
  ASSERT_TRUE(document.Open(APP_TEST_DATA "/boxes.obj", &error));
  QStringList lost;
  const QString stl = dir.filePath("boxes.stl");
  ASSERT_TRUE(document.Save(stl, document.Objects(), &error, &lost)) << error.toStdString();
  EXPECT_TRUE(lost.contains("STL holds one object: the objects are written as one")) << lost.join("; ").toStdString();
  EXPECT_FALSE(document.Save(dir.filePath("boxes.fbx"), document.Objects(), &error));
  EXPECT_TRUE(error.contains("unknown file type")) << error.toStdString();
  tsxhost::ResetScene();
  document.Refresh();
  ASSERT_TRUE(document.Open(stl, &error)) << error.toStdString();
  ASSERT_EQ(document.Objects().size(), 1u);
  EXPECT_EQ(tsxhost::ObjectName(document.Objects()[0]), "boxes");
  EXPECT_EQ(document.Geometry().triangles.size(), 24u);
}

}  // namespace hostapp
