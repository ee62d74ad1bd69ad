// Files written whole or not at all, and no temporary left for good: one
// left by a process killed outright is removed by the next write beside it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "host/obj/SafeFile.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

std::string Text(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SafeWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("safe_write"); }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(SafeWriteTest, AFolderInATargetsPlaceLeavesEveryOldFileAsItWas) {
  std::ofstream(dir_ / "out.mtl") << "old";
  fs::create_directory(dir_ / "out.obj");
  const std::string mtl = (dir_ / "out.mtl").string(), obj = (dir_ / "out.obj").string();
  std::string error;
  EXPECT_FALSE(tsxhost::WriteFilesSafely({{obj, "new obj"}, {mtl, "new mtl"}}, &error));
  EXPECT_EQ(error, obj + ": cannot write the file: Is a directory");
  EXPECT_EQ(Text(mtl), "old");
  EXPECT_TRUE(fs::is_directory(obj));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(SafeWriteTest, AFileMadeAlongsideIsReplacedWithTheOthersOrNotAtAll) {
  const std::string obj = (dir_ / "out.obj").string(), report = (dir_ / "r.json").string();
  std::ofstream(obj) << "old obj";
  std::ofstream(report) << "old report";
  std::string error;
  // Its text is made once the others are written, before any is replaced.
  bool othersWritten = false;
  ASSERT_TRUE(tsxhost::WriteFilesSafely({{obj, "new obj"}}, &error, {}, {{report, [&] {
                                          othersWritten = std::distance(fs::directory_iterator(dir_),
                                                                        fs::directory_iterator()) == 3;
                                          return Text(obj) + " reported";
                                        }}}))
      << error;
  EXPECT_TRUE(othersWritten);
  EXPECT_EQ(Text(obj), "new obj");
  EXPECT_EQ(Text(report), "old obj reported");

  // One that cannot be written, or whose text cannot be made, keeps every
  // old file and leaves no temporary.
  EXPECT_FALSE(tsxhost::WriteFilesSafely({{obj, "newer"}}, &error, {},
                                         {{(dir_ / "missing" / "r.json").string(), [] { return "r"; }}}));
  EXPECT_EQ(error, (dir_ / "missing" / "r.json").string() + ": cannot write the file: No such file or directory");
  EXPECT_THROW(tsxhost::WriteFilesSafely({{obj, "newer"}}, &error, {},
                                         {{report, []() -> std::string { throw std::bad_alloc(); }}}),
               std::bad_alloc);
  EXPECT_EQ(Text(obj), "new obj");
  EXPECT_EQ(Text(report), "old obj reported");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(SafeWriteTest, TemporariesOfAProcessThatIsGoneAreRemovedByTheNextWrite) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const fs::path stale = dir_ / (".out.obj.splicer-tmp-" + std::to_string(gone) + "-0");
  const fs::path live = dir_ / (".out.obj.splicer-tmp-" + std::to_string(::getppid()) + "-0");
  const fs::path other = dir_ / (".other.obj.splicer-tmp-" + std::to_string(gone) + "-0");
  for (const fs::path& p : {stale, live, other}) std::ofstream(p) << "partial";
  std::string error;
  ASSERT_TRUE(tsxhost::WriteFilesSafely({{(dir_ / "out.obj").string(), "whole"}}, &error)) << error;
  EXPECT_EQ(Text(dir_ / "out.obj"), "whole");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));   // its writer may still be at work
  EXPECT_TRUE(fs::exists(other));  // another target's: left to its own writes
}

}  // namespace
