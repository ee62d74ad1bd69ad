// Undo and redo of the host's scene edits: after undo the scene's objects
// and their arrays are as before the edit, after redo as after it.
#include <gtest/gtest.h>

#include <QUndoStack>

#include "apps/tsxhost/SceneDocument.h"
#include "tests/app/AppTestSupport.h"

namespace hostapp {

namespace {

// Everything of an object that an edit could change, as bytes.
std::string ObjectBytes(tsxSOBJ obj) {
  std::string out = tsxhost::ObjectName(obj) + '\0';
  auto append = [&out](const void* data, size_t size) {
    out.append(static_cast<const char*>(data), size);
  };
  const int32_t nv = tsxPolyhGetNbrVxs(obj), nuv = tsxPolyhGetNbrUV(obj);
  if (const CtsxVector3f* v = tsxPolyhGetVxArray(obj)) append(v, sizeof(*v) * size_t(nv));
  if (const CtsxUV* uv = tsxPolyhGetUVArray(obj)) append(uv, sizeof(*uv) * size_t(nuv));
  tsxhost::Mesh mesh;
  if (tsxhost::ReadMesh(obj, &mesh)) {
    for (const tsxhost::Face& f : mesh.faces) {
      append(f.corners.data(), sizeof(tsxhost::Corner) * f.corners.size());
      append(&f.material, sizeof f.material);
    }
  }
  const CtsxTxmx3f m = tsxhost::GetTransform(obj);
  append(&m, sizeof m);
  CtsxVector3f axes{};
  tsxGNodeGetAxesPosition(obj, &axes);
  append(&axes, sizeof axes);
  return out;
}

// The scene as handles with their bytes, in scene order.
std::vector<std::pair<tsxSOBJ, std::string>> SceneBytes() {
  std::vector<std::pair<tsxSOBJ, std::string>> out;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) out.emplace_back(obj, ObjectBytes(obj));
  return out;
}

class SceneHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    QString error;
    ASSERT_TRUE(document.Open(APP_TEST_DATA "/boxes.obj", &error)) << error.toStdString();
    document.History()->clear();
    document.MarkSaved(QString());
  }
  void TearDown() override {
    document.History()->clear();
    tsxhost::ResetScene();
  }
  // Undoes the last step and redoes it, checking the scene both ways.
  void ExpectUndoRedo(const std::vector<std::pair<tsxSOBJ, std::string>>& before) {
    const auto after = SceneBytes();
    ASSERT_NE(before, after);
    document.Undo();
    EXPECT_EQ(SceneBytes(), before);
    EXPECT_EQ(document.Objects(), tsxhost::SceneObjects());
    document.Redo();
    EXPECT_EQ(SceneBytes(), after);
    EXPECT_EQ(document.Objects(), tsxhost::SceneObjects());
  }

  SceneDocument document{nullptr};
};

TEST_F(SceneHistoryTest, OpenAddsObjectsAsOneStep) {
  const auto before = SceneBytes();
  QString error;
  ASSERT_TRUE(document.Open(APP_TEST_DATA "/single.obj", &error)) << error.toStdString();
  EXPECT_EQ(document.History()->count(), 1);
  EXPECT_TRUE(document.IsModified());
  ExpectUndoRedo(before);
}

TEST_F(SceneHistoryTest, DeleteIsUndoneWithTheSameHandleInItsPlace) {
  const tsxSOBJ left = tsxhost::FindObject("Left");
  document.Select(left);
  const auto before = SceneBytes();
  document.Remove(left);
  EXPECT_FALSE(tsxhost::IsAlive(left));  // dead to a plug-in meanwhile
  EXPECT_EQ(document.Selection(), 0u);
  ExpectUndoRedo(before);
  document.Undo();
  EXPECT_EQ(tsxhost::SceneObjects().front(), left);
}

TEST_F(SceneHistoryTest, PlacementIsUndone) {
  const tsxSOBJ right = tsxhost::FindObject("Right");
  const auto before = SceneBytes();
  PlacementEdit edit;
  edit.move = {1, 2, 3};
  edit.turn = {0, 0, 90};
  document.Place(right, edit);
  ExpectUndoRedo(before);
}

TEST_F(SceneHistoryTest, AnObjectAddedByThePlugInIsUndoneAndComesBackIdentical) {
  const auto before = SceneBytes();
  // What a join does: a copy of an object, changed and added to the scene.
  tsxGNODE copy = 0;
  ASSERT_EQ(tsxGNodeCopy(tsxhost::FindObject("Left"), &copy), e_tsxOK);
  ASSERT_EQ(tsxSceneAddObject(copy, 0), e_tsxOK);
  const CtsxVector3f* arrays = tsxPolyhGetVxArray(copy);
  document.Refresh();
  EXPECT_EQ(document.History()->count(), 1);
  EXPECT_EQ(document.History()->undoText(), "Add Left.1");
  ExpectUndoRedo(before);
  EXPECT_EQ(tsxPolyhGetVxArray(copy), arrays);  // the very same object
}

TEST_F(SceneHistoryTest, OpenReplacingStartsAFreshHistoryAndKeepsTheSceneOnRefusal) {
  const tsxSOBJ left = tsxhost::FindObject("Left");
  document.Remove(left);
  const auto before = SceneBytes();
  QString error;
  EXPECT_FALSE(document.OpenReplacing(APP_TEST_DATA "/missing.obj", &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(SceneBytes(), before);
  EXPECT_TRUE(document.History()->canUndo());
  ASSERT_TRUE(document.OpenReplacing(APP_TEST_DATA "/boxes.obj", &error)) << error.toStdString();
  EXPECT_EQ(document.Objects().size(), 2u);
  EXPECT_FALSE(document.History()->canUndo());
  EXPECT_FALSE(document.IsModified());
  EXPECT_EQ(document.FileName(), APP_TEST_DATA "/boxes.obj");
  document.NewScene();
  EXPECT_TRUE(document.Objects().empty());
  EXPECT_TRUE(document.FileName().isEmpty());
}

TEST_F(SceneHistoryTest, SavingMarksTheSceneUnmodifiedUntilTheNextEdit) {
  EXPECT_FALSE(document.IsModified());
  document.Remove(tsxhost::FindObject("Left"));
  EXPECT_TRUE(document.IsModified());
  document.MarkSaved("/tmp/scene.obj");
  EXPECT_FALSE(document.IsModified());
  document.Undo();
  EXPECT_TRUE(document.IsModified());
  document.Redo();
  EXPECT_FALSE(document.IsModified());
}

TEST_F(SceneHistoryTest, HiddenObjectsAreNeitherDrawnNorLost) {
  const tsxSOBJ left = tsxhost::FindObject("Left");
  document.SetShown(left, false);
  EXPECT_FALSE(document.IsShown(left));
  EXPECT_EQ(document.Geometry().IndexOf(left), -1);
  EXPECT_EQ(document.Geometry().objects.size(), 1u);
  EXPECT_EQ(document.Objects().size(), 2u);
  EXPECT_FALSE(document.IsModified());
  document.SetShown(left, true);
  EXPECT_EQ(document.Geometry().objects.size(), 2u);
}

}  // namespace

}  // namespace hostapp
