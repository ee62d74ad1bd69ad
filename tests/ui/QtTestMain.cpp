// GoogleTest main for window tests: one QApplication for the whole run.
// Without a platform chosen it runs offscreen, so that listing the tests
// at build time needs no display. SPLICER_NO_APPLICATION=1 runs without
// one, as a host that has made no QApplication.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  const char* noApp = std::getenv("SPLICER_NO_APPLICATION");
  if (noApp && noApp[0] == '1') return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
