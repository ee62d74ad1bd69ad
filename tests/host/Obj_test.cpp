// OBJ in and out under the project's fixed conventions.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>
#include <vector>

#include <unistd.h>

#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

class ObjTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    dir_ = testsupport::MakeScratchDir("obj_test");
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p) << text;
    return p.string();
  }
  fs::path dir_;
};

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST_F(ObjTest, ReadsObjectsByBlockWithRelativeIndicesAndCornerForms) {
  const auto r = tsxhost::LoadObjText(
      "o A\n"
      "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
      "vt 0 0\nvt 1 0\nvt 1 1\n"
      "vn 0 0 1\n"
      "f 1/1 2/2 3/3\n"
      "usemtl red\n"
      "f -4//1 -2//1 -1//1\n"   // relative, v//vn: no UV
      "o B\n"
      "v 5 5 5\nv 6 5 5\nv 6 7 5\n"
      "f 5/1/1 6 7\n",
      "mem.obj");
  // B's face names UV 1, which lies in A's block: refused.
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "mem.obj:17: UV index 1 is outside object 'B'");
  EXPECT_TRUE(tsxhost::SceneObjects().empty());  // nothing half-read

  const auto ok = tsxhost::LoadObjText(
      "o A\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\n"
      "f 1/1 2/2 3/3\nusemtl red\nf -4//1 -2//1 -1//1\n"
      "o B\nv 5 5 5\nv 6 5 5\nv 6 7 5\nf 5 6/ 7\n",
      "mem.obj");
  ASSERT_TRUE(ok.ok) << ok.error;
  ASSERT_EQ(ok.objects.size(), 2u);
  tsxhost::Mesh a, b;
  ASSERT_TRUE(tsxhost::ReadMesh(ok.objects[0], &a));
  ASSERT_TRUE(tsxhost::ReadMesh(ok.objects[1], &b));
  EXPECT_EQ(a.faces[1].corners[0].vertex, 0);
  EXPECT_EQ(a.faces[1].corners[2].vertex, 3);
  EXPECT_EQ(a.faces[1].corners[0].uv, -1);
  EXPECT_EQ(a.faces[0].corners[2].uv, 2);
  ASSERT_EQ(a.materials.size(), 2u);
  EXPECT_EQ(a.materials[a.faces[0].material].name, "default");
  EXPECT_EQ(a.materials[a.faces[1].material].name, "red");
  EXPECT_EQ(b.faces[0].corners[0].vertex, 0);  // numbered within B
  EXPECT_EQ(b.materials[b.faces[0].material].name, "default");  // usemtl stays in A
  CtsxVector3f axes{};
  tsxGNodeGetAxesPosition(ok.objects[1], &axes);
  EXPECT_EQ(axes.x, 5.5f);
  EXPECT_EQ(axes.y, 6.0f);
  CtsxTxmx3f m{};
  ASSERT_NE(tsxPolyhGetVxTxmx(ok.objects[1], &m), nullptr);
  EXPECT_EQ(std::memcmp(&m, &tsxhost::kIdentity, sizeof m), 0);
}

TEST_F(ObjTest, NumbersReadExactlyAsStrtof) {
  const char* numbers[] = {"0.1", "1e-45", "3.4028235e38", "-0", "+2.5", "0.30000001192092896",
                           "16777217", "1.00000005960464477539", ".5", "5."};
  std::string text = "o A\n";
  for (const char* n : numbers) text += std::string("v ") + n + " 0 0\n";
  const auto r = tsxhost::LoadObjText(text, "n.obj");
  ASSERT_TRUE(r.ok) << r.error;
  const CtsxVector3f* v = tsxPolyhGetVxArray(r.objects[0]);
  for (size_t i = 0; i < std::size(numbers); ++i) {
    EXPECT_TRUE(SameBits(v[i].x, std::strtof(numbers[i], nullptr))) << numbers[i];
  }
}

// Beyond float's range a number reads as strtof gives it (infinity or zero,
// signed), and under a locale whose decimal mark is a comma as well: the
// program may run in one (the window toolkit sets the user's locale).
TEST_F(ObjTest, NumbersOutOfRangeReadAsStrtofInAnyLocale) {
  const char* numbers[] = {"1e40", "-1e40", "1.5e40", "1e400", "-1e400", "1e-50", "-1e-50", "1.5e-400", "+2e39"};
  std::string text = "o A\n";
  for (const char* n : numbers) text += std::string("v ") + n + " 0 0\n";
  std::vector<float> expected;
  for (const char* n : numbers) expected.push_back(std::strtof(n, nullptr));  // the C locale here

  const auto check = [&](const char* where) {
    tsxhost::ResetScene();
    const auto r = tsxhost::LoadObjText(text, "n.obj");
    ASSERT_TRUE(r.ok) << r.error;
    const CtsxVector3f* v = tsxPolyhGetVxArray(r.objects[0]);
    for (size_t i = 0; i < std::size(numbers); ++i) {
      EXPECT_TRUE(SameBits(v[i].x, expected[i])) << numbers[i] << " " << where << ": " << v[i].x;
    }
  };
  check("in the C locale");
  const char* commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
  for (const char* name : commaLocales) {
    if (std::setlocale(LC_NUMERIC, name) == nullptr) continue;
    check(name);
    std::setlocale(LC_NUMERIC, "C");
    return;
  }
  GTEST_SKIP() << "no locale with a decimal comma installed";
}

TEST_F(ObjTest, MalformedFilesAreRefusedWithFileAndLine) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"o A\nv 1 2\n", "bad.obj:2: missing vertex"},
      {"o A\nv 1 x 2\n", "bad.obj:2: malformed number 'x' in vertex"},
      {"o A\nv 1 2 3\nvt 0.5z 1\n", "bad.obj:3: malformed number '0.5z' in UV coordinate"},
      {"o A\nv 0 0 0\nv 1 0 0\nf 1 2\n", "bad.obj:4: face with 2 corners (at least 3 needed)"},
      {"o A\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 4\n", "bad.obj:5: vertex index 4 is outside object 'A'"},
      {"o A\nv 0 0 0\nf 1 2 0\n", "bad.obj:3: vertex index 0 is out of range"},
      {"o A\nv 0 0 0\nf 1 -2 1\n", "bad.obj:3: vertex index -2 is out of range"},
      {"o A\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 q\n", "bad.obj:5: malformed vertex index 'q'"},
      {"o A\nv 0 0 0\nv 1 0 0\nv 1 1 0\no B\nv 0 0 1\nf 1 2 3\n", "bad.obj:7: vertex index 1 is outside object 'B'"},
      {"o A\nv 0 0 0\no A\n", "bad.obj:3: a second object named 'A'"},
      {"o\n", "bad.obj:1: object without a name"},
      {"o A\nv 0 0 0\nf 1 1 1 1\nf 1 1\n", "bad.obj:4: face with 2 corners (at least 3 needed)"},
      {"v 0 0 0\no bad\n", "bad.obj:2: a second object named 'bad'"},  // the stem names the first
      // Indices past 32 bits, of a vertex or a UV, in an object or a group, each named as written.
      {"o A\nv 0 0 0\nvt 0 0\nf 1 1 1/1\nf 1 1 99999999999\n", "bad.obj:5: vertex index 99999999999 is outside object 'A'"},
      {"o A\nv 0 0 0\nvt 0 0\nf 1 1/1 1/4294967297\n", "bad.obj:4: UV index 4294967297 is outside object 'A'"},
      {"o A\nv 0 0 0\nvt 0 0\nf 1 1/1 2147483648/1\n", "bad.obj:4: vertex index 2147483648 is outside object 'A'"},
      {"g G\nv 0 0 0\nf 1 1 1\nf 1 1 9223372036854775807\n", "bad.obj:4: vertex index 9223372036854775807 is out of range"},
      {"g G\nv 0 0 0\nvt 0 0\nf 1 1/2147483649 1/1\n", "bad.obj:4: UV index 2147483649 is out of range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto r = tsxhost::LoadObjText(c.text, "bad.obj");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
    EXPECT_TRUE(r.objects.empty());
    EXPECT_TRUE(tsxhost::SceneObjects().empty());
  }
  std::string huge = "o A\nv 0 0 0\nf";
  for (int i = 0; i < 32768; ++i) huge += " 1";
  const auto tooMany = tsxhost::LoadObjText(huge + "\n", "bad.obj");
  EXPECT_EQ(tooMany.error, "bad.obj:3: face with more than 32767 corners");

  // Material indices are 16 bits: a face with the 65,537th name of one
  // object is one too many, and says so.
  std::string materials = "o A\nv 0 0 0\n";
  for (int i = 0; i <= 65536; ++i) materials += "usemtl m" + std::to_string(i) + "\nf 1 1 1\n";
  const auto tooManyMaterials = tsxhost::LoadObjText(materials, "bad.obj");
  EXPECT_FALSE(tooManyMaterials.ok);
  EXPECT_EQ(tooManyMaterials.error, "bad.obj:131076: too many materials");
  EXPECT_TRUE(tsxhost::SceneObjects().empty());

  const auto missing = tsxhost::LoadObj((dir_ / "none.obj").string());
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, (dir_ / "none.obj").string() + ": cannot read the file: No such file or directory");
}

TEST_F(ObjTest, NamesAlreadyInTheSceneAreRefused) {
  ASSERT_TRUE(tsxhost::LoadObjText("o A\nv 0 0 0\n", "one.obj").ok);
  const auto again = tsxhost::LoadObjText("o B\nv 0 0 0\no A\nv 1 1 1\n", "two.obj");
  EXPECT_FALSE(again.ok);
  EXPECT_EQ(again.error, "two.obj:3: a second object named 'A'");
  EXPECT_EQ(tsxhost::SceneObjects().size(), 1u);
}

TEST_F(ObjTest, GeometryBeforeAnyObjectLineIsNamedAfterTheFile) {
  ASSERT_TRUE(tsxhost::LoadObjText("o stem\nv 0 0 0\n", "first.obj").ok);
  const auto r = tsxhost::LoadObjText("v 1 2 3\nv 3 4 5\nvt 0 0\nf 1/1 2/1 1/1\no B\n", "dir/stem.obj");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "dir/stem.obj:1: a second object named 'stem'");

  const auto ok = tsxhost::LoadObjText("usemtl x\nv 1 2 3\nv 3 4 5\no B\n", "dir/loose.obj");
  ASSERT_TRUE(ok.ok) << ok.error;
  ASSERT_EQ(ok.objects.size(), 2u);
  EXPECT_EQ(tsxhost::ObjectName(ok.objects[0]), "loose");
  CtsxVector3f axes{};
  tsxGNodeGetAxesPosition(ok.objects[0], &axes);
  EXPECT_EQ(axes.x, 2.0f);
  EXPECT_EQ(axes.z, 4.0f);
  tsxhost::Mesh b;
  ASSERT_TRUE(tsxhost::ReadMesh(ok.objects[1], &b));
  ASSERT_EQ(b.materials.size(), 1u);  // no faces: the default table
  EXPECT_EQ(b.materials[0].name, "default");
}

TEST_F(ObjTest, SavedMaterialsKeepTheirSettingsWhenNamesClash) {
  // Two objects each with a "grey" of its own; the file needs both.
  tsxhost::Mesh m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  m.faces = {{{{0, -1}, {1, -1}, {2, -1}}, {}, 0}};
  tsxhost::Material grey;
  grey.name = "grey";
  m.materials = {grey};
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", m);
  m.materials[0].diffuse = {0.1f, 0.1f, 0.1f};
  CtsxTxmx3f moved = tsxhost::kIdentity;
  moved.m[3] = 2.5f;
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", m, moved);
  const std::string path = (dir_ / "clash.obj").string();
  std::string error;
  ASSERT_TRUE(tsxhost::SaveObj(path, {a, b}, &error)) << error;
  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("o B\nv 2.5 0 0\nv 3.5 0 0\nv 2.5 1 0\n"), std::string::npos) << text;  // as placed

  tsxhost::ResetScene();
  const auto r = tsxhost::LoadObj(path);
  ASSERT_TRUE(r.ok) << r.error;
  tsxhost::Mesh ra, rb;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[0], &ra));
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[1], &rb));
  EXPECT_EQ(ra.materials[0].name, "grey");
  EXPECT_EQ(ra.materials[0].diffuse, grey.diffuse);
  EXPECT_EQ(rb.materials[0].name, "grey_2");
  EXPECT_EQ(rb.materials[0].diffuse, m.materials[0].diffuse);
}

// The example scene: two closed unit boxes sharing the square at x = 1.
TEST_F(ObjTest, ExampleBoxesAreClosedAndTouchFaceToFace) {
  const auto r = tsxhost::LoadObj(HOST_EXAMPLES "/boxes.obj");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.warnings.empty());
  ASSERT_EQ(r.objects.size(), 2u);
  EXPECT_EQ(tsxhost::ObjectName(r.objects[0]), "Left");
  EXPECT_EQ(tsxhost::ObjectName(r.objects[1]), "Right");
  for (tsxSOBJ box : r.objects) {
    EXPECT_TRUE(tsxhost::IsClosed(box));
    tsxhost::Mesh m;
    ASSERT_TRUE(tsxhost::ReadMesh(box, &m));
    EXPECT_EQ(m.faces.size(), 6u);
    for (const auto& face : m.faces) {
      for (const auto& corner : face.corners) EXPECT_GE(corner.uv, 0);
    }
    ASSERT_EQ(m.materials.size(), 2u);
    EXPECT_EQ(m.materials[0].name, "grey");
    EXPECT_EQ(m.materials[0].diffuse, (std::array<float, 3>{0.6f, 0.6f, 0.62f}));
  }
  tsxhost::Mesh right;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[1], &right));
  EXPECT_EQ(right.materials[1].name, "blue");
}

TEST_F(ObjTest, MissingMaterialLibraryIsAWarning) {
  const std::string path = Write("m.obj", "mtllib nowhere.mtl\no A\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl wood\nf 1 2 3\n");
  const auto r = tsxhost::LoadObj(path);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0], path + ":1: cannot read material library 'nowhere.mtl' (No such file or directory); "
                           "faces keep their material names");
  tsxhost::Mesh mesh;
  tsxhost::ReadMesh(r.objects[0], &mesh);
  EXPECT_EQ(mesh.materials[mesh.faces[0].material].name, "wood");
}

TEST_F(ObjTest, RealMeshRoundTripsBitForBitWithItsMaterials) {
  // A grid with awkward coordinates, loose vertices, faces with and
  // without UVs, and two materials from a library.
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> any(-1e4f, 1e4f);
  tsxhost::Mesh m;
  const int n = 30;
  for (int i = 0; i < n * n + 5; ++i) m.vertices.push_back({any(rng), any(rng) * 1e-7f, std::nextafter(any(rng), 0.f)});
  for (int i = 0; i < n * n; ++i) m.uvs.push_back({any(rng) * 1e-4f, any(rng)});
  tsxhost::Material stone;
  stone.name = "stone";
  stone.diffuse = {0.25f, 0.5f, 0.75f};
  stone.diffuseMap = "stone.png";
  m.materials = {tsxhost::Material{}, stone};
  for (int y = 0; y + 1 < n; ++y) {
    for (int x = 0; x + 1 < n; ++x) {
      const int v = y * n + x;
      const bool uv = (x + y) % 3 != 0;
      m.faces.push_back({{{v, uv ? v : -1}, {v + 1, uv ? v + 1 : -1}, {v + n + 1, v + n + 1}, {v + n, -1}},
                         {}, (x % 2)});
    }
  }
  const tsxSOBJ src = tsxhost::AddPolyhedron("grid", m);
  const std::string path = (dir_ / "grid.obj").string();
  std::string error;
  ASSERT_TRUE(tsxhost::SaveObj(path, {src}, &error)) << error;
  EXPECT_TRUE(fs::exists(dir_ / "grid.mtl"));
  tsxSobjDelete(src);

  const auto r = tsxhost::LoadObj(path);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.warnings.empty());
  tsxhost::Mesh back;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[0], &back));
  ASSERT_EQ(back.vertices.size(), m.vertices.size());
  ASSERT_EQ(back.uvs.size(), m.uvs.size());
  ASSERT_EQ(back.faces.size(), m.faces.size());
  EXPECT_EQ(std::memcmp(back.vertices.data(), m.vertices.data(), m.vertices.size() * sizeof(CtsxVector3f)), 0);
  EXPECT_EQ(std::memcmp(back.uvs.data(), m.uvs.data(), m.uvs.size() * sizeof(CtsxUV)), 0);
  for (size_t f = 0; f < m.faces.size(); ++f) {
    ASSERT_EQ(back.faces[f].corners.size(), 4u);
    for (size_t c = 0; c < 4; ++c) {
      EXPECT_EQ(back.faces[f].corners[c].vertex, m.faces[f].corners[c].vertex);
      EXPECT_EQ(back.faces[f].corners[c].uv, m.faces[f].corners[c].uv);
    }
    const tsxhost::Material& was = m.materials[m.faces[f].material];
    const tsxhost::Material& is = back.materials[back.faces[f].material];
    EXPECT_EQ(std::tie(is.name, is.ambient, is.diffuse, is.specular, is.shininess, is.opacity, is.diffuseMap),
              std::tie(was.name, was.ambient, was.diffuse, was.specular, was.shininess, was.opacity, was.diffuseMap));
  }
}

}  // namespace

namespace {

TEST_F(ObjTest, EveryObjectsUvIndicesCountFromItsOwnFirstUv) {
  // Two objects with UVs of their own: the second object's corners must
  // name the second object's UVs in the file, after the first object's.
  tsxhost::Mesh a;
  a.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  a.uvs = {{0.1f, 0.1f}, {0.2f, 0.2f}, {0.3f, 0.3f}};
  a.faces.push_back({{{0, 0}, {1, 1}, {2, 2}}, {}, 0});
  tsxhost::Mesh b = a;
  b.uvs = {{0.7f, 0.7f}, {0.8f, 0.8f}, {0.9f, 0.9f}, {0.6f, 0.6f}};
  b.faces[0].corners = {{0, 3}, {1, 2}, {2, 0}};
  const std::string path = (dir_ / "two.obj").string();
  std::string error;
  ASSERT_TRUE(tsxhost::SaveObj(path, {tsxhost::AddPolyhedron("A", a), tsxhost::AddPolyhedron("B", b)}, &error))
      << error;

  tsxhost::ResetScene();
  const auto r = tsxhost::LoadObj(path);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.objects.size(), 2u);
  tsxhost::Mesh back;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[1], &back));
  ASSERT_EQ(back.faces.size(), 1u);
  for (size_t c = 0; c < 3; ++c) {
    const int32_t uv = back.faces[0].corners[c].uv;
    ASSERT_GE(uv, 0);
    EXPECT_EQ(back.uvs[size_t(uv)].u, b.uvs[size_t(b.faces[0].corners[c].uv)].u) << "corner " << c;
  }
}

// The fixed convention: every float in the shortest text that reads back
// as the same value.
TEST(ObjWriter, WritesTheShortestExactText) {
  tsxhost::ResetScene();
  tsxhost::Mesh m;
  m.vertices = {{0.1f, 1.0f, -2.5e-7f}, {16777216.0f, -0.0f, 3.4028235e38f}};
  const tsxSOBJ obj = tsxhost::AddPolyhedron("dot", m);
  std::string text, mtl;
  ASSERT_TRUE(tsxhost::ObjTexts({obj}, "dot.mtl", &text, &mtl));
  EXPECT_NE(text.find("v 0.1 1 -2.5e-07\nv 16777216 -0 3.4028235e+38\n"), std::string::npos) << text;
}

// Any float, subnormals and signed zeros included, reads back bit for bit,
// as vertex coordinate and as UV.
TEST(ObjWriter, RandomFloatsReadBackBitForBit) {
  tsxhost::ResetScene();
  std::mt19937 random(20261209);
  const auto anyFloat = [&] {
    for (;;) {
      const uint32_t bits = static_cast<uint32_t>(random());
      float f;
      std::memcpy(&f, &bits, sizeof f);
      if (std::isfinite(f)) return f;
    }
  };
  tsxhost::Mesh m;
  for (int i = 0; i < 30000; ++i) m.vertices.push_back({anyFloat(), anyFloat(), anyFloat()});
  for (int i = 0; i < 10000; ++i) m.uvs.push_back({anyFloat(), anyFloat()});
  tsxhost::Face face;
  face.corners = {{0, 0}, {1, 1}, {2, 2}};
  m.faces.push_back(face);
  const tsxSOBJ obj = tsxhost::AddPolyhedron("floats", m);
  std::string text, mtl;
  ASSERT_TRUE(tsxhost::ObjTexts({obj}, "floats.mtl", &text, &mtl));

  tsxhost::ResetScene();
  const auto r = tsxhost::LoadObjText(text, "floats.obj");
  ASSERT_TRUE(r.ok) << r.error;
  tsxhost::Mesh back;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects[0], &back));
  ASSERT_EQ(back.vertices.size(), m.vertices.size());
  ASSERT_EQ(back.uvs.size(), m.uvs.size());
  for (size_t i = 0; i < m.vertices.size(); ++i) {
    ASSERT_TRUE(SameBits(back.vertices[i].x, m.vertices[i].x) && SameBits(back.vertices[i].y, m.vertices[i].y) &&
                SameBits(back.vertices[i].z, m.vertices[i].z))
        << "vertex " << i;
  }
  for (size_t i = 0; i < m.uvs.size(); ++i) {
    ASSERT_TRUE(SameBits(back.uvs[i].u, m.uvs[i].u) && SameBits(back.uvs[i].v, m.uvs[i].v)) << "uv " << i;
  }
}

}  // namespace
