// The module's pictures, strings and layouts as a host reads them.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <string>

#include "ui/ModuleResources.h"

namespace {

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Read(const char* path) { return ReadFile(QString::fromLatin1(path)); }

// Bits per pixel, compression and palette size from the DIB header.
struct DibInfo {
  int width, height, bits, compression, colours;
};
DibInfo Dib(const QByteArray& bmp) {
  auto u32 = [&](int at) {
    return static_cast<int>(static_cast<unsigned char>(bmp[at]) |
                            static_cast<unsigned char>(bmp[at + 1]) << 8 |
                            static_cast<unsigned char>(bmp[at + 2]) << 16 |
                            static_cast<unsigned char>(bmp[at + 3]) << 24);
  };
  auto u16 = [&](int at) {
    return static_cast<unsigned char>(bmp[at]) | static_cast<unsigned char>(bmp[at + 1]) << 8;
  };
  return {u32(18), u32(22), u16(28), u32(30), u32(46)};
}

TEST(ModuleResources, BitmapsAreUncompressedFourBit) {
  const struct {
    const char* path;
    int width, height, colours;
  } cases[] = {{spl::res::kBitmap101, 34, 34, 0},
               {spl::res::kSpinArrowUp, 16, 16, 0},
               {spl::res::kSpinArrowDown, 16, 16, 0},
               {spl::res::kAboutPicture, 350, 160, 8}};
  for (const auto& c : cases) {
    const QByteArray bmp = Read(c.path);
    ASSERT_GT(bmp.size(), 54) << c.path;
    EXPECT_EQ(bmp.left(2), "BM");
    const DibInfo info = Dib(bmp);
    EXPECT_EQ(info.width, c.width) << c.path;
    EXPECT_EQ(info.height, c.height) << c.path;
    EXPECT_EQ(info.bits, 4) << c.path;
    EXPECT_EQ(info.compression, 0) << c.path;
    EXPECT_EQ(info.colours, c.colours) << c.path;
    EXPECT_FALSE(QImage(QString::fromLatin1(c.path)).isNull()) << c.path;
  }
}

TEST(ModuleResources, AboutPicturePalette) {
  const QImage image(QString::fromLatin1(spl::res::kAboutPicture));
  const QList<QRgb> expected = {qRgb(0, 0, 255),     qRgb(0, 128, 128),   qRgb(255, 255, 0),
                                qRgb(128, 128, 0),   qRgb(255, 255, 255), qRgb(192, 192, 192),
                                qRgb(128, 128, 128), qRgb(0, 0, 0)};
  EXPECT_EQ(image.colorTable(), expected);
}

TEST(ModuleResources, IconIsThirtyTwoSquareSixteenColours) {
  QImageReader reader(QString::fromLatin1(spl::res::kIcon));
  const QImage icon = reader.read();
  ASSERT_FALSE(icon.isNull()) << reader.errorString().toStdString();
  EXPECT_EQ(icon.size(), QSize(32, 32));
  const QByteArray ico = Read(spl::res::kIcon);
  EXPECT_EQ(static_cast<unsigned char>(ico[8]), 16);  // colour count of the entry
}

TEST(ModuleResources, StringsAndLayouts) {
  EXPECT_EQ(QString::fromUtf8(Read(spl::res::kString1)), "S P L I C E R - B O T");
  EXPECT_EQ(QString::fromUtf8(Read(":/SPL0020/string/2")), "警告");
  EXPECT_EQ(QString::fromUtf8(Read(":/SPL0020/string/3")), "ｴﾗｰ");
  EXPECT_EQ(QString::fromUtf8(Read(":/SPL0020/string/4")), "情報");
  EXPECT_TRUE(Read(":/SPL0020/layout/TsxMain.ui").contains("Get 1st Object"));
  EXPECT_TRUE(Read(":/SPL0020/layout/TsxAbout.ui").contains("About SPLICER-BOT"));
}

// The committed bitmaps are the script's output byte for byte.
TEST(ModuleResources, ScriptRegeneratesTheCommittedFiles) {
  if (std::system("python3 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  const std::string out = ::testing::TempDir() + "bitmaps";
  const std::string command =
      "python3 " SPLICER_SOURCE_DIR "/scripts/make-bitmaps.py " + out;
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name :
       {"101.bmp", "SPINARROW_UP.bmp", "SPINARROW_DOWN.bmp", "about.bmp", "SPL0020.ico"}) {
    const QByteArray a = ReadFile(QString::fromStdString(out + "/" + name));
    const QByteArray b =
        ReadFile(QString::fromLatin1(SPLICER_SOURCE_DIR "/resources/bitmap/") + name);
    EXPECT_FALSE(a.isEmpty()) << name;
    EXPECT_EQ(a, b) << name;
  }
}

}  // namespace
