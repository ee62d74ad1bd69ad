// OBJ files that are odd, damaged or hostile: each is read as far as it is
// sound, or refused with one clear message, and never hangs or reads what it
// should not.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

class ObjHostile : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    dir_ = testsupport::MakeScratchDir("obj_hostile");
    fs::create_directories(dir_ / "scene");
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const fs::path& rel, const std::string& text) {
    std::ofstream(dir_ / rel, std::ios::binary) << text;
    return (dir_ / rel).string();
  }
  fs::path dir_;
};

int32_t Count(tsxSOBJ obj, int32_t (*count)(tsxPOLYHEDRON)) { return count(obj); }

TEST_F(ObjHostile, ByteOrderMarkAndEveryLineEndRead) {
  const auto bom = tsxhost::LoadObjText("\xEF\xBB\xBFv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 2 2\nf 1 2 5\n", "bom.obj");
  ASSERT_TRUE(bom.ok) << bom.error;
  EXPECT_EQ(Count(bom.objects[0], tsxPolyhGetNbrVxs), 5);

  const auto cr = tsxhost::LoadObjText("# old\ro A\rv 0 0 0\rv 1 0 0\r\nv 0 1 0\nf 1 2 3\r", "cr.obj");
  ASSERT_TRUE(cr.ok) << cr.error;
  EXPECT_EQ(Count(cr.objects[0], tsxPolyhGetNbrVxs), 3);
  EXPECT_EQ(Count(cr.objects[0], tsxPolyhGetNbrFaces), 1);
}

TEST_F(ObjHostile, NulBytesAndJunkAreNotObj) {
  const auto nul = tsxhost::LoadObjText(std::string("o A\nv 0 0\0 0\n", 13), "nul.obj");
  EXPECT_EQ(nul.error, "nul.obj:2: not an OBJ file (a NUL byte)");
  std::string junk = "\x89PNG\r\n\x1a\n";
  for (int i = 0; i < 500; ++i) junk += static_cast<char>(1 + (i * 37) % 250);
  const auto j = tsxhost::LoadObjText(junk, "junk.obj");
  EXPECT_EQ(j.error, "junk.obj: not an OBJ file (no statement it knows)");
  EXPECT_TRUE(tsxhost::SceneObjects().empty());
  // Comments only: an empty scene, not an error.
  EXPECT_TRUE(tsxhost::LoadObjText("# nothing yet\n\n", "empty.obj").ok);
}

TEST_F(ObjHostile, NamesAreCleanedAndCut) {
  const std::string longName(100000, 'x');
  const auto r = tsxhost::LoadObjText("o A\x1b[2J\nv 0 0 0\no " + longName + "\nv 1 1 1\n", "n.obj");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(tsxhost::ObjectName(r.objects[0]), "A?[2J");
  EXPECT_EQ(tsxhost::ObjectName(r.objects[1]), std::string(252, 'x') + "...");  // 255 in all
  const auto bad = tsxhost::LoadObjText("o B\nv 1 \x07" + longName + " 2\n", "n2.obj");
  EXPECT_EQ(bad.error, "n2.obj:2: malformed number '?" + std::string(39, 'x') + "...' in vertex");
}

TEST_F(ObjHostile, CornerLimitStopsTheLineEarly) {
  std::string line = "o A\nv 0 0 0\nf";
  for (int i = 0; i < 40000; ++i) line += " 1";
  line += " oops\n";  // never reached: the limit is met first
  EXPECT_EQ(tsxhost::LoadObjText(line, "big.obj").error, "big.obj:3: face with more than 32767 corners");
}

TEST_F(ObjHostile, StatementsNotKeptAreWarnedOncePerKind) {
  const auto r = tsxhost::LoadObjText(
      "o A\nv 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2\nl 2 3\ncstype bspline\nweird 1\nf 1 2 3\nl 3 1\n", "w.obj");
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.warnings.size(), 3u);
  EXPECT_EQ(r.warnings[0], "w.obj: 3 'l' statements skipped (first on line 5)");
  EXPECT_EQ(r.warnings[1], "w.obj: 1 'cstype' statement skipped (first on line 7)");
  EXPECT_EQ(r.warnings[2], "w.obj: 1 'weird' statement skipped (first on line 8)");
}

TEST_F(ObjHostile, SceneThatIsNotARegularFileIsRefused) {
  const auto dir = tsxhost::LoadObj((dir_ / "scene").string());
  EXPECT_EQ(dir.error, (dir_ / "scene").string() + ": cannot read the file: not a regular file (a folder)");
  ASSERT_EQ(::mkfifo((dir_ / "pipe.obj").c_str(), 0600), 0);
  const auto fifo = tsxhost::LoadObj((dir_ / "pipe.obj").string());  // must not wait for a writer
  EXPECT_EQ(fifo.error, (dir_ / "pipe.obj").string() + ": cannot read the file: not a regular file (a pipe)");
}

TEST_F(ObjHostile, MaterialLibrariesAreRestricted) {
  Write("outside.mtl", "newmtl secret\nKd 1 0 0\n");
  fs::create_directories(dir_ / "scene/sub");
  Write("scene/sub/ok.mtl", "newmtl fine\nKd 0 1 0\n");
  fs::create_directories(dir_ / "scene/folder.mtl");
  ASSERT_EQ(::mkfifo((dir_ / "scene/pipe.mtl").c_str(), 0600), 0);
  const std::string scene = Write("scene/s.obj",
                                  "mtllib ../outside.mtl\n"
                                  "mtllib /dev/zero\n"
                                  "mtllib pipe.mtl\n"
                                  "mtllib folder.mtl\n"
                                  "mtllib sub/ok.mtl\n"
                                  "o A\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl secret\nf 1 2 3\nusemtl fine\nf 1 2 3\n");
  const auto r = tsxhost::LoadObj(scene);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.warnings.size(), 4u);
  const std::string tail = "; faces keep their material names";
  EXPECT_EQ(r.warnings[0], scene + ":1: cannot read material library '../outside.mtl' (outside the scene's folder)" + tail);
  EXPECT_EQ(r.warnings[1], scene + ":2: cannot read material library '/dev/zero' (outside the scene's folder)" + tail);
  EXPECT_EQ(r.warnings[2], scene + ":3: cannot read material library 'pipe.mtl' (not a regular file (a pipe))" + tail);
  EXPECT_EQ(r.warnings[3], scene + ":4: cannot read material library 'folder.mtl' (not a regular file (a folder))" + tail);
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[0], &mesh));
  EXPECT_EQ(mesh.materials[0].diffuse, tsxhost::Material{}.diffuse);  // "secret" was not read
  EXPECT_EQ(mesh.materials[1].diffuse, (std::array<float, 3>{0, 1, 0}));

  // Allowed anywhere, a device is still no material library.
  tsxhost::ResetScene();
  tsxhost::ObjReadOptions anywhere;
  anywhere.resourcesAnywhere = true;
  const auto any = tsxhost::LoadObj(scene, anywhere);
  ASSERT_EQ(any.warnings.size(), 3u);
  EXPECT_EQ(any.warnings[0], scene + ":2: cannot read material library '/dev/zero' (not a regular file (a device))" + tail);
}

}  // namespace
