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

namespace hostapp {

namespace {

QStringList Names(const SceneDocument& document) {
  QStringList names;
  for (tsxSOBJ obj : document.Objects()) names << QString::fromStdString(tsxhost::ObjectName(obj));
  return names;
}

class BackgroundFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    window.SetPrompts(&prompts);
    ASSERT_TRUE(window.OpenFile(APP_TEST_DATA "/boxes.obj"));
    QFile stl(data.filePath("part.stl"));
    ASSERT_TRUE(stl.open(QIODevice::WriteOnly));
    stl.write("solid part\nendsolid part\n");
  }
  void TearDown() override {
    document.History()->clear();
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
  const int steps = document.History()->count();
  int ticks = 0;
  CancelWhenShown(&ticks);
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(window.OpenFile(data.filePath("part.stl")));
  EXPECT_LT(clock.elapsed(), 5000);  // the reader's own limit is 30 s
  EXPECT_GE(ticks, 10);              // events went on while it hung
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
  EXPECT_EQ(Names(document), QStringList({"Left", "Right"}));
  EXPECT_EQ(document.Geometry().triangles.size(), 24u);
  EXPECT_TRUE(document.FileName().endsWith("boxes.obj"));
  EXPECT_EQ(document.History()->count(), steps);
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("cancelled"));
  EXPECT_FALSE(BackgroundTaskRunning());

  // Added rather than opened, likewise; the names are free again after.
  CancelWhenShown(&(ticks = 0));
  EXPECT_EQ(window.AddFiles({data.filePath("part.stl"), APP_TEST_DATA "/single.obj"}), 0);
  EXPECT_EQ(Names(document), QStringList({"Left", "Right"}));
  document.Remove(tsxhost::FindObject("Right"));  // not held back: nothing runs
  EXPECT_EQ(Names(document), QStringList({"Left"}));
}

// A flat grid of n x n quads, large enough that reading or writing it
// takes a while.
tsxSOBJ AddGrid(const std::string& name, int n) {
  tsxhost::Mesh mesh;
  for (int y = 0; y <= n; ++y)
    for (int x = 0; x <= n; ++x) mesh.vertices.push_back({float(x), float(y), 0});
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const int32_t v = y * (n + 1) + x;
      tsxhost::Face f;
      f.corners = {{v}, {v + 1}, {v + n + 2}, {v + n + 1}};
      mesh.faces.push_back(f);
    }
  }
  return tsxhost::AddPolyhedron(name, mesh);
}

// Presses Cancel as soon as the task starts, before its dialog shows.
void CancelAtOnce() {
  QTimer::singleShot(0, [] {
    if (auto* dialog = FindInWindows<QProgressDialog>(kTaskDialogName)) emit dialog->canceled();
  });
}

QByteArray Contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(BackgroundFilesTest, CancelStopsWritingAndReadingAnObjAndKeepsTheOldFile) {
  const QString grid = data.filePath("grid.obj");
  const tsxSOBJ made = AddGrid("Grid", 300);
  ASSERT_TRUE(tsxhost::SaveObj(QFile::encodeName(grid).toStdString(), {made}, nullptr));
  tsxSobjDelete(made);
  ASSERT_GT(Contents(grid).size(), 2'000'000);

  // Reading: the scene stays as it was.
  CancelAtOnce();
  EXPECT_FALSE(window.OpenFile(grid));
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
  EXPECT_EQ(Names(document), QStringList({"Left", "Right"}));
  EXPECT_EQ(tsxhost::FindObject("Grid"), 0u);
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("Opening grid.obj cancelled"));

  // Writing over an older file: it stays whole, the scene unsaved.
  AddGrid("Big", 300);
  document.Refresh();
  QFile old(data.filePath("old.obj"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("# the old file\n");
  old.close();
  CancelAtOnce();
  EXPECT_FALSE(window.SaveTo(old.fileName()));
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
  EXPECT_EQ(Contents(old.fileName()), "# the old file\n");
  EXPECT_FALSE(QFile::exists(data.filePath("old.mtl")));
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("Saving old.obj cancelled"));
  EXPECT_TRUE(document.FileName().endsWith("boxes.obj"));

  // Not cancelled, the same write goes through.
  EXPECT_TRUE(window.SaveTo(old.fileName()));
  EXPECT_GT(Contents(old.fileName()).size(), 2'000'000);
}

TEST_F(BackgroundFilesTest, ARefusedFileIsStillReportedAndAGoodOneStillOpens) {
  EXPECT_FALSE(window.OpenFile(data.filePath("part.stl")));  // no triangles
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_TRUE(prompts.errors[0].contains("part.stl")) << prompts.errors[0].toStdString();
  EXPECT_EQ(Names(document), QStringList({"Left", "Right"}));
  EXPECT_TRUE(window.OpenFile(APP_TEST_DATA "/single.obj"));
  EXPECT_EQ(Names(document), QStringList({"Single"}));
}

}  // namespace

}  // namespace hostapp
