// The entry points' logic, linked in directly (the loaded module is
// tested in ModuleLoad_test.cpp).
#include "plugin/PlugModule.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <array>
#include <cstring>

#include "engine/common/JoinState.h"
#include "host/scene/Scene.h"
#include "ui/TsxAbout.h"
#include "ui/TsxMain.h"
#include "ui_TsxMain.h"

namespace {

namespace plug = spl::plug;

class PlugModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { tsxhost::ResetScene(); }
  void TearDown() override {
    plug::Shutdown();
    plug::Module.Unloading = false;
  }
  static int TopLevelsNamed(const char* name) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += w->objectName() == name;
    return n;
  }
};

TEST_F(PlugModuleTest, GetDataWritesOnlyItsFields) {
  std::array<unsigned char, 128> record;
  record.fill(0xAA);
  plug::GetData(record.data());
  EXPECT_STREQ(reinterpret_cast<const char*>(&record[0]), "SPLICER-BOT");
  EXPECT_STREQ(reinterpret_cast<const char*>(&record[32]), "Studio MORIKAZ");
  uint16_t bitmap = 0, string = 0;
  std::memcpy(&bitmap, &record[96], 2);
  std::memcpy(&string, &record[98], 2);
  EXPECT_EQ(bitmap, 101);
  EXPECT_EQ(string, 1);
  for (std::size_t i : {std::size_t{12}, std::size_t{31}, std::size_t{47}, std::size_t{95},
                        std::size_t{100}, std::size_t{127}}) {
    EXPECT_EQ(record[i], 0xAA) << i;
  }
  EXPECT_EQ(plug::Module.Windows.Main(), nullptr);
  plug::GetData(nullptr);
}

TEST_F(PlugModuleTest, DeactivateBeforeAnyLeftClickDoesNothing) {
  plug::Deactivate();
  EXPECT_EQ(plug::Module.Windows.Main(), nullptr);
}

TEST_F(PlugModuleTest, TwoLeftClicksOneWindow) {
  EXPECT_EQ(plug::OnLeftClick(), 0);
  TTsxMainForm* first = plug::Module.Windows.Main();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->pos(), QPoint(765, 95));
  EXPECT_EQ(plug::OnLeftClick(), 0);
  EXPECT_EQ(plug::Module.Windows.Main(), first);
  EXPECT_EQ(TopLevelsNamed("TsxMainForm"), 1);
}

TEST_F(PlugModuleTest, DeactivateAndReactivateKeepThePicks) {
  const tsxSOBJ cube = tsxhost::AddObject("Light", e_tsxLIGHT);
  plug::OnLeftClick();
  TTsxMainForm* form = plug::Module.Windows.Main();
  spl::JoinState.FirstObject = cube;
  form->Controls().Edit1->setText("0.2");
  plug::Deactivate();
  EXPECT_FALSE(form->isVisible());
  plug::OnLeftClick();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(spl::JoinState.FirstObject, cube);
  EXPECT_EQ(form->Controls().Edit1->text(), "0.2");
}

TEST_F(PlugModuleTest, DeactivateAfterUnloadingBeganDoesNothing) {
  plug::OnLeftClick();
  plug::Module.Unloading = true;
  plug::Deactivate();
  EXPECT_TRUE(plug::Module.Windows.Main()->isVisible());
}

TEST_F(PlugModuleTest, RightClickShowsAboutAndMakesNoMainWindow) {
  plug::OnRightClick();
  TTsxAboutForm* about = plug::Module.Windows.About();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(plug::Module.Windows.Main(), nullptr);
  about->close();
  plug::OnRightClick();
  EXPECT_EQ(plug::Module.Windows.About(), about);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(TopLevelsNamed("TsxAboutForm"), 1);
}

TEST_F(PlugModuleTest, ShutdownDestroysBothWindows) {
  plug::OnLeftClick();
  plug::OnRightClick();
  plug::Shutdown();
  EXPECT_TRUE(plug::Module.Unloading);
  EXPECT_EQ(plug::Module.Windows.Main(), nullptr);
  EXPECT_EQ(plug::Module.Windows.About(), nullptr);
  EXPECT_EQ(TopLevelsNamed("TsxMainForm") + TopLevelsNamed("TsxAboutForm"), 0);
  EXPECT_EQ(plug::OnLeftClick(), 0);
  EXPECT_EQ(plug::Module.Windows.Main(), nullptr);
}

}  // namespace
