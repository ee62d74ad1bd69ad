// The whole program under a real X server (Xvfb): open the example, pick
// the two boxes with the plug-in's main window, join them, and check the
// scene. Screenshots of each step are kept beside the test.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "apps/tsxhost/BackgroundTask.h"
#include "apps/tsxhost/HostApplication.h"
#include "apps/tsxhost/MainWindow.h"
#include "apps/tsxhost/PluginModule.h"
#include "apps/tsxhost/Rasterizer.h"
#include "apps/tsxhost/SceneDocument.h"
#include "apps/tsxhost/SceneView.h"
#include "apps/tsxhost/TransformMath.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/TestPrompts.h"

namespace hostapp {

namespace {

QString ExampleScene() {
  const QString example = QStringLiteral(EXAMPLE_SCENE);
  return QFile::exists(example) ? example : QStringLiteral(APP_TEST_DATA "/boxes.obj");
}

void Screenshot(const QString& name) {
  QApplication::processEvents();
  QTest::qWait(200);
  QDir().mkpath(APP_ARTIFACTS_DIR);
  QScreen* screen = QGuiApplication::primaryScreen();
  screen->grabWindow(0).save(QDir(APP_ARTIFACTS_DIR).filePath(name + ".png"));
}

void Click(QWidget* w) {
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->isVisible());
  QTest::mouseClick(w, Qt::LeftButton);
}

void ChooseInList(QListWidget* list, const QString& name) {
  const auto items = list->findItems(name, Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(items.front()).center());
}

struct Counts {
  std::vector<CtsxVector3f> vertices;
  size_t faces = 0;
};

Counts Read(tsxSOBJ obj) {
  tsxhost::Mesh m;
  tsxhost::ReadMesh(obj, &m);
  return {m.vertices, m.faces.size()};
}

// The object's arrays as bytes, and where its vertices are in the world.
std::string ArrayBytes(tsxSOBJ obj) {
  std::string out;
  const auto* v = reinterpret_cast<const char*>(tsxPolyhGetVxArray(obj));
  if (v) out.append(v, sizeof(CtsxVector3f) * size_t(tsxPolyhGetNbrVxs(obj)));
  tsxhost::Mesh m;
  tsxhost::ReadMesh(obj, &m);
  for (const tsxhost::Face& f : m.faces) {
    out.append(reinterpret_cast<const char*>(f.corners.data()),
               sizeof(tsxhost::Corner) * f.corners.size());
  }
  return out;
}

std::vector<CtsxVector3f> WorldVertices(tsxSOBJ obj) {
  tsxhost::Mesh m;
  tsxhost::ReadMesh(obj, &m);
  const CtsxTxmx3f t = tsxhost::GetTransform(obj);
  for (CtsxVector3f& p : m.vertices) p = Apply(t, p);
  return m.vertices;
}

bool Same(const Counts& a, const Counts& b) {
  return a.faces == b.faces && a.vertices.size() == b.vertices.size() &&
         std::equal(a.vertices.begin(), a.vertices.end(), b.vertices.begin(),
                    [](const CtsxVector3f& p, const CtsxVector3f& q) {
                      return p.x == q.x && p.y == q.y && p.z == q.z;
                    });
}

// The plug-in's message boxes are modal; a test must not hang on one.
class MessageCatcher {
 public:
  MessageCatcher() {
    timer_.setInterval(100);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts << box->text();
        box->done(QMessageBox::Ok);
      }
    });
    timer_.start();
  }
  QStringList texts;

 private:
  QTimer timer_;
};

}  // namespace

TEST(EndToEnd, JoinsTheExampleBoxesWithThePlugin) {
  auto* app = static_cast<HostApplication*>(QCoreApplication::instance());
  PluginModule module;
  app->SetPlugin(&module);
  ASSERT_TRUE(module.Load(SPL0020_PATH)) << module.Error().toStdString();
  SceneDocument document(&module);
  MainWindow window(&module, &document);
  TestPrompts prompts;
  window.SetPrompts(&prompts);
  tsxhost::SetMainViewHwnd(window.winId());
  QString error;
  ASSERT_TRUE(document.Open(ExampleScene(), &error)) << error.toStdString();
  ASSERT_TRUE(document.Open(APP_TEST_DATA "/single.obj", &error)) << error.toStdString();
  window.setGeometry(20, 40, 1000, 700);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  MessageCatcher messages;

  const tsxSOBJ left = tsxhost::FindObject("Left"), right = tsxhost::FindObject("Right");
  ASSERT_NE(left, 0u);
  ASSERT_NE(right, 0u);
  const Counts leftBefore = Read(left), rightBefore = Read(right);
  Screenshot("1-example");

  ChooseInList(window.ObjectList(), "Left");
  EXPECT_EQ(tsxGetCurrentSelection(), left);
  ASSERT_NE(window.PluginButton(), nullptr);
  EXPECT_FALSE(window.PluginButton()->icon().isNull());
  EXPECT_EQ(window.PluginButton()->toolTip(), "S P L I C E R - B O T");
  Click(window.PluginButton());
  auto* get1 = FindInWindows<QPushButton>("Button2");
  ASSERT_NE(get1, nullptr);
  QWidget* toolWindow = get1->window();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(toolWindow));
  Screenshot("2-activated");
  // The tool window opens where the plug-in puts it, beside the list.
  const QRect list(window.ObjectList()->mapToGlobal(QPoint(0, 0)), window.ObjectList()->size());
  EXPECT_FALSE(toolWindow->frameGeometry().intersects(list));
  Click(get1);

  // Choosing the select tool hides the tool window and keeps its picks.
  window.SelectTool()->trigger();
  EXPECT_FALSE(toolWindow->isVisible());
  Click(window.PluginButton());
  EXPECT_TRUE(toolWindow->isVisible());

  ChooseInList(window.ObjectList(), "Right");
  Click(FindInWindows<QPushButton>("Button4"));
  Screenshot("3-picked");

  // An edit made while the join runs waits for it.
  const tsxSOBJ single = tsxhost::FindObject("Single");
  bool busyDuringDelete = false;
  QTimer::singleShot(0, [&] {
    busyDuringDelete = module.Busy();
    document.Remove(single);
  });
  Click(FindInWindows<QPushButton>("Button6"));
  QApplication::processEvents();
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
  EXPECT_TRUE(busyDuringDelete);
  EXPECT_FALSE(tsxhost::IsAlive(single));

  const std::vector<tsxSOBJ> scene = tsxhost::SceneObjects();
  ASSERT_EQ(scene.size(), 3u);
  EXPECT_EQ(scene[0], left);
  EXPECT_EQ(scene[1], right);
  EXPECT_EQ(tsxPolyhGetNbrVxs(scene[2]), 12);
  EXPECT_EQ(tsxPolyhGetNbrFaces(scene[2]), 10);
  EXPECT_TRUE(tsxhost::IsClosed(scene[2]));
  EXPECT_TRUE(Same(Read(left), leftBefore));
  EXPECT_TRUE(Same(Read(right), rightBefore));
  EXPECT_EQ(window.ObjectList()->count(), 3);
  Screenshot("4-joined");

  // The join's object is the last step of the history, after the delete
  // that waited for it; undo takes it out, redo brings the same one back.
  const tsxSOBJ joined = scene[2];
  const std::string joinedBytes = ArrayBytes(joined);
  QUndoStack* history = document.History();
  EXPECT_EQ(history->undoText(), "Add " + QString::fromStdString(tsxhost::ObjectName(joined)));
  document.Undo();
  EXPECT_FALSE(tsxhost::IsAlive(joined));
  EXPECT_EQ(tsxhost::SceneObjects(), (std::vector<tsxSOBJ>{left, right}));
  EXPECT_EQ(window.ObjectList()->count(), 2);
  Screenshot("4b-join-undone");
  document.Redo();
  ASSERT_TRUE(tsxhost::InScene(joined));
  EXPECT_EQ(ArrayBytes(joined), joinedBytes);
  EXPECT_EQ(tsxhost::SceneObjects(), (std::vector<tsxSOBJ>{left, right, joined}));
  EXPECT_EQ(history->undoText(), "Add " + QString::fromStdString(tsxhost::ObjectName(joined)));

  // A right click on the plug-in's button shows its about window.
  QWidgetList visibleBefore;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) visibleBefore << w;
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(4, 4), QPoint(4, 4));
  QApplication::sendEvent(window.PluginButton(), &rightClick);
  QWidget* about = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && !visibleBefore.contains(w)) about = w;
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(QTest::qWaitForWindowExposed(about));
  Screenshot("5-about");

  // Placed, saved and read back, the joined object is where it was.
  document.Select(joined);
  PlacementEdit lift;
  lift.move = {0, 0.5f, 2};
  window.PlaceSelected(lift);
  const std::vector<CtsxVector3f> placed = WorldVertices(joined);
  const std::string joinedName = tsxhost::ObjectName(joined);
  QTemporaryDir saveDir;
  const QString saved = saveDir.filePath("joined-scene.obj");
  ASSERT_TRUE(window.SaveTo(saved)) << prompts.errors.join('\n').toStdString();
  EXPECT_FALSE(window.isWindowModified());
  ASSERT_TRUE(window.OpenFile(saved)) << prompts.errors.join('\n').toStdString();
  const tsxSOBJ reloaded = tsxhost::FindObject(joinedName);
  ASSERT_NE(reloaded, 0u);
  const std::vector<CtsxVector3f> back = WorldVertices(reloaded);
  ASSERT_EQ(back.size(), placed.size());
  for (size_t i = 0; i < back.size(); ++i) {
    EXPECT_NEAR(back[i].x, placed[i].x, 1e-5) << i;
    EXPECT_NEAR(back[i].y, placed[i].y, 1e-5) << i;
    EXPECT_NEAR(back[i].z, placed[i].z, 1e-5) << i;
  }

  window.close();
  EXPECT_FALSE(module.Loaded());
  app->SetPlugin(nullptr);
}

// The window without a plug-in, at the place the screenshots expect.
void ShowWithoutPlugin(MainWindow& window, TestPrompts& prompts) {
  window.SetPrompts(&prompts);
  window.setGeometry(20, 40, 1000, 700);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

// A real mesh, selected: the outline follows its silhouette, and its dense
// edges fade rather than paint it over.
TEST(EndToEnd, ShowsARealMeshSelectedWithItsOutline) {
  tsxhost::ResetScene();
  SceneDocument document(nullptr);
  MainWindow window(nullptr, &document);
  TestPrompts prompts;
  ASSERT_NO_FATAL_FAILURE(ShowWithoutPlugin(window, prompts));
  ASSERT_EQ(window.AddFiles({APP_TEST_DATA "/suzanne.obj"}), 1);
  ASSERT_EQ(document.Objects().size(), 1u);
  document.Select(document.Objects()[0]);
  EXPECT_EQ(window.windowTitle(), "suzanne.obj[*] - tsxhost");
  Screenshot("6-suzanne-selected");
  QApplication::processEvents();
  const QImage view = window.View()->grab().toImage();
  view.save(QDir(APP_ARTIFACTS_DIR).filePath("6-suzanne-view.png"));
  int outline = 0, object = 0;
  for (int y = 0; y < view.height(); ++y) {
    for (int x = 0; x < view.width(); ++x) {
      outline += (view.pixel(x, y) & 0xFFFFFFu) == kSelectedEdgeRgb;
      object += window.View()->ObjectAt({x, y}) != 0;
    }
  }
  EXPECT_GT(outline, 100);
  EXPECT_LT(outline, object / 4);  // an outline, not the whole object tinted
  window.close();
}

// Opening a file whose reader hangs: the progress dialog shows over the
// window, which keeps drawing; Cancel stops the reader and keeps the scene.
TEST(EndToEnd, OpeningShowsProgressAndCancelKeepsTheScene) {
  tsxhost::ResetScene();
  SceneDocument document(nullptr);
  MainWindow window(nullptr, &document);
  TestPrompts prompts;
  ASSERT_NO_FATAL_FAILURE(ShowWithoutPlugin(window, prompts));
  ASSERT_TRUE(window.OpenFile(ExampleScene()));
  QTemporaryDir dir;
  QFile stl(dir.filePath("big-part.stl"));
  ASSERT_TRUE(stl.open(QIODevice::WriteOnly));
  stl.write("solid part\nendsolid part\n");
  stl.close();
  HangingReader reader;
  bool shown = false;
  QTimer::singleShot(1500, [&] {
    auto* dialog = FindInWindows<QProgressDialog>(kTaskDialogName);
    shown = dialog && dialog->isVisible();
    Screenshot("7-opening-progress");
    const QRect area = window.frameGeometry();
    QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .save(QDir(APP_ARTIFACTS_DIR).filePath("7-opening-progress-window.png"));
    if (dialog) QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
  });
  EXPECT_EQ(window.AddFiles({stl.fileName()}), 0);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
  EXPECT_EQ(document.Objects().size(), 2u);
  window.close();
}

}  // namespace hostapp

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  hostapp::HostApplication app(argc, argv);
  QTemporaryDir settings;
  UseSettingsIn(settings.path());
  return RUN_ALL_TESTS();
}
