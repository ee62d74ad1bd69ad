// Scene edits made while the plug-in is busy (its progress reports let the
// host's events run) wait until it has returned, so a join never sees its
// objects change or vanish under it.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <functional>

#include "apps/tsxhost/HostApplication.h"
#include "apps/tsxhost/MainWindow.h"
#include "apps/tsxhost/PluginModule.h"
#include "apps/tsxhost/SceneDocument.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/TestPrompts.h"

namespace hostapp {

namespace {

class PluginBusyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    LoadTwoBoxes();
    app()->SetPlugin(&module);
    ASSERT_TRUE(module.Load(FAKE_MODULE_PATH)) << module.Error().toStdString();
    document.Refresh();
    document.Select(tsxhost::FindObject("Left"));
    prompts.unsavedAnswers = {HostPrompts::Unsaved::Discard};
    window.SetPrompts(&prompts);
    window.show();
    module.LeftClick();
  }
  void TearDown() override {
    module.Unload();
    app()->SetPlugin(nullptr);
    tsxhost::ResetScene();
  }
  static HostApplication* app() {
    return static_cast<HostApplication*>(QCoreApplication::instance());
  }

  // Clicks the fake module's join button with `edit` due while it runs.
  void JoinWhile(const std::function<void()>& edit) {
    QPushButton* join = FindInWindows<QPushButton>("fakeJoin");
    ASSERT_NE(join, nullptr);
    QTimer::singleShot(0, [&] {
      busyDuringEdit = module.Busy();
      edit();
    });
    QTest::mouseClick(join, Qt::LeftButton);
  }

  FakeModuleLog log;
  TestPrompts prompts;
  PluginModule module;
  SceneDocument document{&module};
  MainWindow window{&module, &document};
  bool busyDuringEdit = false;
};

}  // namespace

TEST_F(PluginBusyTest, DeleteWaitsForTheJoin) {
  const tsxSOBJ left = tsxhost::FindObject("Left");
  JoinWhile([&] {
    window.DeleteSelected();
    EXPECT_TRUE(tsxhost::InScene(left));
    EXPECT_EQ(document.PendingEdits(), 1);
  });
  EXPECT_TRUE(busyDuringEdit);
  EXPECT_TRUE(log.lines().contains("join undisturbed"));
  EXPECT_FALSE(tsxhost::IsAlive(left));
  EXPECT_EQ(document.PendingEdits(), 0);
  EXPECT_EQ(document.DeferredEdits(), 1);
  EXPECT_EQ(window.ObjectList()->count(), 1);
}

TEST_F(PluginBusyTest, PlacementsWaitAndAddUp) {
  const tsxSOBJ left = tsxhost::FindObject("Left");
  JoinWhile([&] {
    window.PlaceSelected({{1, 0, 0}, {0, 0, 0}, 1});
    window.PlaceSelected({{0, 2, 0}, {0, 0, 0}, 1});
  });
  EXPECT_TRUE(log.lines().contains("join undisturbed"));
  const CtsxTxmx3f m = tsxhost::GetTransform(left);
  EXPECT_FLOAT_EQ(m.m[3], 1.0f);
  EXPECT_FLOAT_EQ(m.m[7], 2.0f);
  EXPECT_EQ(document.DeferredEdits(), 2);
}

TEST_F(PluginBusyTest, OpeningAFileWaits) {
  JoinWhile([&] {
    QString error;
    EXPECT_TRUE(document.Open(APP_TEST_DATA "/single.obj", &error));
    EXPECT_EQ(tsxhost::SceneObjects().size(), 2u);
  });
  EXPECT_TRUE(log.lines().contains("join undisturbed"));
  EXPECT_EQ(tsxhost::SceneObjects().size(), 3u);
}

TEST_F(PluginBusyTest, SelectionChangesAtOnce) {
  const tsxSOBJ right = tsxhost::FindObject("Right");
  JoinWhile([&] {
    document.Select(right);
    EXPECT_EQ(tsxGetCurrentSelection(), right);
  });
  EXPECT_EQ(document.DeferredEdits(), 0);
}

TEST_F(PluginBusyTest, ClosingWaitsUntilTheModuleCanBeUnloaded) {
  JoinWhile([&] {
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(module.Loaded());
  });
  EXPECT_FALSE(module.Loaded());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(log.lines().mid(log.lines().size() - 3),
            QStringList({"join undisturbed", "deactivate", "unload"}));
}

// An undo asked for during a join waits, and then undoes the step the user
// saw when asking, not the object the join has added meanwhile.
TEST_F(PluginBusyTest, AnUndoDuringAJoinUndoesTheStepTheUserSaw) {
  const tsxSOBJ right = tsxhost::FindObject("Right");
  document.Remove(right);
  tsxGNODE added = 0;
  JoinWhile([&] {
    // What a join does meanwhile: a new object in the scene.
    ASSERT_EQ(tsxGNodeCopy(tsxhost::FindObject("Left"), &added), e_tsxOK);
    ASSERT_EQ(tsxSceneAddObject(added, 0), e_tsxOK);
    document.Undo();
    EXPECT_FALSE(tsxhost::InScene(right));
  });
  EXPECT_TRUE(tsxhost::InScene(right));
  EXPECT_TRUE(tsxhost::InScene(added));
  EXPECT_EQ(document.History()->undoText(), "Add Left.1");
  document.Undo();
  EXPECT_FALSE(tsxhost::IsAlive(added));
}

}  // namespace hostapp
