// The program's view of the scene: opening files, and noticing objects
// that others (the plug-in) added or removed.
#include "apps/tsxhost/SceneDocument.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "tests/app/AppTestSupport.h"

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
  EXPECT_FALSE(document.open(APP_TEST_DATA "/missing.obj", &error));
  EXPECT_TRUE(error.contains("missing.obj")) << error.toStdString();
  EXPECT_TRUE(document.objects().empty());
  ASSERT_TRUE(document.open(APP_TEST_DATA "/boxes.obj", &error));
  EXPECT_EQ(document.objects().size(), 2u);
  EXPECT_EQ(document.geometry().triangles.size(), 24u);
}

TEST_F(SceneDocumentTest, RefreshNoticesObjectsAddedAndRemovedElsewhere) {
  QString error;
  ASSERT_TRUE(document.open(APP_TEST_DATA "/boxes.obj", &error));
  const tsxSOBJ left = tsxhost::FindObject("Left");
  document.select(left);
  QSignalSpy changed(&document, &SceneDocument::sceneChanged);
  QSignalSpy selection(&document, &SceneDocument::selectionChanged);
  document.refresh();  // nothing new
  EXPECT_EQ(changed.count(), 0);

  tsxhost::LoadObj(APP_TEST_DATA "/single.obj");
  tsxSobjDelete(left);
  document.refresh();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(document.objects().size(), 2u);
  EXPECT_EQ(document.selection(), 0u);
  EXPECT_EQ(selection.count(), 1);
}

TEST_F(SceneDocumentTest, SelectsOnlyObjectsOfTheScene) {
  LoadTwoBoxes();
  document.refresh();
  document.select(12345);
  EXPECT_EQ(document.selection(), 0u);
  EXPECT_EQ(tsxGetCurrentSelection(), 0u);
}

TEST_F(SceneDocumentTest, SavesTheSceneOrOneObject) {
  QTemporaryDir dir;
  QString error;
  ASSERT_TRUE(document.open(APP_TEST_DATA "/boxes.obj", &error));
  const QString scene = dir.filePath("scene.obj"), one = dir.filePath("right.obj");
  ASSERT_TRUE(document.save(scene, document.objects(), &error)) << error.toStdString();
  ASSERT_TRUE(document.save(one, {tsxhost::FindObject("Right")}, &error));
  EXPECT_FALSE(document.save(dir.filePath("no/such/dir.obj"), document.objects(), &error));
  EXPECT_FALSE(error.isEmpty());
  tsxhost::ResetScene();
  document.refresh();
  ASSERT_TRUE(document.open(one, &error)) << error.toStdString();
  ASSERT_EQ(document.objects().size(), 1u);
  EXPECT_EQ(tsxhost::ObjectName(document.objects()[0]), "Right");
  tsxhost::ResetScene();
  document.refresh();
  ASSERT_TRUE(document.open(scene, &error));
  EXPECT_EQ(document.objects().size(), 2u);
}

TEST_F(SceneDocumentTest, SavedPlacementReadsBackWhereItWasAndKnowsItsInputs) {
  QTemporaryDir dir;
  QString error;
  const QString opened = dir.filePath("boxes.obj");
  ASSERT_TRUE(QFile::copy(APP_TEST_DATA "/boxes.obj", opened));
  ASSERT_TRUE(document.open(opened, &error)) << error.toStdString();
  EXPECT_TRUE(document.openedFrom(opened));
  EXPECT_FALSE(document.openedFrom(dir.filePath("other.obj")));
  const tsxSOBJ left = tsxhost::FindObject("Left");
  tsxhost::Mesh before;
  ASSERT_TRUE(tsxhost::ReadMesh(left, &before));
  PlacementEdit move;
  move.move = {0, 0, 10};
  document.place(left, move);
  const QString saved = dir.filePath("placed.obj");
  ASSERT_TRUE(document.save(saved, {left}, &error)) << error.toStdString();
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
  ASSERT_TRUE(document.open(APP_TEST_DATA "/boxes.obj", &error));
  QStringList lost;
  const QString stl = dir.filePath("boxes.stl");
  ASSERT_TRUE(document.save(stl, document.objects(), &error, &lost)) << error.toStdString();
  EXPECT_TRUE(lost.contains("STL holds one object: the objects are written as one")) << lost.join("; ").toStdString();
  EXPECT_FALSE(document.save(dir.filePath("boxes.fbx"), document.objects(), &error));
  EXPECT_TRUE(error.contains("unknown file type")) << error.toStdString();
  tsxhost::ResetScene();
  document.refresh();
  ASSERT_TRUE(document.open(stl, &error)) << error.toStdString();
  ASSERT_EQ(document.objects().size(), 1u);
  EXPECT_EQ(tsxhost::ObjectName(document.objects()[0]), "boxes");
  EXPECT_EQ(document.geometry().triangles.size(), 24u);
}
