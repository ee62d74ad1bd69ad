// Loading, refusing, driving and unloading plug-in modules.
#include "apps/tsxhost/PluginModule.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/app/AppTestSupport.h"

TEST(PluginModule, RefusesModulesWithAClearMessage) {
  QTemporaryDir dir;
  const QString text = dir.filePath("text.tsx");
  QFile f(text);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("not a library");
  f.close();
  struct Case {
    QString path;
    QString says;
  } cases[] = {
      {dir.filePath("missing.tsx"), "does not exist"},
      {text, "cannot be loaded"},
      {NOT_A_PLUGIN_PATH, "does not export tsxOnLeftClick, tsxDeactivate, tsxOnRightClick"},
  };
  for (const Case& c : cases) {
    PluginModule module;
    EXPECT_FALSE(module.load(c.path));
    EXPECT_FALSE(module.loaded());
    EXPECT_TRUE(module.error().contains(c.path)) << module.error().toStdString();
    EXPECT_TRUE(module.error().contains(c.says)) << module.error().toStdString();
    EXPECT_EQ(module.leftClick(), 0);  // harmless without a module
    module.rightClick();
    module.deactivate();
  }
}

TEST(PluginModule, ReadsTheIdentityRecord) {
  FakeModuleLog log;
  PluginModule module;
  ASSERT_TRUE(module.load(FAKE_MODULE_PATH)) << module.error().toStdString();
  const PluginIdentity id = module.identity();
  EXPECT_EQ(id.name, "FAKE");
  EXPECT_EQ(id.maker, "Tests");
  EXPECT_EQ(id.bitmapId, 101);
  EXPECT_EQ(id.stringId, 1);
  EXPECT_EQ(log.lines(), QStringList({"load", "getdata"}));
}

TEST(PluginModule, DeactivatesBeforeUnloading) {
  FakeModuleLog log;
  {
    PluginModule module;
    ASSERT_TRUE(module.load(FAKE_MODULE_PATH));
    EXPECT_EQ(module.leftClick(), 0);
    module.rightClick();
  }  // the destructor unloads
  EXPECT_EQ(log.lines(),
            QStringList({"load", "getdata", "left", "right", "deactivate", "unload"}));
}

TEST(PluginModule, StaysLoadedWhileItsCodeIsOnTheStack) {
  FakeModuleLog log;
  PluginModule module;
  ASSERT_TRUE(module.load(FAKE_MODULE_PATH));
  int idles = 0;
  QObject::connect(&module, &PluginModule::idle, [&idles] { ++idles; });
  module.enter();
  module.enter();
  EXPECT_TRUE(module.busy());
  EXPECT_FALSE(module.unload());
  EXPECT_TRUE(module.loaded());
  module.leave();
  EXPECT_EQ(idles, 0);
  module.leave();
  EXPECT_EQ(idles, 1);
  EXPECT_TRUE(module.unload());
  EXPECT_FALSE(module.loaded());
}

TEST(PluginModule, KnowsTheWindowsItOpened) {
  FakeModuleLog log;
  PluginModule module;
  ASSERT_TRUE(module.load(FAKE_MODULE_PATH));
  QWidget hostWindow;
  module.leftClick();
  QWidget* toolWindow = FindInWindows("fakeJoin");
  ASSERT_NE(toolWindow, nullptr);
  EXPECT_TRUE(module.ownsWidget(toolWindow));
  EXPECT_FALSE(module.ownsWidget(&hostWindow));
  QWidget dialog(toolWindow, Qt::Dialog);  // e.g. its message boxes
  EXPECT_TRUE(module.ownsWidget(&dialog));
}
