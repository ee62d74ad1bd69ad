// The host program's tests run in one HostApplication, on the offscreen
// platform unless the environment chooses another (the Xvfb run does).
#include <gtest/gtest.h>

#include "HostApplication.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  HostApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
