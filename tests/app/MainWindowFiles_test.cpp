// The main window's file commands: the unsaved-changes question, the
// title, recent files, files that cannot be read, dropped files.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "apps/tsxhost/ElidedLabel.h"
#include "apps/tsxhost/MainWindow.h"
#include "apps/tsxhost/RecentFiles.h"
#include "apps/tsxhost/SceneDocument.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/TestPrompts.h"

namespace hostapp {

namespace {

using Unsaved = HostPrompts::Unsaved;

class MainWindowFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    QSettings().clear();
    // Saves go to the scene's file: never the test data's.
    for (const char* name : {"boxes.obj", "boxes.mtl", "single.obj"})
      ASSERT_TRUE(QFile::copy(QString(APP_TEST_DATA "/") + name, data.filePath(name)));
    window.SetPrompts(&prompts);
    ASSERT_TRUE(window.OpenFile(boxes));
  }
  void TearDown() override {
    document.History()->clear();
    tsxhost::ResetScene();
  }
  void Modify() { document.Remove(tsxhost::FindObject("Left")); }

  QTemporaryDir data;
  const QString boxes = data.filePath("boxes.obj");
  const QString single = data.filePath("single.obj");
  TestPrompts prompts;
  SceneDocument document{nullptr};
  MainWindow window{nullptr, &document};
};

TEST_F(MainWindowFilesTest, TitleShowsTheFileAndAMarkWhileUnsaved) {
  EXPECT_EQ(window.windowTitle(), "boxes.obj[*] - tsxhost");
  EXPECT_FALSE(window.isWindowModified());
  Modify();
  EXPECT_TRUE(window.isWindowModified());
  document.Undo();
  EXPECT_FALSE(window.isWindowModified());
  window.NewScene();
  EXPECT_EQ(window.windowTitle(), "Untitled[*] - tsxhost");
}

TEST_F(MainWindowFilesTest, UnsavedChangesAreOnlyThrownAwayWhenTheUserSaysSo) {
  Modify();
  // Cancel keeps everything, for New, Open and Quit alike.
  EXPECT_FALSE(window.NewScene());
  EXPECT_FALSE(window.OpenFile(single));
  window.show();
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(prompts.asked, QStringList({"boxes.obj", "boxes.obj", "boxes.obj"}));
  EXPECT_EQ(document.Objects().size(), 1u);

  // Discard throws the change away.
  prompts.unsavedAnswers = {Unsaved::Discard};
  EXPECT_TRUE(window.OpenFile(single));
  EXPECT_EQ(document.Objects().size(), 1u);
  EXPECT_EQ(tsxhost::ObjectName(document.Objects()[0]), "Single");

  // Save writes the scene first; an unnamed scene asks for a file.
  QTemporaryDir dir;
  prompts.pathToSave = dir.filePath("kept.obj");
  prompts.unsavedAnswers = {Unsaved::Save};
  window.NewScene();  // unmodified: no question
  document.Open(boxes, nullptr);
  EXPECT_EQ(prompts.asked.size(), 4);
  EXPECT_TRUE(window.NewScene());
  EXPECT_EQ(prompts.asked.size(), 5);
  EXPECT_TRUE(QFile::exists(dir.filePath("kept.obj")));
  EXPECT_TRUE(document.Objects().empty());
}

TEST_F(MainWindowFilesTest, AFileThatCannotBeReadIsReportedAndTheOthersOpen) {
  window.NewScene();
  EXPECT_EQ(window.AddFiles({APP_TEST_DATA "/missing.obj", boxes, single}), 2);
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_TRUE(prompts.errors[0].startsWith("Open: ")) << prompts.errors[0].toStdString();
  EXPECT_TRUE(prompts.errors[0].contains("missing.obj"));
  EXPECT_EQ(document.Objects().size(), 3u);
  // The first file read into the empty scene is the scene's file; the
  // second is an undoable addition.
  EXPECT_EQ(document.FileName(), boxes);
  document.Undo();
  EXPECT_EQ(document.Objects().size(), 2u);
}

TEST_F(MainWindowFilesTest, OpenRecentKeepsTheLastEight) {
  QTemporaryDir dir;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(window.SaveTo(dir.filePath(QString("s%1.obj").arg(i))));
  const QStringList recent = window.Recent()->Files();
  ASSERT_EQ(recent.size(), RecentFiles::kMax);
  EXPECT_TRUE(recent.front().endsWith("s9.obj"));
  EXPECT_TRUE(recent.back().endsWith("s2.obj"));
  auto* menu = window.findChild<QMenu*>("menuRecent");
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 8);
  menu->actions()[7]->trigger();  // s2.obj, the scene as saved then
  EXPECT_EQ(document.FileName(), recent.back());
  // File choosers start in the scene's folder.
  prompts.pathToOpen.clear();
  window.findChild<QAction*>("actionOpen")->trigger();
  EXPECT_EQ(prompts.folders.back(), dir.path());
}

TEST_F(MainWindowFilesTest, DroppedObjFilesAreAddedAndFramed) {
  QMimeData dropped;
  dropped.setUrls({QUrl::fromLocalFile(single), QUrl::fromLocalFile(APP_TEST_DATA "/boxes.mtl")});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  EXPECT_EQ(document.Objects().size(), 3u);
  EXPECT_TRUE(prompts.errors.isEmpty());

  QMimeData other;
  other.setUrls({QUrl::fromLocalFile(APP_TEST_DATA "/boxes.mtl")});
  QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
  refused.setAccepted(false);
  QApplication::sendEvent(&window, &refused);
  EXPECT_FALSE(refused.isAccepted());
}

TEST_F(MainWindowFilesTest, DeleteLeavesNothingSelectedAndTheListFollowsUndo) {
  window.show();
  QListWidget* list = window.ObjectList();
  list->setFocus();
  list->item(0)->setSelected(true);
  list->setCurrentRow(0);
  ASSERT_EQ(document.Selection(), tsxhost::FindObject("Left"));
  window.DeleteSelected();
  EXPECT_EQ(document.Selection(), 0u);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(list->count(), 1);
  document.Undo();
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "Left");
}

TEST_F(MainWindowFilesTest, CheckBoxesShowAndHideObjectsAndTheStatusBarCounts) {
  QListWidget* list = window.ObjectList();
  const tsxSOBJ left = tsxhost::FindObject("Left");
  EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
  list->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(document.IsShown(left));
  EXPECT_EQ(document.Geometry().IndexOf(left), -1);
  list->item(0)->setCheckState(Qt::Checked);
  EXPECT_TRUE(document.IsShown(left));

  EXPECT_TRUE(window.CountsLabel()->FullText().isEmpty());
  document.Select(left);
  EXPECT_EQ(window.CountsLabel()->FullText(), "Left: 8 vertices, 0 UVs, 6 faces");
  document.Select(0);
  EXPECT_TRUE(window.CountsLabel()->FullText().isEmpty());
}

}  // namespace

namespace {

// Writing one object over a file the scene came from loses the file's
// other objects: the window asks first.
TEST_F(MainWindowFilesTest, ExportingOneObjectOverAnOpenedFileAsksFirst) {
  QFile original(boxes);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  const QByteArray before = original.readAll();
  original.close();
  document.Select(tsxhost::FindObject("Left"));
  prompts.pathToSave = boxes;
  window.findChild<QAction*>("actionExport")->trigger();
  ASSERT_EQ(prompts.questions.size(), 1);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  EXPECT_EQ(original.readAll(), before);
  original.close();
  prompts.pathToSave = data.filePath("left.obj");
  window.findChild<QAction*>("actionExport")->trigger();
  EXPECT_EQ(prompts.questions.size(), 1);
  EXPECT_TRUE(QFile::exists(data.filePath("left.obj")));
}

}  // namespace

}  // namespace hostapp
