// Loading, refusing, driving and unloading plug-in modules.
#include "apps/tsxhost/PluginModule.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/app/AppTestSupport.h"

namespace hostapp {

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
    EXPECT_FALSE(module.Load(c.path));
    EXPECT_FALSE(module.Loaded());
    EXPECT_TRUE(module.Error().contains(c.path)) << module.Error().toStdString();
    EXPECT_TRUE(module.Error().contains(c.says)) << module.Error().toStdString();
    EXPECT_EQ(module.LeftClick(), 0);  // harmless without a module
    module.RightClick();
    module.Deactivate();
  }
}

TEST(PluginModule, ReadsTheIdentityRecord) {
  FakeModuleLog log;
  PluginModule module;
  ASSERT_TRUE(module.Load(FAKE_MODULE_PATH)) << module.Error().toStdString();
  const PluginIdentity id = module.Identity();
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
    ASSERT_TRUE(module.Load(FAKE_MODULE_PATH));
    EXPECT_EQ(module.LeftClick(), 0);
    module.RightClick();
  }  // the destructor unloads
  EXPECT_EQ(log.lines(),
            QStringList({"load", "getdata", "left", "right", "deactivate", "unload"}));
}

TEST(PluginModule, StaysLoadedWhileItsCodeIsOnTheStack) {
  FakeModuleLog log;
  PluginModule module;
  ASSERT_TRUE(module.Load(FAKE_MODULE_PATH));
  int idles = 0;
  QObject::connect(&module, &PluginModule::Idle, [&idles] { ++idles; });
  module.Enter();
  module.Enter();
  EXPECT_TRUE(module.Busy());
  EXPECT_FALSE(module.Unload());
  EXPECT_TRUE(module.Loaded());
  module.Leave();
  EXPECT_EQ(idles, 0);
  module.Leave();
  EXPECT_EQ(idles, 1);
  EXPECT_TRUE(module.Unload());
  EXPECT_FALSE(module.Loaded());
}

TEST(PluginModule, KnowsTheWindowsItOpened) {
  FakeModuleLog log;
  PluginModule module;
  ASSERT_TRUE(module.Load(FAKE_MODULE_PATH));
  QWidget hostWindow;
  module.LeftClick();
  QWidget* toolWindow = FindInWindows("fakeJoin");
  ASSERT_NE(toolWindow, nullptr);
  EXPECT_TRUE(module.OwnsWidget(toolWindow));
  EXPECT_FALSE(module.OwnsWidget(&hostWindow));
  QWidget dialog(toolWindow, Qt::Dialog);  // e.g. its message boxes
  EXPECT_TRUE(module.OwnsWidget(&dialog));
}

}  // namespace hostapp
