// Reading and writing files with a progress callback: how far it has got,
// counted in bytes of the file, and stopping when asked with nothing added
// to the scene and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/formats/MeshFormats.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

// Two objects of different sizes, so that a count of the wrong one shows.
std::string TwoObjects(int triangles) {
  std::ostringstream text;
  text << "o small\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no big\n";
  for (int i = 0; i < triangles; ++i) text << "v " << i << " 0 0\nv " << i << " 1 0\nv " << i << " 0 1\n";
  for (int i = 0; i < triangles; ++i) text << "f " << 4 + 3 * i << ' ' << 5 + 3 * i << ' ' << 6 + 3 * i << '\n';
  return text.str();
}

class FileProgress : public ::testing::TestWithParam<size_t> {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    dir_ = testsupport::MakeScratchDir("progress_test");
    previous_ = tsxhost::testing::SetChunkedReading(GetParam());
    text_ = TwoObjects(20000);
    path_ = (dir_ / "scene.obj").string();
    std::ofstream(path_, std::ios::binary) << text_;
  }
  void TearDown() override {
    tsxhost::testing::SetChunkedReading(previous_);
    fs::remove_all(dir_);
  }
  fs::path dir_;
  size_t previous_ = 0;
  std::string text_;
  std::string path_;
};

TEST_P(FileProgress, ReadingCountsUpToTheFilesSizeAndNeverBack) {
  std::vector<int64_t> done;
  tsxhost::ObjReadOptions options;
  options.progress = [&](int64_t d, int64_t total) {
    EXPECT_EQ(total, static_cast<int64_t>(text_.size()));
    done.push_back(d);
    return true;
  };
  const tsxhost::ObjResult loaded = tsxhost::LoadScene(path_, options);
  ASSERT_TRUE(loaded.ok) << loaded.error;
  ASSERT_EQ(loaded.objects.size(), 2u);
  ASSERT_GE(done.size(), 3u);  // more than a start and an end
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  EXPECT_LT(done[done.size() / 2], static_cast<int64_t>(text_.size()));
  EXPECT_EQ(done.back(), static_cast<int64_t>(text_.size()));
}

TEST_P(FileProgress, ReadingStoppedHalfWayAddsNothing) {
  tsxhost::ObjReadOptions options;
  options.progress = [&](int64_t d, int64_t total) { return d < total / 2; };
  const tsxhost::ObjResult loaded = tsxhost::LoadScene(path_, options);
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.error, path_ + ": reading stopped");
  EXPECT_TRUE(loaded.objects.empty());
  EXPECT_TRUE(tsxhost::SceneObjects().empty());
}

// Once every line is read, building the objects can be stopped too.
TEST_P(FileProgress, ReadingStoppedWhileObjectsAreBuiltAddsNothing) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "o t" + std::to_string(i) + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n";
  int atEnd = 0;
  tsxhost::ObjReadOptions options;
  options.progress = [&](int64_t d, int64_t total) { return d < total || ++atEnd < 2; };
  const tsxhost::ObjResult loaded = tsxhost::LoadObjText(text, "many.obj", options);
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.error, "many.obj: reading stopped");
  EXPECT_EQ(atEnd, 2);
  EXPECT_TRUE(tsxhost::SceneObjects().empty());
}

TEST_P(FileProgress, WritingStoppedLeavesTheOldFilesAndNoTemporary) {
  const tsxhost::ObjResult loaded = tsxhost::LoadScene(path_);
  ASSERT_TRUE(loaded.ok) << loaded.error;
  const std::string out = (dir_ / "out.obj").string();
  std::ofstream(out) << "old";
  std::vector<int64_t> done;
  int64_t total = 0;
  const auto count = [&](int64_t d, int64_t t) {
    done.push_back(d);
    total = t;
    return true;
  };
  ASSERT_TRUE(tsxhost::SaveScene((dir_ / "whole.obj").string(), loaded.objects, count).ok);
  // The OBJ's bytes and its MTL's, in pieces.
  EXPECT_EQ(total, static_cast<int64_t>(fs::file_size(dir_ / "whole.obj") + fs::file_size(dir_ / "whole.mtl")));
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  EXPECT_EQ(done.back(), total);

  const auto stop = [](int64_t d, int64_t t) { return d < t; };
  const tsxhost::SaveResult saved = tsxhost::SaveScene(out, loaded.objects, stop);
  EXPECT_FALSE(saved.ok);
  EXPECT_EQ(saved.error, out + ": writing stopped");
  std::ifstream in(out);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
  EXPECT_FALSE(fs::exists(dir_ / "out.mtl"));
  for (const auto& entry : fs::directory_iterator(dir_)) EXPECT_NE(entry.path().filename().string()[0], '.');
}

// Line after line, and in chunks of 64 kB.
INSTANTIATE_TEST_SUITE_P(LinesOrChunks, FileProgress, ::testing::Values(size_t{0}, size_t{1} << 16));

}  // namespace
