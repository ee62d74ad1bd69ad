#include "ui/TsxMain.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QFontInfo>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"
#include "host/scene/Scene.h"
#include "tests/ui/MouseHelpers.h"
#include "tests/ui/RecordingPresenter.h"
#include "tests/ui/TestScene.h"
#include "ui/LampShape.h"
#include "ui_TsxMain.h"

namespace {

using spl::JoinState;
using spl::Slot;
using spl::testing::RecordingPresenter;

const QString kMsg01 = "SPL : 01 - 1st object is not selected.";
const QString kMsg02 = "SPL : 02 - 2nd object is not selected.";
const QString kMsg03 = "SPL : 03 - 1st object is not suitable for SPLICER.";
const QString kMsg05 = "SPL : 05 - 1st and 2nd objects can not be the same.";
const QString kMsg07 = "SPL : 07 - Object selected as 1st object no longer exists.";
const QString kMsg11 = "SPL : 11 - SPLICER-BOT operation aborted by user.";

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    spl::ResetJoinState();
    form = std::make_unique<TTsxMainForm>();
    form->show();
    left = tsxhost::AddPolyhedron("Left", spl::testing::UnitCube(0));
    right = tsxhost::AddPolyhedron("Right", spl::testing::UnitCube(1));
  }
  void TearDown() override {
    form.reset();
    tsxhost::ResetScene();
  }

  Ui::TTsxMainForm& ui() { return form->Controls(); }
  unsigned Lamp(Slot slot) {
    return ColorNumber((slot == Slot::First ? ui().Shape1 : ui().Shape2)->BrushColor());
  }
  void Pick(Slot slot, tsxSOBJ obj) {
    tsxhost::SetSelection(obj);
    QTest::mouseClick(slot == Slot::First ? ui().Button2 : ui().Button4, Qt::LeftButton);
  }
  void ExpectIdle() {
    EXPECT_EQ(Lamp(Slot::First), 32896u);
    EXPECT_EQ(Lamp(Slot::Second), 32896u);
    EXPECT_EQ(ui().Label4->text(), "0");
    EXPECT_EQ(ui().Label2->text(), "");
    EXPECT_FALSE(ui().Button8->isEnabled());
    EXPECT_FALSE(JoinState.AbortRequested);
    EXPECT_EQ(JoinState.FirstObject, 0u);
    EXPECT_EQ(JoinState.SecondObject, 0u);
  }

  RecordingPresenter boxes;
  std::unique_ptr<TTsxMainForm> form;
  tsxSOBJ left = 0;
  tsxSOBJ right = 0;
};

// ---- Layout ------------------------------------------------------------------

TEST_F(MainFormTest, ControlsAsTheLayoutTable) {
  struct Row {
    const char* name;
    const char* kind;
    QRect geometry;
    const char* text;
    int fontPixels;
  };
  // Back to front, as the layout stores them.
  const Row rows[] = {
      {"Bevel6", "TBevel", {4, 150, 233, 51}, nullptr, 0},
      {"Bevel1", "TBevel", {4, 120, 233, 27}, nullptr, 0},
      {"Bevel5", "TBevel", {149, 123, 24, 21}, nullptr, 0},
      {"Label1", "QLabel", {11, 124, 69, 17}, "Accuracy :", 15},
      {"SpinArrow1", "TSpinArrow", {153, 126, 16, 16}, nullptr, 0},
      {"Label3", "QLabel", {10, 155, 77, 16}, "Steps To Go:", 13},
      {"Bevel2", "TBevel", {88, 153, 85, 21}, nullptr, 0},
      {"Label4", "QLabel", {92, 155, 77, 16}, "0", 13},
      {"Bevel3", "TBevel", {8, 80, 225, 9}, nullptr, 0},
      {"Bevel4", "TBevel", {8, 40, 225, 9}, nullptr, 0},
      {"Bevel7", "TBevel", {88, 177, 145, 21}, nullptr, 0},
      {"Label2", "QLabel", {92, 178, 137, 17}, "", 13},
      {"Panel1", "QFrame", {128, 5, 33, 33}, nullptr, 0},
      {"Button1", "QPushButton", {168, 88, 65, 25}, "Close", 15},
      {"Button2", "QPushButton", {8, 8, 113, 25}, "Get 1st Object", 15},
      {"Button3", "QPushButton", {168, 8, 65, 25}, "Cancel", 15},
      {"Button4", "QPushButton", {8, 48, 113, 25}, "Get 2nd Object", 15},
      {"Button5", "QPushButton", {168, 48, 65, 25}, "Cancel", 15},
      {"Button6", "QPushButton", {8, 88, 153, 25}, "S P L I C E R !", 15},
      {"Button7", "QPushButton", {176, 123, 57, 21}, "Default", 13},
      {"Button8", "QPushButton", {176, 153, 57, 21}, "Abort", 15},
      {"Panel2", "QFrame", {128, 45, 33, 33}, nullptr, 0},
      {"Edit1", "QLineEdit", {88, 123, 59, 21}, "0.01", 13},
      {"CheckBox1", "QCheckBox", {8, 179, 77, 17}, "Show Info", 13},
  };
  const QObjectList& children = form->children();
  std::vector<QWidget*> widgets;
  for (QObject* child : children) {
    if (auto* w = qobject_cast<QWidget*>(child)) widgets.push_back(w);
  }
  ASSERT_EQ(widgets.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    QWidget* w = widgets[i];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(w->objectName(), row.name);
    EXPECT_STREQ(w->metaObject()->className(), row.kind);
    EXPECT_EQ(w->geometry(), row.geometry);
    if (row.text) {
      EXPECT_EQ(w->property("text").toString(), row.text);
    }
    if (row.fontPixels) {
      EXPECT_EQ(w->font().pixelSize(), row.fontPixels);
      EXPECT_EQ(w->font().family(), "Arial");
    }
  }
  for (const char* name : {"Shape1", "Shape2"}) {
    auto* shape = form->findChild<TShape*>(name);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->geometry(), QRect(4, 4, 25, 25));
  }
  EXPECT_EQ(form->size(), QSize(241, 205));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
  EXPECT_EQ(form->windowTitle(), "SPLICER-BOT");
  EXPECT_EQ(form->windowIcon().pixmap(32, 32).size(), QSize(32, 32));
  EXPECT_FALSE(form->windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(ui().Label4->alignment() & Qt::AlignRight);
  EXPECT_EQ(ui().SpinArrow1->Max(), 1000);
  EXPECT_EQ(ui().SpinArrow1->Min(), 0);
}

TEST_F(MainFormTest, TabOrder) {
  const std::vector<QWidget*> expected = {ui().Button2, ui().Button3, ui().Button4,
                                          ui().Button5, ui().Button6, ui().Button1,
                                          ui().Edit1,   ui().Button7, ui().CheckBox1};
  // Abort is disabled in a fresh window, so the chain skips it.
  QWidget* w = ui().Button2;
  for (std::size_t i = 1; i < expected.size(); ++i) {
    w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled()) w = w->nextInFocusChain();
    EXPECT_EQ(w, expected[i]) << i;
  }
}

// ---- Fresh window, picks, lamps -----------------------------------------------

TEST_F(MainFormTest, FreshWindow) {
  ExpectIdle();
  EXPECT_EQ(ui().Edit1->text(), "0.01");
  EXPECT_EQ(ui().SpinArrow1->Position(), 10);
  EXPECT_EQ(JoinState.Accuracy, 0.01);
  EXPECT_FALSE(ui().CheckBox1->isChecked());
  EXPECT_EQ(JoinState.StepsToGo, 0);
  EXPECT_TRUE(JoinState.HoleMergeEnabled);
  EXPECT_TRUE(boxes.boxes.empty());
  // Arial resolves to the installed metric-compatible face.
  EXPECT_EQ(QFontInfo(ui().Button2->font()).family(), "Liberation Sans");
}

TEST_F(MainFormTest, HostVersionDecidesHoleMerging) {
  for (const auto& [version, enabled] : {std::pair{319, false}, {320, true}, {-5, false}}) {
    tsxhost::SetVersion(static_cast<int16_t>(version), 0);
    TTsxMainForm other;
    EXPECT_EQ(JoinState.HoleMergeEnabled, enabled) << version;
    EXPECT_EQ(JoinState.HostVersion, version);
  }
}

TEST_F(MainFormTest, PicksAndLamps) {
  Pick(Slot::First, 0);
  EXPECT_EQ(boxes.Texts(), std::vector<QString>{kMsg01});
  EXPECT_EQ(Lamp(Slot::First), 32896u);

  const tsxSOBJ light = tsxhost::AddObject("Lamp", e_tsxLIGHT);
  const tsxSOBJ tri = tsxhost::AddPolyhedron("Tri", spl::testing::Triangle());
  Pick(Slot::First, light);
  Pick(Slot::First, tri);
  EXPECT_EQ(boxes.Texts(), (std::vector<QString>{kMsg01, kMsg03, kMsg03}));
  EXPECT_EQ(Lamp(Slot::First), 32896u);

  Pick(Slot::First, left);
  EXPECT_EQ(Lamp(Slot::First), 65280u);
  Pick(Slot::Second, left);  // the same object again: only the second slot empties
  EXPECT_EQ(boxes.Texts().back(), kMsg05);
  EXPECT_EQ(Lamp(Slot::First), 65280u);
  EXPECT_EQ(Lamp(Slot::Second), 32896u);
  EXPECT_EQ(JoinState.FirstObject, left);
  EXPECT_EQ(JoinState.SecondObject, 0u);

  Pick(Slot::Second, right);
  EXPECT_EQ(Lamp(Slot::Second), 65280u);
  const std::size_t shown = boxes.boxes.size();
  QTest::mouseClick(ui().Button3, Qt::LeftButton);
  EXPECT_EQ(Lamp(Slot::First), 32896u);
  EXPECT_EQ(JoinState.FirstObject, 0u);
  QTest::mouseClick(ui().Button5, Qt::LeftButton);
  EXPECT_EQ(Lamp(Slot::Second), 32896u);
  EXPECT_EQ(boxes.boxes.size(), shown);
}

TEST_F(MainFormTest, JoinWithBothSlotsEmptyShowsOneThenTwo) {
  const std::size_t objects = tsxhost::SceneObjects().size();
  QTest::mouseClick(ui().Button6, Qt::LeftButton);
  EXPECT_EQ(boxes.Texts(), (std::vector<QString>{kMsg01, kMsg02}));
  EXPECT_EQ(boxes.boxes[0].type, spl::BoxType::Error);
  EXPECT_EQ(boxes.boxes[0].title, "ｴﾗｰ");
  EXPECT_EQ(tsxhost::SceneObjects().size(), objects);
  EXPECT_TRUE(ui().Button6->isEnabled());
}

TEST_F(MainFormTest, ObjectDeletedAfterPicking) {
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  tsxSobjDelete(left);
  QTest::mouseClick(ui().Button6, Qt::LeftButton);
  EXPECT_EQ(boxes.Texts(), std::vector<QString>{kMsg07});
  EXPECT_EQ(Lamp(Slot::First), 32896u);
  EXPECT_EQ(Lamp(Slot::Second), 65280u);
  EXPECT_EQ(JoinState.SecondObject, right);
}

// ---- Joins -------------------------------------------------------------------

TEST_F(MainFormTest, JoinAddsTheThirdObjectAndResets) {
  ui().CheckBox1->setChecked(true);
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  std::vector<bool> idleDuringJoin;
  bool abortLive = false;
  QMetaObject::invokeMethod(
      form.get(),
      [&] {
        for (QWidget* w : {static_cast<QWidget*>(ui().Button2), static_cast<QWidget*>(ui().Button6),
                           static_cast<QWidget*>(ui().Edit1), static_cast<QWidget*>(ui().SpinArrow1),
                           static_cast<QWidget*>(ui().Button1)}) {
          idleDuringJoin.push_back(w->isEnabled());
        }
        abortLive = ui().Button8->isEnabled();
      },
      Qt::QueuedConnection);
  QTest::mouseClick(ui().Button6, Qt::LeftButton);
  EXPECT_TRUE(boxes.boxes.empty()) << boxes.Texts().front().toStdString();
  EXPECT_EQ(tsxhost::SceneObjects().size(), 3u);
  ExpectIdle();
  EXPECT_EQ(idleDuringJoin, std::vector<bool>(5, false));
  EXPECT_TRUE(abortLive);
  EXPECT_TRUE(ui().Button6->isEnabled());
  EXPECT_TRUE(ui().Edit1->isEnabled());
}

TEST_F(MainFormTest, AbortDuringAJoinStopsItWithMessage11) {
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  QMetaObject::invokeMethod(
      ui().Button8, [this] { QTest::mouseClick(ui().Button8, Qt::LeftButton); },
      Qt::QueuedConnection);
  QTest::mouseClick(ui().Button6, Qt::LeftButton);
  ASSERT_EQ(boxes.Texts(), std::vector<QString>{kMsg11});
  EXPECT_EQ(boxes.boxes[0].type, spl::BoxType::Warning);
  EXPECT_EQ(boxes.boxes[0].title, "警告");
  EXPECT_EQ(tsxhost::SceneObjects().size(), 2u);
  ExpectIdle();
}

TEST_F(MainFormTest, ClosingDuringAJoinAbortsAndHidesAfterwards) {
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  bool visibleAfterClose = false;
  QMetaObject::invokeMethod(
      form.get(),
      [&] {
        form->close();
        visibleAfterClose = form->isVisible();
      },
      Qt::QueuedConnection);
  QTest::mouseClick(ui().Button6, Qt::LeftButton);
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(boxes.Texts(), std::vector<QString>{kMsg11});
  EXPECT_EQ(tsxhost::SceneObjects().size(), 2u);
  ExpectIdle();
}

TEST_F(MainFormTest, HostDeactivationDuringAJoinOnlyHides) {
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  QMetaObject::invokeMethod(
      form.get(), [this] { form->ToolDeactivate(); }, Qt::QueuedConnection);
  QTest::mouseClick(ui().Button6, Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(tsxhost::SceneObjects().size(), 3u);
  ExpectIdle();
}

TEST_F(MainFormTest, AbortClickDeliveredByAPumpStopsTheNextProgressCall) {
  form->SetAbortEnabled(true);
  spl::JoinProgress progress{form.get(), {}};
  EXPECT_TRUE(spl::ReportProgress(progress, 0, "Stage", 1));  // a first call dispatches
  QMetaObject::invokeMethod(
      ui().Button8, [this] { QTest::mouseClick(ui().Button8, Qt::LeftButton); },
      Qt::QueuedConnection);
  EXPECT_TRUE(spl::ReportProgress(progress, 0, "Next stage", 1));  // a new stage dispatches: the click lands
  EXPECT_TRUE(JoinState.AbortRequested);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_FALSE(spl::ReportProgress(progress, 0, "Next stage", 1));
  EXPECT_EQ(JoinState.LastError, -1100);
  EXPECT_EQ(boxes.Texts(), std::vector<QString>{kMsg11});
}

// ---- Accuracy field and spin arrow -------------------------------------------------

TEST_F(MainFormTest, DefaultRestoresTheAccuracy) {
  ui().Edit1->setText("0.5");
  QTest::mouseClick(ui().Button7, Qt::LeftButton);
  EXPECT_EQ(ui().Edit1->text(), "0.01");
  EXPECT_EQ(ui().SpinArrow1->Position(), 10);
  EXPECT_EQ(JoinState.Accuracy, 0.01);
}

TEST_F(MainFormTest, DraggingTheSpinArrowWritesTheField) {
  TSpinArrow* spin = ui().SpinArrow1;
  spl::testing::Press(spin, 0);
  spl::testing::MoveTo(spin, 113);
  spl::testing::Release(spin, 113);
  EXPECT_EQ(spin->Position(), 123);
  EXPECT_EQ(ui().Edit1->text(), "0.123");
  EXPECT_EQ(JoinState.Accuracy, 0.123);
  for (const auto& [position, text] : {std::pair{1000, "1"}, {0, "0"}, {2000, "1"}}) {
    spin->SetPosition(position);
    EXPECT_EQ(ui().Edit1->text(), text) << position;
  }
}

TEST_F(MainFormTest, TypedValuesAndTheSpinPosition) {
  QLineEdit* edit = ui().Edit1;
  edit->selectAll();
  QTest::keyClick(edit, '5');
  EXPECT_EQ(edit->text(), "1");
  EXPECT_EQ(ui().SpinArrow1->Position(), 1000);
  EXPECT_EQ(JoinState.Accuracy, 1.0);

  edit->setText("0.012");
  QTest::keyClick(edit, '5');
  EXPECT_EQ(ui().SpinArrow1->Position(), 13);
  EXPECT_EQ(edit->text(), "0.013");

  edit->setText("0.002");
  QTest::keyClick(edit, '5');
  EXPECT_EQ(ui().SpinArrow1->Position(), 2);
  EXPECT_EQ(JoinState.Accuracy, 0.0025);
  EXPECT_EQ(edit->text(), "0.0025");

  edit->setText("0.0123");  // rounds to a new position 12, shown as 0.012
  edit->setText("0.0123");
  edit->setText("0.01234");
  EXPECT_EQ(ui().SpinArrow1->Position(), 12);
  EXPECT_EQ(JoinState.Accuracy, 0.01234);

  edit->setText(".");
  EXPECT_EQ(JoinState.Accuracy, 0.0);
  EXPECT_EQ(ui().SpinArrow1->Position(), 0);
  EXPECT_EQ(edit->text(), "0");

  edit->setText("0.3");
  edit->clear();
  EXPECT_EQ(JoinState.Accuracy, 0.3);
  EXPECT_EQ(ui().SpinArrow1->Position(), 300);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainFormTest, ConversionErrorsShowAnErrorBox) {
  QLineEdit* edit = ui().Edit1;
  edit->setText("1,5");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].type, spl::BoxType::Error);
  EXPECT_EQ(boxes.boxes[0].text, "'1,5' は浮動小数点数ではありません");
  EXPECT_EQ(edit->text(), "1,5");
  EXPECT_EQ(JoinState.Accuracy, 0.01);
  EXPECT_EQ(ui().SpinArrow1->Position(), 10);

  edit->setText("3e9");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_TRUE(boxes.boxes[1].text.endsWith("' は整数ではありません"));
  EXPECT_EQ(JoinState.Accuracy, 3e9);
  EXPECT_EQ(ui().SpinArrow1->Position(), 10);
}

TEST_F(MainFormTest, KeyFilterAdmitsDigitsOnePointAndBackspace) {
  QLineEdit* edit = ui().Edit1;
  edit->setFocus();
  edit->setText("0");
  QTest::keyClicks(edit, "-a,e+ ");
  EXPECT_EQ(edit->text(), "0");
  QTest::keyClicks(edit, ".2.5");
  EXPECT_EQ(edit->text(), "0.25");
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "0.2");
  edit->selectAll();
  QTest::keyClick(edit, '.');  // the selected text still holds a point
  EXPECT_EQ(edit->text(), "0.2");
  QTest::keyClick(edit, Qt::Key_Return);
  edit->end(false);
  QTest::keyClick(edit, Qt::Key_Left);  // moving keys type nothing and pass
  EXPECT_EQ(edit->cursorPosition(), 2);
}

// ---- Showing and hiding --------------------------------------------------------------

TEST_F(MainFormTest, CloseKeepsSettingsButEmptiesThePicks) {
  ui().CheckBox1->setChecked(true);
  ui().Edit1->setText("0.5");
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  QTest::mouseClick(ui().Button1, Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->ToolActivate(), 0);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(Lamp(Slot::First), 32896u);
  EXPECT_EQ(Lamp(Slot::Second), 32896u);
  EXPECT_EQ(JoinState.FirstObject, 0u);
  EXPECT_EQ(JoinState.SecondObject, 0u);
  EXPECT_TRUE(ui().CheckBox1->isChecked());
  EXPECT_EQ(ui().Edit1->text(), "0.5");
  EXPECT_EQ(JoinState.Accuracy, 0.5);
}

TEST_F(MainFormTest, DeactivateKeepsThePicks) {
  Pick(Slot::First, left);
  form->ToolDeactivate();
  EXPECT_FALSE(form->isVisible());
  form->ToolDeactivate();
  EXPECT_FALSE(form->isVisible());
  form->ToolActivate();
  EXPECT_EQ(Lamp(Slot::First), 65280u);
  EXPECT_EQ(JoinState.FirstObject, left);
}

TEST_F(MainFormTest, NoHostWindowMeansNoOwner) {
  EXPECT_EQ(form->HostOwner(), nullptr);
  tsxhost::SetMainViewHwnd(0x1234);  // offscreen cannot wrap foreign windows
  form->hide();
  form->show();
  EXPECT_EQ(form->HostOwner(), nullptr);
}

// ---- Keyboard and focus ---------------------------------------------------------------

// A key as the X server delivers it: the key code with the text it carries.
void SendKey(QWidget* target, Qt::Key key, const QString& text,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::sendKeyEvent(QTest::Press, target, key, text, modifiers);
  QTest::sendKeyEvent(QTest::Release, target, key, text, modifiers);
}

class MainFormKeysTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  QWidget* Focused() { return QApplication::focusWidget(); }
};

TEST_F(MainFormKeysTest, TabAndShiftTabLeaveTheAccuracyField) {
  ui().Edit1->setFocus();
  SendKey(ui().Edit1, Qt::Key_Tab, "\t");
  EXPECT_EQ(Focused(), ui().Button7);
  SendKey(ui().Button7, Qt::Key_Backtab, "", Qt::ShiftModifier);
  EXPECT_EQ(Focused(), ui().Edit1);
  SendKey(ui().Edit1, Qt::Key_Backtab, "", Qt::ShiftModifier);
  EXPECT_EQ(Focused(), ui().Button1);
  EXPECT_EQ(ui().Edit1->text(), "0.01");
}

TEST_F(MainFormKeysTest, EditingKeysReachTheFieldControlKeysStayFiltered) {
  QLineEdit* edit = ui().Edit1;
  edit->setFocus();
  SendKey(edit, Qt::Key_End, "");
  EXPECT_EQ(edit->cursorPosition(), 4);
  SendKey(edit, Qt::Key_Home, "");
  EXPECT_EQ(edit->cursorPosition(), 0);
  SendKey(edit, Qt::Key_Delete, "\x7f");  // X11's text for Delete
  EXPECT_EQ(edit->text(), ".01");
  SendKey(edit, Qt::Key_Right, "");
  EXPECT_EQ(edit->cursorPosition(), 1);
  SendKey(edit, Qt::Key_End, "");
  SendKey(edit, Qt::Key_Backspace, "\b");  // ".0" reads 0, shown as "0"
  EXPECT_EQ(edit->text(), "0");
  EXPECT_EQ(ui().SpinArrow1->Position(), 0);

  edit->setText("0.5");
  edit->selectAll();
  SendKey(edit, Qt::Key_X, "\x18", Qt::ControlModifier);  // cut
  SendKey(edit, Qt::Key_Z, "\x1a", Qt::ControlModifier);  // undo
  EXPECT_EQ(edit->text(), "0.5");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainFormKeysTest, EnterClicksTheFocusedButtonNoneIsTheDefault) {
  for (QPushButton* b : form->findChildren<QPushButton*>()) {
    EXPECT_FALSE(b->isDefault()) << b->objectName().toStdString();
  }
  tsxhost::SetSelection(left);
  ui().Button2->setFocus();
  SendKey(ui().Button2, Qt::Key_Return, "\r");
  EXPECT_EQ(Lamp(Slot::First), 65280u);
  ui().Button3->setFocus();
  SendKey(ui().Button3, Qt::Key_Enter, "\r", Qt::KeypadModifier);
  EXPECT_EQ(Lamp(Slot::First), 32896u);
  ui().Button1->setFocus();  // Enter in the field clicks nothing
  ui().Edit1->setFocus();
  SendKey(ui().Edit1, Qt::Key_Return, "\r");
  EXPECT_TRUE(form->isVisible());
}

TEST_F(MainFormKeysTest, FocusComesBackAfterAJoin) {
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  ui().Button6->setFocus();
  QWidget* focusDuring = nullptr;
  QMetaObject::invokeMethod(
      form.get(), [&] { focusDuring = Focused(); }, Qt::QueuedConnection);
  SendKey(ui().Button6, Qt::Key_Return, "\r");
  EXPECT_EQ(tsxhost::SceneObjects().size(), 3u);
  EXPECT_NE(focusDuring, ui().CheckBox1);  // not handed along the chain
  EXPECT_EQ(Focused(), ui().Button6);
  ExpectIdle();

  ui().Edit1->setFocus();  // a join refused for empty slots keeps it too
  ui().Button6->click();
  EXPECT_EQ(Focused(), ui().Edit1);
}

TEST_F(MainFormKeysTest, PickErrorsLeaveTheControlsLiveAndBelongToTheWindow) {
  std::vector<bool> joinButtonLive;
  boxes.onShow = [&](const spl::testing::RecordedBox&) {
    joinButtonLive.push_back(ui().Button6->isEnabled() && ui().Edit1->isEnabled());
  };
  QTest::mouseClick(ui().Button6, Qt::LeftButton);  // 01 and 02
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  tsxSobjDelete(left);
  QTest::mouseClick(ui().Button6, Qt::LeftButton);  // 07
  EXPECT_EQ(boxes.Texts(), (std::vector<QString>{kMsg01, kMsg02, kMsg07}));
  EXPECT_EQ(joinButtonLive, std::vector<bool>(3, true));
  for (const auto& box : boxes.boxes) EXPECT_EQ(box.owner, form.get());
}

TEST_F(MainFormKeysTest, DuringAJoinShowInfoStaysLiveAndTheSpinArrowLooksDisabled) {
  Pick(Slot::First, left);
  Pick(Slot::Second, right);
  bool showInfoLive = false, spinLive = true;
  QImage spinDuring;
  QMetaObject::invokeMethod(
      form.get(),
      [&] {
        showInfoLive = ui().CheckBox1->isEnabled();
        spinLive = ui().SpinArrow1->isEnabled();
        spinDuring = ui().SpinArrow1->grab().toImage();
      },
      Qt::QueuedConnection);
  QTest::mouseClick(ui().Button6, Qt::LeftButton);
  EXPECT_TRUE(showInfoLive);
  EXPECT_FALSE(spinLive);
  ASSERT_FALSE(spinDuring.isNull());
  EXPECT_NE(spinDuring.pixel(7, 7), qRgb(0, 0, 0));  // the arrow's bar is no longer black
  const QImage after = ui().SpinArrow1->grab().toImage();
  EXPECT_EQ(after.pixel(7, 7), qRgb(0, 0, 0));
}

}  // namespace
