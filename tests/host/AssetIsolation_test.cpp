// glTF, PLY and STL files are read in the reader process: a reader that
// crashes, hangs, or answers with anything but a whole, sound stream gets
// the file refused, and this process and its scene carry on untouched.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/formats/AssetFiles.h"
#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

class AssetIsolationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    dir_ = testsupport::MakeScratchDir("asset_isolation");
    model_ = (dir_ / "model.ply").string();
    fs::copy_file(HOST_TEST_DATA "/formats/figure.glb", dir_ / "figure.glb");
    std::ofstream(model_) << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                             "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
                             "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
  }
  void TearDown() override {
    unsetenv("SPLICER_ASSET_READER");
    unsetenv("SPLICER_ASSET_READER_SECONDS");
    fs::remove_all(dir_);
    tsxhost::ResetScene();
  }
  // A stand-in for the reader process: a shell script doing `body`.
  void FakeReader(const std::string& body) {
    const fs::path script = dir_ / "reader.sh";
    std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(script, fs::perms::owner_all);
    setenv("SPLICER_ASSET_READER", script.c_str(), 1);
  }
  // Loads the model; it must be refused with `reason` and leave the scene
  // as it was.
  void ExpectRefused(const std::string& reason) {
    const tsxhost::ObjResult r = tsxhost::LoadScene(model_);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, model_ + ": the file could not be read (" + reason + ")");
    EXPECT_TRUE(r.objects.empty());
    EXPECT_TRUE(tsxhost::SceneObjects().empty());
  }
  fs::path dir_;
  std::string model_;
};

TEST_F(AssetIsolationTest, AReaderThatCrashesHangsOrFailsGetsTheFileRefused) {
  FakeReader("kill -SEGV $$");
  ExpectRefused("the reader stopped on signal 11");
  FakeReader("exit 7");
  ExpectRefused("the reader stopped with status 7");
  setenv("SPLICER_ASSET_READER_SECONDS", "0.5", 1);
  FakeReader("exec sleep 30");
  ExpectRefused("the reader took longer than 0.5 s");
  // Still running after closing its output counts as hanging too.
  FakeReader("exec >&-; exec sleep 30");
  ExpectRefused("the reader took longer than 0.5 s");
  unsetenv("SPLICER_ASSET_READER_SECONDS");
  setenv("SPLICER_ASSET_READER", (dir_ / "no-such-reader").c_str(), 1);
  ExpectRefused("the reader program " + (dir_ / "no-such-reader").string() +
                " could not be started: No such file or directory");
  // A caller whose progress callback says stop stops a reader that would
  // run on, asked again and again meanwhile.
  FakeReader("exec sleep 30");
  int asked = 0;
  tsxhost::ObjReadOptions stopping;
  stopping.progress = [&asked](int64_t, int64_t) { return ++asked < 3; };
  const auto started = std::chrono::steady_clock::now();
  const tsxhost::ObjResult stopped = tsxhost::LoadScene(model_, stopping);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(stopped.error, model_ + ": reading stopped");
  EXPECT_EQ(asked, 3);
  EXPECT_TRUE(tsxhost::SceneObjects().empty());
  // The real reader still works afterwards.
  unsetenv("SPLICER_ASSET_READER");
  const tsxhost::ObjResult r = tsxhost::LoadScene(model_);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(tsxhost::ObjectName(r.objects.at(0)), "model");
}

// A binary PLY file, found by fuzzing, on which the asset library itself
// crashes (an invalid read past its buffer).
TEST_F(AssetIsolationTest, AFileThatCrashesTheLibraryIsRefusedAndThisProcessCarriesOn) {
  const tsxhost::ObjResult first = tsxhost::LoadScene((dir_ / "figure.glb").string());
  ASSERT_TRUE(first.ok) << first.error;
  const std::string crash = HOST_TEST_DATA "/formats/crashes-reader.ply";
  const tsxhost::ObjResult r = tsxhost::LoadScene(crash);
  EXPECT_FALSE(r.ok);
  // A signal; under AddressSanitizer, its report's exit status.
  EXPECT_EQ(r.error.rfind(crash + ": the file could not be read (the reader stopped ", 0), 0u) << r.error;
  EXPECT_EQ(tsxhost::SceneObjects(), first.objects);
}

TEST_F(AssetIsolationTest, AnAnswerThatIsNotAWholeSoundStreamIsRefused) {
  FakeReader("echo hello");
  ExpectRefused("the reader's answer is malformed: it does not start as a reader's answer");
  FakeReader("printf ''");
  ExpectRefused("the reader's answer is malformed: it does not start as a reader's answer");
  // A sound answer cut short: the real reader's output without its end.
  FakeReader("\"$SPLICER_REAL_READER\" \"$@\" | head -c 100");
  setenv("SPLICER_REAL_READER", SPLICER_READER_PATH, 1);
  ExpectRefused("the reader's answer is malformed: it ends early or runs on past its end");
  FakeReader("\"$SPLICER_REAL_READER\" \"$@\"; echo more");
  ExpectRefused("the reader's answer is malformed: it ends early or runs on past its end");
  unsetenv("SPLICER_REAL_READER");
}

}  // namespace
