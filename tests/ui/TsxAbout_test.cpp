#include "ui/TsxAbout.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QTest>

#include "ui/ModuleResources.h"
#include "ui_TsxAbout.h"

namespace {

TEST(AboutForm, LayoutAndPicture) {
  TTsxAboutForm form;
  Ui::TTsxAboutForm& ui = form.Controls();
  EXPECT_EQ(form.windowTitle(), "About SPLICER-BOT");
  EXPECT_EQ(form.size(), QSize(368, 219));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(ui.Image1->geometry(), QRect(8, 8, 350, 160));
  EXPECT_EQ(ui.Button1->geometry(), QRect(144, 184, 81, 25));
  EXPECT_EQ(ui.Button1->text(), "OK");
  EXPECT_EQ(ui.Button1->font().family(), "Arial");
  EXPECT_EQ(ui.Button1->font().pixelSize(), 15);
  // Back to front: the picture, then the button.
  EXPECT_EQ(form.children().indexOf(ui.Image1) < form.children().indexOf(ui.Button1), true);
  ASSERT_FALSE(ui.Image1->pixmap().isNull());
  EXPECT_EQ(ui.Image1->pixmap().size(), QSize(350, 160));
  EXPECT_TRUE(ui.Image1->alignment() & Qt::AlignHCenter);
}

TEST(AboutForm, JapaneseGothicStandsInForTheStoredFont) {
  TTsxAboutForm form;
  EXPECT_EQ(form.font().family(), QString::fromUtf16(kAboutFontName));
  EXPECT_EQ(form.font().pixelSize(), 15);
  EXPECT_TRUE(QFont::substitutes(QString::fromUtf16(kAboutFontName)).contains("IPAPGothic", Qt::CaseInsensitive));
  EXPECT_EQ(QFontInfo(form.font()).family(), "IPAPGothic");
}

TEST(AboutForm, OkAndCloseBoxOnlyHide) {
  TTsxAboutForm form;
  EXPECT_EQ(form.ToolActivate(), 0);
  EXPECT_TRUE(form.isVisible());
  QTest::mouseClick(form.Controls().Button1, Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  form.ToolActivate();
  form.close();
  EXPECT_FALSE(form.isVisible());
  form.ToolActivate();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.Controls().Image1->pixmap().isNull());
  EXPECT_FALSE(form.testAttribute(Qt::WA_QuitOnClose));
}

}  // namespace
