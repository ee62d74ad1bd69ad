// The program's command line.
#include "apps/tsxhost/HostOptions.h"

#include <gtest/gtest.h>

namespace hostapp {

namespace {
bool Parse(QStringList args, HostOptions* o, QString* error) {
  bool exitNow = false;
  args.prepend("tsxhost");
  return ParseHostOptions(args, o, error, &exitNow);
}
}  // namespace

TEST(HostOptions, DefaultsToTheModuleBesideTheProgram) {
  HostOptions o;
  QString error;
  ASSERT_TRUE(Parse({"a.obj", "b.obj"}, &o, &error));
  EXPECT_TRUE(o.module.endsWith("SPL0020.tsx"));
  EXPECT_EQ(o.scenes, QStringList({"a.obj", "b.obj"}));
  EXPECT_EQ(o.size, QSize(800, 600));
  EXPECT_TRUE(o.render.isEmpty());
}

TEST(HostOptions, ReadsARenderRequest) {
  HostOptions o;
  QString error;
  ASSERT_TRUE(Parse({"--render", "s.obj", "--out", "p.png", "--size", "320X200",
                     "--select", "Left", "--module", "m.tsx"},
                    &o, &error));
  EXPECT_EQ(o.render, "s.obj");
  EXPECT_EQ(o.out, "p.png");
  EXPECT_EQ(o.size, QSize(320, 200));
  EXPECT_EQ(o.select, "Left");
  EXPECT_EQ(o.module, "m.tsx");
}

TEST(HostOptions, RefusesBadUsage) {
  const QStringList bad[] = {
      {"--render", "s.obj"},
      {"--render", "s.obj", "--out", "p.png", "--size", "800"},
      {"--size", "0x10"},
      {"--size", "axb"},
      {"--frobnicate"},
  };
  for (const QStringList& args : bad) {
    HostOptions o;
    QString error;
    EXPECT_FALSE(Parse(args, &o, &error)) << args.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST(HostOptions, VersionIsAnsweredWithoutFurtherWork) {
  HostOptions o;
  QString error;
  bool exitNow = false;
  testing::internal::CaptureStdout();
  ASSERT_TRUE(ParseHostOptions({"tsxhost", "--version", "--size", "1x1"}, &o, &error, &exitNow));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "tsxhost " SPLICER_VERSION "\n");
  EXPECT_TRUE(exitNow);
}

}  // namespace hostapp
