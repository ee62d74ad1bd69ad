// The windows on a real X server (run under xvfb-run): ownership by the
// host's main view, and screenshots of both windows as test artifacts in
// $SPLICER_ARTIFACTS (default: ./artifacts).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "engine/common/JoinState.h"
#include "host/scene/Scene.h"
#include "ui/TsxAbout.h"
#include "ui/TsxMain.h"
#include "ui_TsxMain.h"

namespace {

QString ArtifactsDir() {
  const QByteArray env = qgetenv("SPLICER_ARTIFACTS");
  const QString dir = env.isEmpty() ? QStringLiteral("artifacts") : QString::fromLocal8Bit(env);
  QDir().mkpath(dir);
  return dir;
}

class RealWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
    tsxhost::ResetScene();
    hostView.setWindowTitle("Host main view");
    hostView.setGeometry(0, 0, 1024, 700);
    hostView.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&hostView));
    tsxhost::SetMainViewHwnd(static_cast<tsxHWND>(hostView.winId()));
  }
  void TearDown() override { tsxhost::ResetScene(); }

  QWidget hostView;
};

TEST_F(RealWindows, ToolWindowsAreOwnedByTheHostView) {
  TTsxMainForm main;
  main.ToolActivate();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  ASSERT_NE(main.HostOwner(), nullptr);
  EXPECT_EQ(main.HostOwner()->winId(), hostView.winId());
  // A native window made anew is owned again.
  main.setWindowFlags(main.windowFlags());  // drops the native window
  main.ToolActivate();
  ASSERT_NE(main.HostOwner(), nullptr);
  EXPECT_EQ(main.HostOwner()->winId(), hostView.winId());
}

// A pick error's box is transient for the tool window, so that a window
// manager gives the focus back to it, not to the host's main view, after
// OK (Xvfb runs without one, so only the ownership is checked).
TEST_F(RealWindows, MessageBoxBelongsToTheToolWindow) {
  TTsxMainForm main;
  main.ToolActivate();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
  QWindow* transientParent = nullptr;
  QTimer::singleShot(200, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      transientParent = box->windowHandle()->transientParent();
      box->button(QMessageBox::Ok)->click();
    }
  });
  QTest::mouseClick(main.Controls().Button2, Qt::LeftButton);  // nothing selected: 01
  EXPECT_EQ(transientParent, main.windowHandle());
}

TEST_F(RealWindows, Screenshots) {
  const QString dir = ArtifactsDir();
  TTsxMainForm main;
  main.Controls().CheckBox1->setChecked(true);
  main.ToolActivate();
  TTsxAboutForm about;
  about.ToolActivate();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  QTest::qWait(200);
  EXPECT_TRUE(main.grab().save(dir + "/main-window.png"));
  EXPECT_TRUE(about.grab().save(dir + "/about-window.png"));

  // A join in progress, as the user sees it.
  main.SetAbortEnabled(true);
  main.SetStepsText("1234");
  main.SetStatusText("Searching faces...");
  main.Controls().Shape1->SetBrushColor(QColor(0, 255, 0));
  QTest::qWait(100);
  EXPECT_TRUE(main.grab().save(dir + "/main-window-joining.png"));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    EXPECT_TRUE(screen->grabWindow(0).save(dir + "/screen.png"));
  }

  // A message box as the engine shows it, grabbed from inside its loop.
  bool grabbed = false;
  QTimer::singleShot(300, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      grabbed = box->grab().save(dir + "/message-box.png");
      box->button(QMessageBox::Ok)->click();
    }
  });
  main.ShowMessage(spl::BoxType::Warning, "警告",
                   "SPL : 11 - SPLICER-BOT operation aborted by user.");
  EXPECT_TRUE(grabbed);
}

}  // namespace
