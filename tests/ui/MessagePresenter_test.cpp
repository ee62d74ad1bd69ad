// The modal box that the windows show when no test presenter is installed.
#include "ui/MessagePresenter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

struct SeenBox {
  bool found = false;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title, text;
  int buttons = 0;
  bool modal = false;
  QPoint centre, screenCentre;
  QWidget* parent = nullptr;
  QWindow* transientParent = nullptr;
};

// Opens the box through the default presenter and reads it from inside
// its modal loop, then presses OK.
SeenBox ShowAndRead(spl::BoxType type, QWidget* owner = nullptr) {
  SeenBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen.found = true;
    seen.icon = box->icon();
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.buttons = static_cast<int>(box->buttons().size());
    seen.modal = box->isModal();
    seen.centre = box->frameGeometry().center();
    seen.screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    seen.parent = box->parentWidget();
    seen.transientParent = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr;
    box->button(QMessageBox::Ok)->click();
  });
  spl::CurrentPresenter().Show(type, "ｴﾗｰ", "SPL : 06 - Faces (Junction) not found.", owner);
  return seen;
}

TEST(MessagePresenter, ModalBoxWithOneOkCentredOnTheScreen) {
  const struct {
    spl::BoxType type;
    QMessageBox::Icon icon;
  } cases[] = {{spl::BoxType::Warning, QMessageBox::Warning},
               {spl::BoxType::Error, QMessageBox::Critical},
               {spl::BoxType::Information, QMessageBox::Information}};
  for (const auto& c : cases) {
    const SeenBox seen = ShowAndRead(c.type);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(seen.title, "ｴﾗｰ");
    EXPECT_EQ(seen.text, "SPL : 06 - Faces (Junction) not found.");
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.modal);
    EXPECT_LE((seen.centre - seen.screenCentre).manhattanLength(), 2);
  }
}

// The box belongs to the tool window of the control that raised it, so
// that window, not the host's, is active again after OK.
TEST(MessagePresenter, TransientForTheOwningToolWindowStillCentred) {
  QWidget toolWindow;
  toolWindow.setGeometry(20, 20, 241, 205);
  auto* button = new QWidget(&toolWindow);
  toolWindow.show();
  const SeenBox seen = ShowAndRead(spl::BoxType::Error, button);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.parent, &toolWindow);
  EXPECT_EQ(seen.transientParent, toolWindow.windowHandle());
  EXPECT_LE((seen.centre - seen.screenCentre).manhattanLength(), 2);
}

}  // namespace
