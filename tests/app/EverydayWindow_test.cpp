// What a user meets every day in the window: status text that never widens
// it, the object list clear of the plug-in's tool window, Save As without
// an extension, each file opening y up, joins named as splicer names them,
// the hint after a failed join, and resources outside the scene's folder.
#include <gtest/gtest.h>

#include <QDockWidget>
#include <QListWidget>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include "apps/tsxhost/ElidedLabel.h"
#include "apps/tsxhost/HostOptions.h"
#include "apps/tsxhost/HostPrompts.h"
#include "apps/tsxhost/JoinRecognizer.h"
#include "apps/tsxhost/JoinReportPresenter.h"
#include "apps/tsxhost/MainWindow.h"
#include "apps/tsxhost/SceneDocument.h"
#include "apps/tsxhost/SceneView.h"
#include "apps/tsxhost/SeamJoinCommand.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/TestPrompts.h"

namespace hostapp {

namespace {

QString Name(tsxSOBJ obj) { return QString::fromStdString(tsxhost::ObjectName(obj)); }

// Answers the engine's message boxes (a failed join shows one) at once.
class BoxCloser {
 public:
  BoxCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
          texts << box->text();
          box->accept();
        }
      }
    });
    timer_.start(20);
  }
  QStringList texts;

 private:
  QTimer timer_;
};

class EverydayWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    for (const char* name : {"boxes.obj", "boxes.mtl", "single.obj"})
      ASSERT_TRUE(QFile::copy(QString(APP_TEST_DATA "/") + name, data.filePath(name)));
    window.SetPrompts(&prompts);
    ASSERT_TRUE(window.OpenFile(data.filePath("boxes.obj")));
  }
  void TearDown() override {
    document.History()->clear();
    tsxhost::ResetScene();
  }
  JoinReportPresenter* reports() { return window.findChild<JoinReportPresenter*>(); }

  QTemporaryDir data;
  TestPrompts prompts;
  SceneDocument document{nullptr};
  MainWindow window{nullptr, &document};
};

TEST_F(EverydayWindowTest, ALongJoinReportIsShortenedNotWidenedAndUndoClearsIt) {
  window.resize(1100, 720);
  window.show();
  const tsxSOBJ left = tsxhost::FindObject("Left"), right = tsxhost::FindObject("Right");
  tsxhost::SetObjectName(left, std::string(300, 'L'));
  document.Refresh();
  ASSERT_TRUE(SeamJoinObjects(&window, &document, reports(), left, right, 0.01));
  QApplication::processEvents();
  EXPECT_EQ(window.width(), 1100);
  auto* label = window.findChild<ElidedLabel*>("joinReport");
  ASSERT_NE(label, nullptr);
  const QString full = label->FullText();
  EXPECT_TRUE(full.startsWith("joined " + QString(300, 'L') + " and Right along a seam")) << full.toStdString();
  EXPECT_EQ(label->toolTip(), full);
  EXPECT_LT(label->text().size(), full.size());
  EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
  document.Undo();
  EXPECT_TRUE(label->FullText().isEmpty());
  EXPECT_EQ(window.width(), 1100);
}

TEST_F(EverydayWindowTest, JoinResultsAreNamedAsSplicerNamesThem) {
  const tsxSOBJ left = tsxhost::FindObject("Left"), right = tsxhost::FindObject("Right");
  // Second before first: the name follows the order of the picks.
  ASSERT_TRUE(SeamJoinObjects(&window, &document, reports(), right, left, 0.01));
  ASSERT_TRUE(SeamJoinObjects(&window, &document, reports(), right, left, 0.01));
  ASSERT_EQ(document.Objects().size(), 4u);
  EXPECT_EQ(Name(document.Objects()[2]), "Right+Left");
  EXPECT_EQ(Name(document.Objects()[3]), "Right+Left.2");
  EXPECT_EQ(document.History()->undoText(), "Add Right+Left.2");
  // An object that no join made keeps its name.
  NameJoinResult(left);
  EXPECT_EQ(Name(left), "Left");
}

TEST_F(EverydayWindowTest, AFailedJoinShowsTheHintSplicerPrints) {
  // Right moved 0.004 off Left: no junction at 0.001; 0.004 would do.
  tsxhost::SetTransform(tsxhost::FindObject("Right"), {{1, 0, 0, 0.004f, 0, 1, 0, 0, 0, 0, 1, 0}});
  BoxCloser boxes;
  const tsxSOBJ left = tsxhost::FindObject("Left"), right = tsxhost::FindObject("Right");
  EXPECT_FALSE(SeamJoinObjects(&window, &document, reports(), left, right, 0.001));
  EXPECT_EQ(document.Objects().size(), 2u);
  EXPECT_EQ(boxes.texts.size(), 1);  // the engine's own message
  const QString text = reports()->Text();
  EXPECT_TRUE(text.startsWith("Left and Right did not join. Hint: faces ")) << text.toStdString();
  EXPECT_TRUE(text.endsWith("at most 0.004 apart: try an accuracy of 0.004")) << text.toStdString();

  // Far apart, there is nothing to try.
  tsxhost::SetTransform(right, {{1, 0, 0, 5, 0, 1, 0, 0, 0, 0, 1, 0}});
  EXPECT_FALSE(SeamJoinObjects(&window, &document, reports(), left, right, 0.001));
  EXPECT_FALSE(reports()->Text().contains("try an accuracy")) << reports()->Text().toStdString();
}

TEST_F(EverydayWindowTest, SaveAsAddsTheExtensionOrSaysWhyNot) {
  document.Remove(tsxhost::FindObject("Left"));
  prompts.pathToSave = data.filePath("kept");
  window.findChild<QAction*>("actionSaveAs")->trigger();
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
  EXPECT_TRUE(QFile::exists(data.filePath("kept.obj")));
  EXPECT_FALSE(QFile::exists(data.filePath("kept")));
  EXPECT_EQ(document.FileName(), data.filePath("kept.obj"));
  EXPECT_FALSE(document.IsModified());

  // A folder that is not there: refused, and the scene stays unsaved.
  document.Remove(tsxhost::FindObject("Right"));
  prompts.pathToSave = data.filePath("missing/other");
  window.findChild<QAction*>("actionSaveAs")->trigger();
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_TRUE(prompts.errors[0].contains("missing/other.obj")) << prompts.errors[0].toStdString();
  EXPECT_EQ(document.FileName(), data.filePath("kept.obj"));
  EXPECT_TRUE(document.IsModified());

  EXPECT_EQ(WithSceneExtension("a", "glTF 2.0 (*.gltf *.glb)"), "a.gltf");
  EXPECT_EQ(WithSceneExtension("a", "STL (*.stl)"), "a.stl");
  EXPECT_EQ(WithSceneExtension("a", "All files (*)"), "a.obj");
  EXPECT_EQ(WithSceneExtension("a.ply", "glTF 2.0 (*.gltf *.glb)"), "a.ply");
  EXPECT_EQ(WithSceneExtension(""), "");  // cancelled
}

TEST_F(EverydayWindowTest, EachFileOpensYUpWhateverTheLastOneNeeded) {
  auto* zUp = window.findChild<QAction*>("actionZUp");
  zUp->trigger();
  EXPECT_TRUE(window.View()->ZUp());
  // Adding to the scene keeps the choice; opening a file starts again.
  window.AddFiles({data.filePath("single.obj")});
  EXPECT_TRUE(window.View()->ZUp());
  prompts.unsavedAnswers = {HostPrompts::Unsaved::Discard};
  ASSERT_TRUE(window.OpenFile(data.filePath("boxes.obj")));
  EXPECT_FALSE(window.View()->ZUp());
  EXPECT_FALSE(zUp->isChecked());
}

TEST_F(EverydayWindowTest, TheObjectListStaysClearOfThePluginsToolWindow) {
  window.resize(1100, 720);
  window.move(0, 0);
  window.show();
  QApplication::processEvents();
  // Where the plug-in first shows its tool window, with a frame around it.
  const QRect toolWindow(765 - 10, 95 - 40, 241 + 20, 205 + 50);
  QListWidget* list = window.ObjectList();
  const QRect listRect(list->mapToGlobal(QPoint(0, 0)), list->size());
  EXPECT_FALSE(listRect.intersects(toolWindow));
  EXPECT_GT(list->width(), 100);
}

TEST_F(EverydayWindowTest, ResourcesOutsideTheFolderAreReadOnlyWhenAllowed) {
  QDir(data.path()).mkdir("scene");
  QFile mtl(data.filePath("outside.mtl"));
  ASSERT_TRUE(mtl.open(QIODevice::WriteOnly));
  mtl.write("newmtl green\nKd 0 1 0\n");
  mtl.close();
  QFile obj(data.filePath("scene/s.obj"));
  ASSERT_TRUE(obj.open(QIODevice::WriteOnly));
  obj.write("mtllib ../outside.mtl\no Tri\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl green\nf 1 2 3\n");
  obj.close();
  auto diffuse = [this] {
    std::vector<tsxhost::Material> materials;
    tsxhost::ReadMaterials(tsxhost::FindObject("Tri"), &materials);
    return materials.back().diffuse;
  };
  prompts.unsavedAnswers = {HostPrompts::Unsaved::Discard};
  ASSERT_TRUE(window.OpenFile(obj.fileName()));
  EXPECT_EQ(diffuse(), tsxhost::Material{}.diffuse);
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("outside the scene's folder"))
      << window.statusBar()->currentMessage().toStdString();

  HostOptions options;
  QString error;
  bool exitNow = false;
  ASSERT_TRUE(ParseHostOptions({"tsxhost", "--resources-anywhere"}, &options, &error, &exitNow));
  ASSERT_TRUE(options.resourcesAnywhere);
  tsxhost::ObjReadOptions read;
  read.resourcesAnywhere = options.resourcesAnywhere;
  document.SetReadOptions(read);
  ASSERT_TRUE(window.OpenFile(obj.fileName()));
  EXPECT_EQ(diffuse(), (std::array<float, 3>{0, 1, 0}));
}

}  // namespace

}  // namespace hostapp
