// glTF, PLY and STL in and out, on small files made here.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include <nlohmann/json.hpp>

#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;
using tsxhost::Mesh;

class FormatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    dir_ = testsupport::MakeScratchDir("formats_test");
  }
  void TearDown() override {
    fs::remove_all(dir_);
    tsxhost::ResetScene();
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Saves `objects`, empties the scene and loads the file back.
  tsxhost::ObjResult RoundTrip(const std::string& name, const std::vector<tsxSOBJ>& objects,
                               std::vector<std::string>* warnings = nullptr) {
    const tsxhost::SaveResult saved = tsxhost::SaveScene(Path(name), objects);
    EXPECT_TRUE(saved.ok) << saved.error;
    if (warnings) *warnings = saved.warnings;
    tsxhost::ResetScene();
    return tsxhost::LoadScene(Path(name));
  }
  fs::path dir_;
};

bool SameBits(const CtsxVector3f& a, const CtsxVector3f& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A unit cube of quads, each face its own material and its own 4 UVs.
Mesh Cube(float x0 = 0) {
  Mesh m;
  for (int i = 0; i < 8; ++i) m.vertices.push_back({x0 + float(i & 1), float(i >> 1 & 1), float(i >> 2 & 1)});
  const int faces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
  m.materials.clear();
  for (int f = 0; f < 6; ++f) {
    tsxhost::Material mat;
    mat.name = "m" + std::to_string(f);
    mat.diffuse = {0.1f * float(f), 0.5f, 1.0f / 3.0f};
    m.materials.push_back(mat);
    tsxhost::Face face;
    for (int c = 0; c < 4; ++c) {
      m.uvs.push_back({0.25f * float(c), 0.125f * float(f)});
      face.corners.push_back({faces[f][c], int32_t(m.uvs.size() - 1)});
    }
    face.material = f;
    m.faces.push_back(face);
  }
  return m;
}

Mesh ReadBack(tsxSOBJ obj) {
  Mesh m;
  EXPECT_TRUE(tsxhost::ReadMesh(obj, &m));
  return m;
}

// The outward normal (unnormalised) of a triangle or a planar polygon.
CtsxVector3f Normal(const Mesh& m, const tsxhost::Face& f) {
  const CtsxVector3f& a = m.vertices[f.corners[0].vertex];
  const CtsxVector3f& b = m.vertices[f.corners[1].vertex];
  const CtsxVector3f& c = m.vertices[f.corners[2].vertex];
  const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
  return {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
}

TEST_F(FormatsTest, ObjThroughGlbAndBackKeepsVerticesBitForBitAndMaterialColours) {
  const tsxhost::ObjResult obj = tsxhost::LoadScene(HOST_EXAMPLES "/boxes.obj");
  ASSERT_TRUE(obj.ok) << obj.error;
  std::vector<Mesh> before;
  for (tsxSOBJ o : obj.objects) before.push_back(ReadBack(o));

  const tsxhost::ObjResult glb = RoundTrip("boxes.glb", obj.objects);
  ASSERT_TRUE(glb.ok) << glb.error;
  const tsxhost::ObjResult back = RoundTrip("boxes.obj", glb.objects);
  ASSERT_TRUE(back.ok) << back.error;
  ASSERT_EQ(back.objects.size(), 2u);
  EXPECT_EQ(tsxhost::ObjectName(back.objects[0]), "Left");
  EXPECT_EQ(tsxhost::ObjectName(back.objects[1]), "Right");
  for (size_t i = 0; i < 2; ++i) {
    const Mesh after = ReadBack(back.objects[i]);
    ASSERT_EQ(after.vertices.size(), before[i].vertices.size());
    for (size_t v = 0; v < after.vertices.size(); ++v) EXPECT_TRUE(SameBits(after.vertices[v], before[i].vertices[v]));
    ASSERT_EQ(after.materials.size(), before[i].materials.size());
    for (size_t m = 0; m < after.materials.size(); ++m) {
      EXPECT_EQ(after.materials[m].name, before[i].materials[m].name);
      EXPECT_EQ(after.materials[m].diffuse, before[i].materials[m].diffuse);
    }
    // Quads come back as two triangles each, on the same material.
    ASSERT_EQ(after.faces.size(), 2 * before[i].faces.size());
    for (size_t f = 0; f < before[i].faces.size(); ++f) {
      EXPECT_EQ(after.materials[after.faces[2 * f].material].name,
                before[i].materials[before[i].faces[f].material].name);
    }
    EXPECT_TRUE(tsxhost::IsClosed(back.objects[i]));
  }
}

TEST_F(FormatsTest, RandomPositionsSurviveGltfPlyAndStlBitForBit) {
  std::mt19937 rng(13);
  std::uniform_real_distribution<float> coord(-1e4f, 1e4f);
  Mesh m;
  m.materials = {tsxhost::Material{}};
  for (int i = 0; i < 300; ++i) m.vertices.push_back({coord(rng), coord(rng) * 1e-30f, coord(rng) * 1e20f});
  for (int i = 0; i + 2 < 300; i += 3) m.faces.push_back({{{i, -1}, {i + 1, -1}, {i + 2, -1}}, {}, 0});
  for (const char* name : {"r.gltf", "r.glb", "r.ply", "r.stl"}) {
    const tsxSOBJ obj = tsxhost::AddPolyhedron("r", m);
    const tsxhost::ObjResult r = RoundTrip(name, {obj});
    ASSERT_TRUE(r.ok) << name << ": " << r.error;
    const Mesh back = ReadBack(r.objects.at(0));
    ASSERT_EQ(back.vertices.size(), m.vertices.size()) << name;
    for (size_t v = 0; v < m.vertices.size(); ++v) ASSERT_TRUE(SameBits(back.vertices[v], m.vertices[v])) << name << " " << v;
    tsxhost::ResetScene();
  }
}

TEST_F(FormatsTest, GltfKeepsNamesUvsMaterialsAndTextures) {
  Mesh cube = Cube();
  cube.materials[2].diffuseMap = "bricks.png";
  cube.materials[3].opacity = 0.5f;
  const tsxSOBJ a = tsxhost::AddPolyhedron("Head", cube);
  const tsxSOBJ b = tsxhost::AddPolyhedron("Body", Cube(1));
  const tsxhost::ObjResult r = RoundTrip("two.gltf", {a, b});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(fs::exists(Path("two.bin")));
  ASSERT_EQ(r.objects.size(), 2u);
  EXPECT_EQ(tsxhost::ObjectName(r.objects[0]), "Head");
  EXPECT_EQ(tsxhost::ObjectName(r.objects[1]), "Body");
  const Mesh head = ReadBack(r.objects[0]);
  EXPECT_EQ(head.vertices.size(), 8u);
  EXPECT_EQ(head.faces.size(), 12u);
  ASSERT_EQ(head.materials.size(), 6u);
  EXPECT_EQ(head.materials[2].diffuseMap, "bricks.png");
  EXPECT_EQ(head.materials[3].opacity, 0.5f);
  EXPECT_EQ(head.materials[5].diffuse, cube.materials[5].diffuse);
  // Every corner keeps its UV (to within the library's flip of v).
  ASSERT_EQ(head.uvs.size(), 24u);
  for (size_t f = 0; f < 6; ++f) {
    const tsxhost::Face& tri = head.faces[2 * f];
    for (int c = 0; c < 3; ++c) {
      const CtsxUV& got = head.uvs[tri.corners[c].uv];
      const int src = c == 0 ? 0 : c;  // fan: 0 1 2, then 0 2 3
      const CtsxUV& want = cube.uvs[cube.faces[f].corners[src].uv];
      EXPECT_NEAR(got.u, want.u, 1e-6);
      EXPECT_NEAR(got.v, want.v, 1e-6);
    }
  }
}

TEST_F(FormatsTest, NodeTransformsAreBakedAndMirrorsKeepFacesOutward) {
  const tsxSOBJ moved = tsxhost::AddPolyhedron("Moved", Cube());
  tsxhost::SetTransform(moved, {{0, -1, 0, 10, 1, 0, 0, 20, 0, 0, 2, 30}});  // turn, stretch, shift
  const tsxSOBJ mirrored = tsxhost::AddPolyhedron("Mirrored", Cube());
  tsxhost::SetTransform(mirrored, {{-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}});
  const tsxhost::ObjResult r = RoundTrip("moved.glb", {moved, mirrored});
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.objects.size(), 2u);
  for (tsxSOBJ obj : r.objects) {
    const CtsxTxmx3f t = tsxhost::GetTransform(obj);
    EXPECT_EQ(0, std::memcmp(&t, &tsxhost::kIdentity, sizeof t));
  }
  // Each corner (x, y, z) of the cube lands at (10 - y, 20 + x, 30 + 2z).
  std::vector<std::array<float, 3>> got, want;
  for (const CtsxVector3f& v : ReadBack(r.objects[0]).vertices) got.push_back({v.x, v.y, v.z});
  for (const CtsxVector3f& v : Cube().vertices) want.push_back({10 - v.y, 20 + v.x, 30 + 2 * v.z});
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
  const Mesh mirror = ReadBack(r.objects[1]);
  // Face 1 of the cube (+x) now faces -x, and still outwards.
  const CtsxVector3f n = Normal(mirror, mirror.faces[2]);
  EXPECT_LT(n.x, 0.0f);
  EXPECT_EQ(mirror.vertices[mirror.faces[2].corners[0].vertex].x, -1.0f);
  EXPECT_TRUE(tsxhost::IsClosed(r.objects[1]));
}

TEST_F(FormatsTest, PlyAsciiAndBinaryReadAsOneObjectNamedAfterTheFile) {
  const std::string ascii = Write("quad.ply",
                                  "ply\nformat ascii 1.0\nelement vertex 4\n"
                                  "property float x\nproperty float y\nproperty float z\n"
                                  "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                                  "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
                                  "0 0 0 255 0 0\n1 0 0 255 0 0\n1 1 0 255 0 0\n0 1 0.1 255 0 0\n4 0 1 2 3\n");
  const tsxhost::ObjResult r = tsxhost::LoadScene(ascii);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.objects.size(), 1u);
  EXPECT_EQ(tsxhost::ObjectName(r.objects[0]), "quad");
  const Mesh quad = ReadBack(r.objects[0]);
  ASSERT_EQ(quad.faces.size(), 1u);
  EXPECT_EQ(quad.faces[0].corners.size(), 4u);  // polygons stay whole
  EXPECT_EQ(quad.vertices[3].z, 0.1f);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("vertex colours"), std::string::npos);

  // Binary, as written: quads and UVs kept, materials said once to be lost.
  std::vector<std::string> warnings;
  const tsxSOBJ cube = tsxhost::AddPolyhedron("cube", Cube());
  const tsxhost::ObjResult bin = RoundTrip("cube.ply", {cube}, &warnings);
  ASSERT_TRUE(bin.ok) << bin.error;
  EXPECT_EQ(Read(Path("cube.ply")).find("format binary_little_endian"), 4u);
  EXPECT_EQ(warnings, std::vector<std::string>{"PLY cannot hold per-face materials: they are left out"});
  const Mesh m = ReadBack(bin.objects.at(0));
  EXPECT_EQ(m.vertices.size(), 8u);
  EXPECT_EQ(m.faces.size(), 6u);
  EXPECT_EQ(m.uvs.size(), 24u);
  EXPECT_TRUE(tsxhost::IsClosed(bin.objects[0]));
}

// Normals become the faces' per-corner normals, turned by a node's
// transform.
TEST_F(FormatsTest, NormalsAreKeptPerCorner) {
  const std::string ply = Write("lit.ply",
                                "ply\nformat ascii 1.0\nelement vertex 3\n"
                                "property float x\nproperty float y\nproperty float z\n"
                                "property float nx\nproperty float ny\nproperty float nz\n"
                                "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
                                "0 0 0 0 0 1\n1 0 0 0 0 1\n0 1 0 0.6 0 0.8\n3 0 1 2\n");
  const tsxhost::ObjResult r = tsxhost::LoadScene(ply);
  ASSERT_TRUE(r.ok) << r.error;
  const Mesh lit = ReadBack(r.objects.at(0));
  const auto& corners = lit.faces.at(0).corners;
  ASSERT_EQ(lit.normals.size(), 3u);
  EXPECT_TRUE(SameBits(lit.normals.at(corners[0].normal), {0.0f, 0.0f, 1.0f}));
  EXPECT_TRUE(SameBits(lit.normals.at(corners[1].normal), {0.0f, 0.0f, 1.0f}));
  EXPECT_TRUE(SameBits(lit.normals.at(corners[2].normal), {0.6f, 0.0f, 0.8f}));

  // A glTF from another tool, the head placed by a translation: every
  // corner has a unit normal pointing out of its face.
  tsxhost::ResetScene();
  const tsxhost::ObjResult figure = tsxhost::LoadScene(HOST_TEST_DATA "/formats/figure.glb");
  ASSERT_TRUE(figure.ok) << figure.error;
  for (tsxSOBJ obj : figure.objects) {
    const Mesh m = ReadBack(obj);
    for (const tsxhost::Face& face : m.faces) {
      const CtsxVector3f a = m.vertices[face.corners[0].vertex], b = m.vertices[face.corners[1].vertex],
                         c = m.vertices[face.corners[2].vertex];
      const float u[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
      const float cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
      for (const tsxhost::Corner& corner : face.corners) {
        ASSERT_GE(corner.normal, 0);
        const CtsxVector3f n = m.normals.at(corner.normal);
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-5f);
        EXPECT_GT(n.x * cross[0] + n.y * cross[1] + n.z * cross[2], 0.0f);
      }
    }
  }
}

// Normals written go back bit for bit; a face without normals of its own
// is given its plane's; STL, one normal per face, says what it left out.
TEST_F(FormatsTest, NormalsAreWrittenToGltfAndPly) {
  Mesh lit = Cube();
  const CtsxVector3f axes[6] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
  lit.normals.assign(axes, axes + 5);  // the last face has none
  for (int f = 0; f < 5; ++f) {
    for (auto& corner : lit.faces[f].corners) corner.normal = f;
  }
  tsxSOBJ cube = tsxhost::AddPolyhedron("cube", lit);
  for (const char* file : {"lit.glb", "lit.ply"}) {
    std::vector<std::string> warnings;
    const tsxhost::ObjResult r = RoundTrip(file, {cube}, &warnings);
    ASSERT_TRUE(r.ok) << file << ": " << r.error;
    const Mesh m = ReadBack(r.objects.at(0));
    EXPECT_EQ(m.vertices.size(), 8u) << file;
    for (const tsxhost::Face& face : m.faces) {
      const CtsxVector3f a = m.vertices[face.corners[0].vertex], b = m.vertices[face.corners[1].vertex],
                         c = m.vertices[face.corners[2].vertex];
      const float n[3] = {(b.y - a.y) * (c.z - a.z) - (b.z - a.z) * (c.y - a.y),
                          (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z),
                          (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)};
      const int axis = std::abs(n[0]) > 0.5f ? 0 : std::abs(n[1]) > 0.5f ? 1 : 2;
      const CtsxVector3f expected = axes[2 * axis + (n[axis] > 0 ? 1 : 0)];
      for (const tsxhost::Corner& corner : face.corners) {
        ASSERT_GE(corner.normal, 0) << file;
        EXPECT_TRUE(SameBits(m.normals.at(corner.normal), expected)) << file;
      }
    }
    tsxhost::ResetScene();
    cube = tsxhost::AddPolyhedron("cube", lit);
  }
  std::vector<std::string> warnings;
  RoundTrip("lit.stl", {cube}, &warnings);
  EXPECT_NE(std::find(warnings.begin(), warnings.end(),
                      "STL holds one normal per face: the corners' normals are left out"),
            warnings.end());
}

TEST_F(FormatsTest, StlAsciiAndBinaryWeldIntoAClosedObject) {
  std::string text = "solid cube\n";
  const Mesh cube = Cube();
  for (const tsxhost::Face& f : cube.faces) {
    for (int t : {1, 2}) {
      text += " facet normal 0 0 0\n  outer loop\n";
      for (int c : {0, t, t + 1}) {
        const CtsxVector3f& v = cube.vertices[f.corners[c].vertex];
        text += "   vertex " + std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.z) + "\n";
      }
      text += "  endloop\n endfacet\n";
    }
  }
  text += "endsolid cube\n";
  const tsxhost::ObjResult r = tsxhost::LoadScene(Write("Box.STL", text));
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.objects.size(), 1u);
  EXPECT_EQ(tsxhost::ObjectName(r.objects[0]), "Box");
  EXPECT_EQ(ReadBack(r.objects[0]).vertices.size(), 8u);
  EXPECT_TRUE(tsxhost::IsClosed(r.objects[0]));

  // Binary, two objects in: one object out, each loss said once.
  tsxhost::ResetScene();
  const tsxSOBJ a = tsxhost::AddPolyhedron("a", Cube());
  const tsxSOBJ b = tsxhost::AddPolyhedron("b", Cube(5));
  std::vector<std::string> warnings;
  const tsxhost::ObjResult bin = RoundTrip("two.stl", {a, b}, &warnings);
  ASSERT_TRUE(bin.ok) << bin.error;
  EXPECT_EQ(Read(Path("two.stl")).size(), 84u + 50u * 24u);  // binary: 24 triangles
  EXPECT_EQ(warnings, (std::vector<std::string>{"STL cannot hold UV coordinates: they are left out",
                                                "STL cannot hold per-face materials: they are left out",
                                                "STL holds one object: the objects are written as one"}));
  ASSERT_EQ(bin.objects.size(), 1u);
  EXPECT_EQ(tsxhost::ObjectName(bin.objects[0]), "two");
  EXPECT_EQ(ReadBack(bin.objects[0]).vertices.size(), 16u);
}

// Objects written together to a one-object format: reading says what that
// did to them, and says nothing of one object read back.
TEST_F(FormatsTest, OneObjectFormatsSayOnReadingWhatWasWrittenAsOne) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("a", Cube());
  const tsxSOBJ b = tsxhost::AddPolyhedron("b", Cube(1));  // touches a at x = 1
  const tsxSOBJ c = tsxhost::AddPolyhedron("c", Cube(5));  // apart
  std::vector<std::string> written;
  const tsxhost::ObjResult stl = RoundTrip("three.stl", {a, b, c}, &written);
  ASSERT_TRUE(stl.ok) << stl.error;
  EXPECT_NE(std::find(written.begin(), written.end(), "STL holds one object: the objects are written as one"),
            written.end());
  // a and b welded where they touched: one part with the two triangles of
  // the face between them doubled; c a part of its own.
  EXPECT_EQ(stl.warnings,
            (std::vector<std::string>{
                Path("three.stl") + ": STL holds one object: the file's 2 separate parts are read as one object 'three'",
                Path("three.stl") + ": STL holds one object: 'three' has 2 faces lying on another over the same "
                                    "corners, as where objects written together touched"}));

  tsxhost::ResetScene();
  const tsxSOBJ d = tsxhost::AddPolyhedron("d", Cube());
  const tsxSOBJ e = tsxhost::AddPolyhedron("e", Cube(3));
  const tsxSOBJ f = tsxhost::AddPolyhedron("f", Cube(6));
  const tsxhost::ObjResult ply = RoundTrip("three.ply", {d, e, f});
  ASSERT_TRUE(ply.ok) << ply.error;
  EXPECT_EQ(ply.warnings, std::vector<std::string>{Path("three.ply") + ": PLY holds one object: the file's 3 "
                                                                      "separate parts are read as one object 'three'"});

  tsxhost::ResetScene();
  const tsxhost::ObjResult one = RoundTrip("one.ply", {tsxhost::AddPolyhedron("one", Cube())});
  ASSERT_TRUE(one.ok) << one.error;
  EXPECT_TRUE(one.warnings.empty()) << one.warnings.front();
}

// glTF holds objects as they are: the file's scene lists the objects
// themselves (no node above them) and each material once.
TEST_F(FormatsTest, GltfListsTheObjectsAtItsTopAndEachMaterialOnce) {
  Mesh body = Cube();
  body.materials[4].diffuse = {1, 0, 0};  // one of the six differs
  for (const char* name : {"two.gltf", "two.glb"}) {
    tsxhost::ResetScene();
    const tsxSOBJ a = tsxhost::AddPolyhedron("Head", Cube());
    const tsxSOBJ b = tsxhost::AddPolyhedron("Body", body);
    ASSERT_TRUE(tsxhost::SaveScene(Path(name), {a, b}).ok);
    std::string text = Read(Path(name));
    if (text.compare(0, 4, "glTF") == 0) {
      const uint32_t length = static_cast<unsigned char>(text[12]) | static_cast<unsigned char>(text[13]) << 8 |
                              static_cast<unsigned char>(text[14]) << 16;
      EXPECT_EQ(length % 4, 0u);
      EXPECT_EQ(text.size() % 4, 0u);
      EXPECT_EQ(static_cast<unsigned char>(text[8]) | static_cast<unsigned char>(text[9]) << 8 |
                    static_cast<unsigned char>(text[10]) << 16,
                text.size());
      text = text.substr(20, length);
    }
    const nlohmann::json gltf = nlohmann::json::parse(text);
    ASSERT_EQ(gltf["nodes"].size(), 2u) << name;
    EXPECT_EQ(gltf["nodes"][gltf["scenes"][0]["nodes"][0].get<size_t>()]["name"], "Head");
    EXPECT_EQ(gltf["nodes"][gltf["scenes"][0]["nodes"][1].get<size_t>()]["name"], "Body");
    EXPECT_EQ(gltf["materials"].size(), 7u) << name;  // m0..m5 and the red m4

    tsxhost::ResetScene();
    const tsxhost::ObjResult back = tsxhost::LoadScene(Path(name));
    ASSERT_TRUE(back.ok) << back.error;
    ASSERT_EQ(back.objects.size(), 2u);
    EXPECT_EQ(ReadBack(back.objects[1]).materials[4].diffuse, (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(ReadBack(back.objects[0]).materials[4].diffuse, Cube().materials[4].diffuse);
  }
}

TEST_F(FormatsTest, DamagedFilesAreRefusedWithTheFileNameAndLeaveTheSceneAlone) {
  const tsxSOBJ cube = tsxhost::AddPolyhedron("cube", Cube());
  for (const char* name : {"c.glb", "c.ply", "c.stl"}) {
    ASSERT_TRUE(tsxhost::SaveScene(Path(name), {cube}).ok);
  }
  const size_t before = tsxhost::SceneObjects().size();
  for (const char* name : {"c.glb", "c.ply", "c.stl"}) {
    const std::string whole = Read(Path(name));
    for (size_t keep : {size_t{0}, size_t{10}, whole.size() / 2, whole.size() - 7}) {
      const std::string cut = std::string("cut_") + std::to_string(keep) + "_" + name;
      const tsxhost::ObjResult r = tsxhost::LoadScene(Write(cut, whole.substr(0, keep)));
      EXPECT_FALSE(r.ok) << cut;
      EXPECT_EQ(r.error.rfind(Path(cut) + ": ", 0), 0u) << r.error;
      EXPECT_EQ(tsxhost::SceneObjects().size(), before) << cut;
    }
  }
  std::string corrupt = Read(Path("c.glb"));
  corrupt.replace(20, 8, "garbage!");  // inside the JSON chunk
  const tsxhost::ObjResult r = tsxhost::LoadScene(Write("bad.glb", corrupt));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(tsxhost::SceneObjects().size(), before);
  EXPECT_FALSE(tsxhost::LoadScene(Path("missing.ply")).ok);
}

TEST_F(FormatsTest, NamesAlreadyInTheSceneAndUnknownExtensionsAreRefused) {
  const tsxSOBJ cube = tsxhost::AddPolyhedron("cube", Cube());
  ASSERT_TRUE(tsxhost::SaveScene(Path("cube.glb"), {cube}).ok);
  const tsxhost::ObjResult again = tsxhost::LoadScene(Path("cube.glb"));
  EXPECT_FALSE(again.ok);
  EXPECT_EQ(again.error, Path("cube.glb") + ": a second object named 'cube'");
  EXPECT_EQ(tsxhost::SceneObjects().size(), 1u);

  const tsxhost::SaveResult saved = tsxhost::SaveScene(Path("cube.fbx"), {cube});
  EXPECT_FALSE(saved.ok);
  EXPECT_EQ(saved.error, Path("cube.fbx") + ": unknown file type; the known ones are .obj, .gltf, .glb, .ply or .stl");
  EXPECT_FALSE(fs::exists(Path("cube.fbx")));
  EXPECT_FALSE(tsxhost::LoadScene(Path("cube.fbx")).ok);
  EXPECT_EQ(tsxhost::FormatOfPath("A.GLB"), tsxhost::FileFormat::Glb);
}

}  // namespace
