// The host program's tests run in one HostApplication, on the offscreen
// platform unless the environment chooses another (the Xvfb run does).
// Settings (recent files, the view's up axis) go to a temporary folder,
// never to the user's.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "apps/tsxhost/HostApplication.h"
#include "tests/app/AppTestSupport.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  hostapp::HostApplication app(argc, argv);
  QTemporaryDir settings;
  UseSettingsIn(settings.path());
  return RUN_ALL_TESTS();
}
