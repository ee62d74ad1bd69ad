// The bytes of glTF, PLY and STL files written from fixed pseudo-random
// objects, against files kept from an earlier writer whose output was
// checked by reading it back: a faster writer must write the same files.
// Regenerate the kept files only for an intended change of format.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;
using tsxhost::Mesh;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// mt19937's raw output is the same everywhere; its distributions are not.
class Dice {
 public:
  explicit Dice(uint32_t seed) : rng_(seed) {}
  int32_t Below(uint32_t n) { return static_cast<int32_t>(rng_() % n); }
  float Eighths() { return static_cast<float>(Below(2001) - 1000) / 8.0f; }

 private:
  std::mt19937 rng_;
};

tsxhost::Material Colour(const std::string& name, float red) {
  tsxhost::Material m;
  m.name = name;
  m.diffuse = {red, 0.25f, 0.75f};
  return m;
}

// Faces of 3 to 6 distinct corners over `vertexCount` vertices (some never
// used, some positions repeated), some corners with a UV or a normal, some
// without, on `materials` materials; one face with a hole.
Mesh RandomMesh(Dice& dice, int32_t vertexCount, int32_t faceCount, bool uvs, bool normals,
                std::vector<tsxhost::Material> materials) {
  Mesh m;
  m.materials = std::move(materials);
  for (int32_t v = 0; v < vertexCount; ++v) {
    if (v % 7 == 6) {
      m.vertices.push_back(m.vertices[static_cast<size_t>(dice.Below(static_cast<uint32_t>(v)))]);
    } else {
      m.vertices.push_back({dice.Eighths(), dice.Eighths(), dice.Eighths()});
    }
  }
  if (uvs) {
    for (int i = 0; i < vertexCount / 2; ++i) m.uvs.push_back({dice.Eighths() / 128, dice.Eighths() / 128});
  }
  if (normals) {
    for (int i = 0; i < 9; ++i) m.normals.push_back({dice.Eighths(), dice.Eighths(), dice.Eighths()});
  }
  const auto used = static_cast<uint32_t>(vertexCount - vertexCount / 10);
  for (int32_t f = 0; f < faceCount; ++f) {
    tsxhost::Face face;
    const int32_t corners = 3 + dice.Below(4);
    std::vector<int32_t> picked;
    while (static_cast<int32_t>(picked.size()) < corners) {
      const int32_t v = dice.Below(used);
      if (std::find(picked.begin(), picked.end(), v) == picked.end()) picked.push_back(v);
    }
    for (int32_t v : picked) {
      tsxhost::Corner c{v, -1, -1};
      if (uvs && dice.Below(5) != 0) c.uv = dice.Below(static_cast<uint32_t>(m.uvs.size()));
      if (normals && dice.Below(3) == 0) c.normal = dice.Below(static_cast<uint32_t>(m.normals.size()));
      face.corners.push_back(c);
    }
    face.material = dice.Below(static_cast<uint32_t>(m.materials.size()));
    if (f == faceCount / 2) face.holes.push_back({{picked[0], -1, -1}, {picked[1], -1, -1}, {picked[2], -1, -1}});
    m.faces.push_back(std::move(face));
  }
  return m;
}

// Three objects: UVs, normals and three materials; plain quads and
// triangles under a transform, sharing a material with the first; none
// without faces.
std::vector<tsxSOBJ> Objects() {
  Dice dice(20261209);
  const tsxSOBJ a = tsxhost::AddPolyhedron(
      "Alpha", RandomMesh(dice, 70, 90, true, true, {Colour("red", 1), Colour("green", 0), Colour("blue", 0.5f)}));
  const CtsxTxmx3f turned{{0, -1, 0, 3, 1, 0, 0, -2, 0, 0, 1, 0.5f}};
  const tsxSOBJ b = tsxhost::AddPolyhedron("Beta \"quoted\"", RandomMesh(dice, 40, 30, false, false, {Colour("green", 0)}),
                                           turned);
  Mesh empty;
  empty.vertices = {{1, 2, 3}};
  const tsxSOBJ c = tsxhost::AddPolyhedron("Gamma", empty);
  return {a, b, c};
}

TEST(WrittenBytesTest, GltfPlyAndStlFilesAreWrittenByteForByteAsBefore) {
  const fs::path dir = testsupport::MakeScratchDir("written_bytes");
  const fs::path kept = fs::path(HOST_TEST_DATA) / "formats" / "written";
  for (const char* name : {"scene.glb", "scene.gltf", "scene.ply", "scene.stl"}) {
    tsxhost::ResetScene();
    const tsxhost::SaveResult saved = tsxhost::SaveScene((dir / name).string(), Objects());
    ASSERT_TRUE(saved.ok) << name << ": " << saved.error;
    std::string notes;
    for (const std::string& w : saved.warnings) notes += w + "\n";
    EXPECT_EQ(notes, ReadFile(kept / (std::string(name) + ".notes"))) << name;
    std::vector<std::string> files = {name};
    if (fs::path(name).extension() == ".gltf") files.push_back("scene.bin");
    for (const std::string& file : files) {
      const std::string written = ReadFile(dir / file), before = ReadFile(kept / file);
      ASSERT_FALSE(before.empty()) << file;
      EXPECT_TRUE(written == before) << file << ": " << written.size() << " bytes written, " << before.size()
                                     << " before";
    }
  }
  tsxhost::ResetScene();
  fs::remove_all(dir);
}

}  // namespace
