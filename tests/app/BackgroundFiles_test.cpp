// Files read and written in the background: the window keeps answering
// while a reader hangs, Cancel stops the reader and leaves the open scene
// as it was, and a refusal is still reported.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "apps/tsxhost/BackgroundTask.h"
#include "apps/tsxhost/MainWindow.h"
#include "apps/tsxhost/SceneDocument.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/TestPrompts.h"

namespace {

QStringList Names(const SceneDocument& document) {
  QStringList names;
  for (tsxSOBJ obj : document.objects()) names << QString::fromStdString(tsxhost::ObjectName(obj));
  return names;
}

class BackgroundFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    window.setPrompts(&prompts);
    ASSERT_TRUE(window.openFile(APP_TEST_DATA "/boxes.obj"));
    QFile stl(data.filePath("part.stl"));
    ASSERT_TRUE(stl.open(QIODevice::WriteOnly));
    stl.write("solid part\nendsolid part\n");
  }
  void TearDown() override {
    document.history()->clear();
    tsxhost::ResetScene();
  }
  // Presses the progress dialog's Cancel once it shows, after `ticks`
  // turns of a 50 ms timer have shown that the window keeps answering.
  void CancelWhenShown(int* ticks) {
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, ticks] {
      ++*ticks;
      auto* dialog = FindInWindows<QProgressDialog>(kTaskDialogName);
      if (*ticks >= 10 && dialog && dialog->isVisible()) {
        QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        timer->deleteLater();
      }
    });
    timer->start(50);
  }

  QTemporaryDir data;
  TestPrompts prompts;
  SceneDocument document{nullptr};
  MainWindow window{nullptr, &document};
};

TEST_F(BackgroundFilesTest, CancelStopsAHangingReaderAndKeepsTheOpenScene) {
  HangingReader reader;
  const int steps = document.history()->count();
  int ticks = 0;
  CancelWhenShown(&ticks);
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(window.openFile(data.filePath("part.stl")));
  EXPECT_LT(clock.elapsed(), 5000);  // the reader's own limit is 30 s
  EXPECT_GE(ticks, 10);              // events went on while it hung
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
  EXPECT_EQ(Names(document), QStringList({"Left", "Right"}));
  EXPECT_EQ(document.geometry().triangles.size(), 24u);
  EXPECT_TRUE(document.fileName().endsWith("boxes.obj"));
  EXPECT_EQ(document.history()->count(), steps);
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("cancelled"));
  EXPECT_FALSE(BackgroundTaskRunning());

  // Added rather than opened, likewise; the names are free again after.
  CancelWhenShown(&(ticks = 0));
  EXPECT_EQ(window.addFiles({data.filePath("part.stl"), APP_TEST_DATA "/single.obj"}), 0);
  EXPECT_EQ(Names(document), QStringList({"Left", "Right"}));
  document.remove(tsxhost::FindObject("Right"));  // not held back: nothing runs
  EXPECT_EQ(Names(document), QStringList({"Left"}));
}

TEST_F(BackgroundFilesTest, ARefusedFileIsStillReportedAndAGoodOneStillOpens) {
  EXPECT_FALSE(window.openFile(data.filePath("part.stl")));  // no triangles
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_TRUE(prompts.errors[0].contains("part.stl")) << prompts.errors[0].toStdString();
  EXPECT_EQ(Names(document), QStringList({"Left", "Right"}));
  EXPECT_TRUE(window.openFile(APP_TEST_DATA "/single.obj"));
  EXPECT_EQ(Names(document), QStringList({"Single"}));
}

}  // namespace
