// Memory failing at every allocation of a load, one at a time: each load
// ends with one clear error and leaves the scene as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/formats/MeshFormats.h"
#include "host/obj/ObjFile.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "tests/support/FailingNew.h"

namespace {

const char* const kScene =
    "mtllib m.mtl\n"
    "o A\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\ng top\ns 1\nusemtl red\nf 1/1/1 2/1/1 3/1/1\n"
    "o B\nv 0 0 1\nv 1 0 1\nv 0 1 1\nl 1 2\nf 4 5 6\n";

tsxhost::ObjReadOptions InMemory() {
  tsxhost::ObjReadOptions options;
  options.mtlResolver = [](const std::string&, std::string* text, std::string* folder, std::string*) {
    *text = "newmtl red\nKd 1 0 0\nmap_Kd red.png\n";
    *folder = "/textures";
    return true;
  };
  return options;
}

// Loads with the n-th allocation failing (through `arm`) until a load
// succeeds; every failed one must leave the scene untouched.
template <typename Arm>
int FailEachInTurn(Arm arm) {
  for (int n = 1; n < 100000; ++n) {
    tsxhost::ResetScene();
    const tsxSOBJ before = tsxhost::AddObject("before", 201);
    const tsxhost::ObjReadOptions options = InMemory();
    const std::string scene = kScene, name = "mem.obj";
    tsxhost::ObjResult r;
    arm(n);
    r = tsxhost::LoadObjText(scene, name, options);
    arm(0);
    if (r.ok) {
      EXPECT_EQ(tsxhost::SceneObjects().size(), 3u);
      return n;
    }
    EXPECT_EQ(r.error, "mem.obj: not enough memory") << "allocation " << n;
    EXPECT_TRUE(r.noMemory) << "allocation " << n;
    EXPECT_TRUE(r.objects.empty());
    EXPECT_EQ(tsxhost::SceneObjects(), std::vector<tsxSOBJ>{before}) << "allocation " << n;
    EXPECT_EQ(tsxhost::LiveObjects(), std::vector<tsxSOBJ>{before}) << "allocation " << n;
  }
  ADD_FAILURE() << "the load never succeeded";
  return 0;
}

TEST(LoadMemory, EveryOperatorNewFailingLeavesTheSceneAsItWas) {
  const int loads = FailEachInTurn([](int n) { spl::testing::FailNthNew(n); });
  EXPECT_GT(loads, 20);  // the test did reach deep into the load
}

TEST(LoadMemory, EveryHostBlockFailingLeavesTheSceneAsItWas) {
  const int loads = FailEachInTurn([](int n) { tsxhost::testing::FailNthHostAllocation(n); });
  EXPECT_GT(loads, 6);
}

// Read ahead in chunks of a few bytes on two threads: memory failing on
// either thread (the second one's start included) ends the load the same way.
TEST(LoadMemory, EveryOperatorNewFailingInChunkedReadingLeavesTheSceneAsItWas) {
  const size_t before = tsxhost::testing::SetChunkedReading(8);
  const int loads = FailEachInTurn([](int n) { spl::testing::FailNthNew(n); });
  tsxhost::testing::SetChunkedReading(before);
  EXPECT_GT(loads, 40);
}

// Memory running out is told apart from a file at fault by a flag, not by
// the message: a file error whose words end the same way is still the file's.
TEST(LoadMemory, MemoryRunningOutIsToldApartFromTheFile) {
  tsxhost::ResetScene();
  const tsxhost::ObjResult bad = tsxhost::LoadObjText("o A\nf 1 2\n", "x: not enough memory", {});
  ASSERT_FALSE(bad.ok);
  EXPECT_FALSE(bad.noMemory) << bad.error;
  const tsxhost::ObjResult missing = tsxhost::LoadScene("no-such-folder/not enough memory.obj");
  ASSERT_FALSE(missing.ok);
  EXPECT_FALSE(missing.noMemory);

  const tsxhost::ObjResult good = tsxhost::LoadObjText(kScene, "mem.obj", InMemory());
  ASSERT_TRUE(good.ok) << good.error;
  const std::string out = (std::filesystem::path(::testing::TempDir()) / "memory-save.obj").string();
  int failedSaves = 0;
  for (int n = 1; n < 10000; ++n) {
    tsxhost::SaveResult saved;
    {
      spl::testing::NewFailure failure(n);
      saved = tsxhost::SaveScene(out, good.objects);
    }
    if (saved.ok) break;
    ++failedSaves;
    EXPECT_TRUE(saved.noMemory) << "allocation " << n << ": " << saved.error;
    EXPECT_EQ(saved.error, out + ": not enough memory") << "allocation " << n;
  }
  EXPECT_GT(failedSaves, 5);
  const tsxhost::SaveResult unwritable = tsxhost::SaveScene("no-such-folder/x.obj", good.objects);
  ASSERT_FALSE(unwritable.ok);
  EXPECT_FALSE(unwritable.noMemory) << unwritable.error;
  std::filesystem::remove(out);
  std::filesystem::remove(std::filesystem::path(out).replace_extension(".mtl"));
}

}  // namespace

// Writing a binary glTF with memory failing at each allocation in turn
// (ours and the format library's): each failed write says so, leaves no
// file, and frees only what it made.
TEST(LoadMemory, EveryOperatorNewFailingInAGlbWriteEndsCleanly) {
  tsxhost::ResetScene();
  const tsxhost::ObjResult loaded = tsxhost::LoadObjText(kScene, "mem.obj", InMemory());
  ASSERT_TRUE(loaded.ok) << loaded.error;
  const std::filesystem::path out = std::filesystem::path(::testing::TempDir()) / "mem-write.glb";
  const std::string path = out.string();
  std::filesystem::remove(out);
  int n = 1;
  for (; n < 100000; ++n) {
    tsxhost::SaveResult saved;
    {
      spl::testing::NewFailure failure(n);
      saved = tsxhost::SaveScene(path, loaded.objects);
    }
    if (saved.ok) break;
    EXPECT_FALSE(std::filesystem::exists(out)) << "allocation " << n;
    // Past our scene's building, the format library's own export fails
    // inside and says only that it did (it is not safe to go on failing it).
    if (!saved.noMemory) {
      EXPECT_NE(saved.error.find("could not write it and gave no reason"), std::string::npos) << saved.error;
      break;
    }
    EXPECT_EQ(saved.error, path + ": not enough memory") << "allocation " << n;
  }
  EXPECT_GT(n, 50);  // the run went through the scene's building, not around it
}
