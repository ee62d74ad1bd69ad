// SPL0020.tsx as a host sees it: loaded with dlopen, reached through its
// four exports, unloaded and loaded again.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QWidget>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "host/scene/Scene.h"
#include "interface/TsxPlug.h"

namespace {

const std::set<std::string> kExports = {"tsxGetData", "tsxOnLeftClick", "tsxDeactivate",
                                        "tsxOnRightClick"};

// Defined symbols of the dynamic symbol table, read straight from the ELF
// file: nm may be absent and its output format varies.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  QFile in(QString::fromStdString(path));
  const QByteArray file = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
  std::set<std::string> names;
  if (static_cast<std::size_t>(file.size()) < sizeof(Elf64_Ehdr)) return names;
  Elf64_Ehdr eh;
  std::memcpy(&eh, file.data(), sizeof eh);
  for (int i = 0; i < eh.e_shnum; ++i) {
    Elf64_Shdr sh;
    std::memcpy(&sh, file.data() + eh.e_shoff + i * sizeof sh, sizeof sh);
    if (sh.sh_type != SHT_DYNSYM) continue;
    Elf64_Shdr strtab;
    std::memcpy(&strtab, file.data() + eh.e_shoff + sh.sh_link * sizeof strtab, sizeof strtab);
    for (std::size_t off = sizeof(Elf64_Sym); off < sh.sh_size; off += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, file.data() + sh.sh_offset + off, sizeof sym);
      if (sym.st_shndx == SHN_UNDEF) continue;
      names.insert(file.data() + strtab.sh_offset + sym.st_name);
    }
  }
  return names;
}

std::set<std::string> NmDefinedDynamic(const std::string& path) {
  std::set<std::string> names;
  FILE* pipe = popen(("nm -D --defined-only " + path + " 2>/dev/null").c_str(), "r");
  if (!pipe) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    char address[64], type[8], name[400];
    if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) names.insert(name);
  }
  pclose(pipe);
  return names;
}

struct Module {
  void* handle = nullptr;
  tsxGetDataFn getData = nullptr;
  tsxOnLeftClickFn leftClick = nullptr;
  tsxDeactivateFn deactivate = nullptr;
  tsxOnRightClickFn rightClick = nullptr;

  Module() : handle(dlopen(SPL0020_PATH, RTLD_NOW | RTLD_LOCAL)) {
    if (!handle) return;
    getData = reinterpret_cast<tsxGetDataFn>(dlsym(handle, "tsxGetData"));
    leftClick = reinterpret_cast<tsxOnLeftClickFn>(dlsym(handle, "tsxOnLeftClick"));
    deactivate = reinterpret_cast<tsxDeactivateFn>(dlsym(handle, "tsxDeactivate"));
    rightClick = reinterpret_cast<tsxOnRightClickFn>(dlsym(handle, "tsxOnRightClick"));
  }
  ~Module() { Close(); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  void Close() {
    if (handle) dlclose(handle);
    handle = nullptr;
  }
};

QWidget* TopLevel(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == name) return w;
  }
  return nullptr;
}

bool ModuleResourcesPresent() { return QFile::exists(":/SPL0020/bitmap/101.bmp"); }

TEST(ModuleLoad, ExportsExactlyTheFourEntryPoints) {
  EXPECT_EQ(DefinedDynamicSymbols(SPL0020_PATH), kExports);
  const std::set<std::string> nm = NmDefinedDynamic(SPL0020_PATH);
  if (!nm.empty()) {
    EXPECT_EQ(nm, kExports);
  }
}

TEST(ModuleLoad, LoadUseUnloadAndLoadAgain) {
  tsxhost::ResetScene();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    {
      Module module;
      ASSERT_NE(module.handle, nullptr) << dlerror();
      ASSERT_TRUE(module.getData && module.leftClick && module.deactivate && module.rightClick);
      EXPECT_TRUE(ModuleResourcesPresent());
      unsigned char record[100] = {};
      module.getData(record, 0);
      EXPECT_STREQ(reinterpret_cast<char*>(record), "SPLICER-BOT");

      module.deactivate();
      module.rightClick();
      EXPECT_EQ(TopLevel("TsxMainForm"), nullptr);
      ASSERT_NE(TopLevel("TsxAboutForm"), nullptr);
      EXPECT_EQ(module.leftClick(), 0);
      EXPECT_EQ(module.leftClick(), 0);
      QWidget* main = TopLevel("TsxMainForm");
      ASSERT_NE(main, nullptr);
      EXPECT_TRUE(main->isVisible());
      module.deactivate();
      EXPECT_FALSE(main->isVisible());
      EXPECT_EQ(module.leftClick(), 0);
      EXPECT_EQ(TopLevel("TsxMainForm"), main);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(TopLevel("TsxMainForm"), nullptr);
    EXPECT_EQ(TopLevel("TsxAboutForm"), nullptr);
    EXPECT_FALSE(ModuleResourcesPresent());
  }
}

// A host without a QApplication: the module has nowhere to show a window,
// and a left click does nothing (run with SPLICER_NO_APPLICATION=1).
TEST(ModuleWithoutApplication, LeftAndRightClicksDoNothing) {
  if (QCoreApplication::instance()) GTEST_SKIP() << "runs without an application";
  Module module;
  ASSERT_NE(module.handle, nullptr) << dlerror();
  EXPECT_EQ(module.leftClick(), 0);
  module.rightClick();
  module.deactivate();
  unsigned char record[100] = {};
  module.getData(record, 0);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 32), "Studio MORIKAZ");
}

// Traps on, then the module loads: its start-up masks them again, so a
// division by zero gives an infinity. Run in a fresh process so that the
// module's start-up really runs here.
TEST(ModuleLoadDeathTest, StartUpMasksFloatingPointTraps) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        feenableexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
        Module module;
        if (!module.handle) std::_Exit(2);
        volatile double zero = 0.0;
        const double r = 1.0 / zero;
        std::_Exit(std::isinf(r) ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
