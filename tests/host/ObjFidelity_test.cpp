// What a scene carries survives reading and writing: normals, smoothing
// groups, groups, every material statement, texture paths and placements;
// and a write never leaves a broken file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/obj/ObjFile.h"
#include "host/obj/SafeFile.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

class ObjFidelity : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    dir_ = testsupport::MakeScratchDir("obj_fidelity");
    fs::create_directories(dir_ / "in/tex");
    fs::create_directories(dir_ / "out/deeper");
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const fs::path& rel, const std::string& text) {
    std::ofstream(dir_ / rel, std::ios::binary) << text;
    return (dir_ / rel).string();
  }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
};

const char* const kMtl =
    "newmtl skin\n"
    "Kd 0.8 0.6 0.5\n"
    "Ke 0 0 0\n"
    "Ni 1.45\n"
    "illum 2\n"
    "Pr 0.5\n"
    "map_Kd -s 1 1 1 tex/skin diffuse.png\n"
    "map_Bump -bm 0.3 tex/bump.png\n"
    "norm tex/n.png\n"
    "x_custom 7\n";

const char* const kScene =
    "mtllib m.mtl\n"
    "o Body\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.1 0.2 0.3\n"
    "vt 0 0\nvt 1 0\nvt 1 1\n"
    "vn 0 0 1\nvn 0.6 0 0.8\n"
    "g front\ns 1\nusemtl skin\n"
    "f 1/1/1 2/2/1 3/3/2\n"
    "f 1//2 3//2 4//1\n"
    "g back\ns off\n"
    "f 4 3 2 1\n"
    "o Head\nv 0 0 5\nv 1 0 5\nv 0 1 5\nf 6 7 8\n";

TEST_F(ObjFidelity, RoundTripKeepsGeometryNormalsGroupsAndEveryMaterialStatement) {
  Write("in/m.mtl", kMtl);
  const auto first = tsxhost::LoadObj(Write("in/scene.obj", kScene));
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_TRUE(first.warnings.empty());
  tsxhost::Mesh was;
  ASSERT_TRUE(tsxhost::ReadMesh(first.objects[0], &was));
  const std::string out = (dir_ / "out/deeper/copy.obj").string();
  std::string error;
  ASSERT_TRUE(tsxhost::SaveObj(out, first.objects, &error)) << error;

  tsxhost::ResetScene();
  const auto again = tsxhost::LoadObj(out);
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_TRUE(again.warnings.empty());
  ASSERT_EQ(again.objects.size(), 2u);
  tsxhost::Mesh is;
  ASSERT_TRUE(tsxhost::ReadMesh(again.objects[0], &is));
  ASSERT_EQ(is.vertices.size(), was.vertices.size());
  EXPECT_EQ(std::memcmp(is.vertices.data(), was.vertices.data(), was.vertices.size() * sizeof(CtsxVector3f)), 0);
  ASSERT_EQ(is.faces.size(), 3u);
  for (size_t f = 0; f < 3; ++f) {
    EXPECT_EQ(is.faces[f].smoothing, was.faces[f].smoothing);
    EXPECT_EQ(is.faces[f].group, was.faces[f].group);
    for (size_t c = 0; c < was.faces[f].corners.size(); ++c) {
      const int32_t a = was.faces[f].corners[c].normal, b = is.faces[f].corners[c].normal;
      ASSERT_EQ(a < 0, b < 0);
      if (a >= 0) {
        EXPECT_EQ(std::memcmp(&is.normals[size_t(b)], &was.normals[size_t(a)], sizeof(CtsxVector3f)), 0);
      }
    }
  }
  EXPECT_EQ(is.faces[0].group, "front");
  EXPECT_EQ(is.faces[2].group, "back");
  EXPECT_EQ(is.faces[0].smoothing, 1u);
  EXPECT_EQ(is.faces[2].smoothing, 0u);
  EXPECT_EQ(is.faces[2].corners[0].normal, -1);  // nothing invented
  EXPECT_EQ(is.normals.size(), 6u);  // one per corner that has one

  // Every statement in order; no Ka invented; paths lead to the same files.
  const std::string mtl = Read(dir_ / "out/deeper/copy.mtl");
  EXPECT_NE(mtl.find("newmtl skin\nKd 0.8 0.6 0.5\nKe 0 0 0\nNi 1.45\nillum 2\nPr 0.5\n"
                     "map_Kd -s 1 1 1 ../../in/tex/skin diffuse.png\n"
                     "map_Bump -bm 0.3 ../../in/tex/bump.png\n"
                     "norm ../../in/tex/n.png\nx_custom 7\n"),
            std::string::npos)
      << mtl;
  const size_t skin = mtl.find("newmtl skin");
  EXPECT_GT(mtl.find("Ka", skin), mtl.find("newmtl", skin + 1));
  ASSERT_EQ(is.materials[is.faces[0].material].statements.size(), 9u);
}

TEST_F(ObjFidelity, GroupsWithoutObjectLinesBecomeObjects) {
  const auto r = tsxhost::LoadObjText(
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nv 6 5 5\nv 5 6 5\ng head\nf 1 2 3\ng body\nf 4 5 6\ng head\nf 3 2 1\n",
      "people.obj");
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.objects.size(), 2u);
  EXPECT_EQ(tsxhost::ObjectName(r.objects[0]), "head");
  EXPECT_EQ(tsxhost::ObjectName(r.objects[1]), "body");
  tsxhost::Mesh head, body;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[0], &head));
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[1], &body));
  EXPECT_EQ(head.vertices.size(), 3u);
  EXPECT_EQ(head.faces.size(), 2u);
  EXPECT_EQ(body.vertices.size(), 3u);
  EXPECT_EQ(body.vertices[0].x, 5.0f);
  EXPECT_EQ(body.faces[0].corners[0].vertex, 0);
  const auto beyond = tsxhost::LoadObjText("v 0 0 0\nv 1 0 0\ng a\nf 1 2 3\n", "beyond.obj");
  EXPECT_EQ(beyond.error, "beyond.obj:4: vertex index 3 is out of range");
}

TEST_F(ObjFidelity, SavedPlacementReadsBackWhereItWas) {
  tsxhost::Mesh m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  m.normals = {{0, 0, 1}};
  m.faces = {{{{0, -1, 0}, {1, -1, 0}, {2, -1, 0}}, {}, 0}};
  // Turned a quarter about z, scaled 2 along x, moved by (10, 0, -3).
  const CtsxTxmx3f placed{{0, -1, 0, 10, 2, 0, 0, 0, 0, 0, 1, -3}};
  const tsxSOBJ obj = tsxhost::AddPolyhedron("moved", m, placed);
  const std::string path = (dir_ / "out/placed.obj").string();
  std::string error;
  ASSERT_TRUE(tsxhost::SaveObj(path, {obj}, &error)) << error;
  tsxhost::ResetScene();
  const auto r = tsxhost::LoadObj(path);
  ASSERT_TRUE(r.ok) << r.error;
  tsxhost::Mesh back;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[0], &back));
  EXPECT_EQ(back.vertices[0].x, 10.0f);
  EXPECT_EQ(back.vertices[1].x, 10.0f);
  EXPECT_EQ(back.vertices[1].y, 2.0f);
  EXPECT_EQ(back.vertices[2].x, 9.0f);
  EXPECT_EQ(back.vertices[2].z, -3.0f);
  ASSERT_EQ(back.normals.size(), 3u);
  EXPECT_EQ(back.normals[0].z, 1.0f);  // z untouched by a turn about z
}

TEST_F(ObjFidelity, InterruptedWriteLeavesTheOldFilesAndNoTemporary) {
  const std::string path = Write("out/keep.obj", "old obj\n");
  Write("out/keep.mtl", "old mtl\n");
  const tsxSOBJ obj = tsxhost::AddPolyhedron("A", tsxhost::Mesh{});
  tsxhost::testing::FailNextRename();
  std::string error;
  EXPECT_FALSE(tsxhost::SaveObj(path, {obj}, &error));
  EXPECT_EQ(error, path + ": cannot write the file: Interrupted system call");
  EXPECT_EQ(Read(path), "old obj\n");
  EXPECT_EQ(Read(dir_ / "out/keep.mtl"), "old mtl\n");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_ / "out")) ++files;
  EXPECT_EQ(files, 3u);  // keep.obj, keep.mtl, deeper/
  ASSERT_TRUE(tsxhost::SaveObj(path, {obj}, &error)) << error;
  EXPECT_NE(Read(path).find("o A\n"), std::string::npos);
}

TEST_F(ObjFidelity, MaterialWithoutAFileKeepsShortestValues) {
  tsxhost::Mesh m;
  m.vertices = {{0, 0, 0}};
  tsxhost::Material mat;
  mat.name = "plain";
  mat.diffuse = {0.8f, 0.1f, 1.0f};
  m.materials = {mat};
  const tsxSOBJ obj = tsxhost::AddPolyhedron("dot", m);
  std::string error;
  ASSERT_TRUE(tsxhost::SaveObj((dir_ / "out/dot.obj").string(), {obj}, &error)) << error;
  EXPECT_NE(Read(dir_ / "out/dot.mtl").find("Kd 0.8 0.1 1\n"), std::string::npos);
}

// A malformed statement after a good one of the same key leaves the good
// value in force; both come back as written, not the value in its place.
TEST_F(ObjFidelity, MalformedLastColourStatementIsKeptAsWritten) {
  Write("in/m.mtl", "newmtl skin\nKd 0.8 0.6 0.5\nKd\nKs 1 0 0\nKs 0.5 x\n");
  const std::string scene = Write("in/s.obj", "mtllib m.mtl\no A\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl skin\nf 1 2 3\n");
  const tsxhost::ObjResult r = tsxhost::LoadObj(scene);
  ASSERT_TRUE(r.ok) << r.error;
  std::string error;
  ASSERT_TRUE(tsxhost::SaveObj((dir_ / "out/s.obj").string(), r.objects, &error)) << error;
  const std::string mtl = Read(dir_ / "out/s.mtl");
  EXPECT_NE(mtl.find("Kd 0.8 0.6 0.5\nKd\nKs 1 0 0\nKs 0.5 x\n"), std::string::npos) << mtl;
}

// Many objects whose materials share a name but differ: each gets its own
// numbered name, an equal one is written once, and the numbering takes
// linear time (a file of tens of thousands of parts stays quick to write).
TEST_F(ObjFidelity, ManyDifferentMaterialsOfOneNameAreNumberedOnceEach) {
  const int count = 40000;
  std::vector<tsxSOBJ> objects;
  for (int i = 0; i < count; ++i) {
    tsxhost::Mesh m;
    m.vertices = {{0, 0, 0}};
    tsxhost::Material mat;
    mat.name = "paint";
    mat.diffuse = {float(i % 2 ? i : 0) / count, 0, 0};  // every odd one its own colour
    m.materials = {mat};
    objects.push_back(tsxhost::AddPolyhedron("part" + std::to_string(i), m));
  }
  std::string obj, mtl;
  ASSERT_TRUE(tsxhost::ObjTexts(objects, "parts.mtl", &obj, &mtl));
  // The even ones share "paint"; the odd ones are paint_2, paint_3, ...
  EXPECT_NE(mtl.find("newmtl paint\n"), std::string::npos);
  EXPECT_NE(mtl.find("newmtl paint_" + std::to_string(count / 2 + 1) + "\n"), std::string::npos);
  EXPECT_EQ(mtl.find("newmtl paint_" + std::to_string(count / 2 + 2) + "\n"), std::string::npos);
}

}  // namespace
