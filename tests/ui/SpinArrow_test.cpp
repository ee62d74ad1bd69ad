#include "ui/SpinArrow.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <array>

#include "tests/ui/MouseHelpers.h"
#include "ui/ModuleResources.h"

namespace {

using spl::testing::MoveTo;
using spl::testing::Press;
using spl::testing::Release;

// The released picture: W white, S silver, G grey, K black.
constexpr std::array<const char*, 16> kUp = {
    "WWWWWWWWWWWWWWWS", "WSSSSSSSSSSSSSSG", "WSSSSSSSSSSSSSSG", "WSSSSKSSSSKSSSSG",
    "WSSSKKSSSSKKSSSG", "WSSSKKSSSSKKSSSG", "WSSKKKSSSSKKKSSG", "WSKKKKKKKKKKKKSG",
    "WSKKKKKKKKKKKKSG", "WSSKKKSSSSKKKSSG", "WSSSKKSSSSKKSSSG", "WSSSKKSSSSKKSSSG",
    "WSSSSKSSSSKSSSSG", "WSSSSSSSSSSSSSSG", "WSSSSSSSSSSSSSSG", "SGGGGGGGGGGGGGGG",
};

QRgb Expected(char code, bool pressed) {
  switch (code) {
    case 'W':
      return qRgb(255, 255, 255);
    case 'S':
      return qRgb(192, 192, 192);
    case 'G':
      return qRgb(128, 128, 128);
    default:
      return pressed ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
  }
}

void ExpectPicture(const QImage& image, bool pressed) {
  ASSERT_EQ(image.size(), QSize(16, 16));
  int changed = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(image.pixel(x, y), Expected(kUp[y][x], pressed)) << x << "," << y;
      if (kUp[y][x] == 'K') ++changed;
    }
  }
  EXPECT_EQ(changed, 56);
}

TEST(SpinArrowPictures, AreFourBitBitmapsPixelForPixel) {
  const QImage up(QString::fromLatin1(spl::res::kSpinArrowUp));
  const QImage down(QString::fromLatin1(spl::res::kSpinArrowDown));
  EXPECT_EQ(up.format(), QImage::Format_Indexed8);  // Qt reads 4-bit BMPs so
  EXPECT_EQ(up.colorCount(), 16);
  ExpectPicture(up, false);
  ExpectPicture(down, true);
}

class SpinArrowTest : public ::testing::Test {
 protected:
  TSpinArrow spin;
  QSignalSpy changes{&spin, &TSpinArrow::OnChange};
};

TEST_F(SpinArrowTest, NewControl) {
  EXPECT_EQ(spin.size(), QSize(16, 16));
  EXPECT_EQ(spin.Position(), 0);
  EXPECT_EQ(spin.Min(), 0);
  EXPECT_EQ(spin.Max(), 100);
  EXPECT_EQ(spin.Increment(), 1);
  EXPECT_FALSE(spin.Pressed());
  EXPECT_EQ(spin.ShownBitmap(), spin.UpBitmap());
  EXPECT_EQ(spin.focusPolicy(), Qt::NoFocus);
}

TEST_F(SpinArrowTest, SetPositionRaisesOnlyOnADifferentValue) {
  spin.SetPosition(0);
  EXPECT_EQ(changes.count(), 0);
  spin.SetPosition(40);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(changes.at(0).at(0).value<TSpinArrow*>(), &spin);
  spin.SetPosition(100);
  spin.SetPosition(105);  // clamps back to the old value, still an event
  EXPECT_EQ(spin.Position(), 100);
  EXPECT_EQ(changes.count(), 3);
  spin.SetPosition(-7);
  EXPECT_EQ(spin.Position(), 0);
  EXPECT_EQ(changes.count(), 4);
}

TEST_F(SpinArrowTest, IncAndDecClampAndAlwaysRaise) {
  spin.SetPosition(98);
  changes.clear();
  spin.IncPosition(5);
  EXPECT_EQ(spin.Position(), 100);
  spin.IncPosition(1);
  EXPECT_EQ(spin.Position(), 100);
  spin.IncPosition(0);
  EXPECT_EQ(changes.count(), 2);
  spin.DecPosition(250);
  EXPECT_EQ(spin.Position(), 0);
  spin.DecPosition(1);
  EXPECT_EQ(changes.count(), 4);
}

TEST_F(SpinArrowTest, StepsClampAtANonZeroMinAndAtANegativeOne) {
  spin.SetMin(20);
  spin.SetPosition(25);
  spin.DecPosition(10);
  EXPECT_EQ(spin.Position(), 20);
  spin.SetMin(-30);
  spin.DecPosition(100);
  EXPECT_EQ(spin.Position(), -30);
}

TEST_F(SpinArrowTest, BoundsPinEachOtherAndLeavePosition) {
  spin.SetPosition(80);
  changes.clear();
  spin.SetMax(50);
  EXPECT_EQ(spin.Max(), 50);
  EXPECT_EQ(spin.Position(), 80);  // moves back only at its next change
  spin.SetMin(70);
  EXPECT_EQ(spin.Min(), 50);
  spin.SetMax(10);
  EXPECT_EQ(spin.Max(), 50);
  EXPECT_EQ(changes.count(), 0);
  spin.IncPosition(1);
  EXPECT_EQ(spin.Position(), 50);
}

TEST_F(SpinArrowTest, DragMovesOneUnitPerPixel) {
  spin.SetIncrement(5);
  spin.SetPosition(50);
  changes.clear();
  Press(&spin, 8);
  EXPECT_TRUE(spin.Pressed());
  EXPECT_EQ(spin.ShownBitmap(), spin.DownBitmap());
  MoveTo(&spin, 9);
  EXPECT_EQ(spin.Position(), 51);  // one pixel, one unit, whatever Increment
  MoveTo(&spin, 13);
  EXPECT_EQ(spin.Position(), 55);
  EXPECT_EQ(changes.count(), 2);   // one event per move event
  MoveTo(&spin, 13, 40);           // vertical only
  MoveTo(&spin, 13.7);             // less than a whole pixel
  EXPECT_EQ(changes.count(), 2);
  MoveTo(&spin, -2);               // leaves the control, captured
  EXPECT_EQ(spin.Position(), 40);
  Release(&spin, -2);
  EXPECT_FALSE(spin.Pressed());
  EXPECT_EQ(spin.ShownBitmap(), spin.UpBitmap());
  MoveTo(&spin, 30, 8, Qt::NoButton);
  EXPECT_EQ(spin.Position(), 40);
}

TEST_F(SpinArrowTest, DragPastMaxKeepsRaising) {
  spin.SetPosition(98);
  changes.clear();
  Press(&spin, 0);
  MoveTo(&spin, 5);
  MoveTo(&spin, 6);
  MoveTo(&spin, 7);
  EXPECT_EQ(spin.Position(), 100);
  EXPECT_EQ(changes.count(), 3);
}

TEST_F(SpinArrowTest, RightButtonNeitherPressesNorDrags) {
  Press(&spin, 4, Qt::RightButton);
  EXPECT_FALSE(spin.Pressed());
  EXPECT_EQ(spin.ShownBitmap(), spin.UpBitmap());
  MoveTo(&spin, 12, 8, Qt::RightButton);
  EXPECT_EQ(spin.Position(), 0);
  EXPECT_EQ(changes.count(), 0);
}

TEST_F(SpinArrowTest, RightReleaseEndsALeftDrag) {
  Press(&spin, 4);
  MoveTo(&spin, 6);
  Release(&spin, 6, Qt::RightButton, Qt::LeftButton);
  EXPECT_FALSE(spin.Pressed());
  MoveTo(&spin, 12);
  EXPECT_EQ(spin.Position(), 2);
}

TEST_F(SpinArrowTest, HoldingStillChangesNothing) {
  Press(&spin, 4);
  MoveTo(&spin, 4);
  QCoreApplication::processEvents();
  EXPECT_EQ(changes.count(), 0);
  EXPECT_EQ(spin.Position(), 0);
}

// A disabled arrow is drawn greyed on the same raised frame, and drawn as
// before once enabled again.
TEST(SpinArrow, LooksDisabledWhenDisabled) {
  TSpinArrow arrow;
  arrow.setEnabled(false);
  const QImage greyed = arrow.grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      const QRgb want = kUp[y][x] == 'K' ? qRgb(128, 128, 128) : greyed.pixel(x, y);
      EXPECT_EQ(greyed.pixel(x, y), want);
      if (x == 0 || y == 0 || x == 15 || y == 15) {
        EXPECT_EQ(greyed.pixel(x, y), Expected(kUp[y][x], false));
      }
    }
  }
  arrow.setEnabled(true);
  ExpectPicture(arrow.grab().toImage(), false);
}

}  // namespace
