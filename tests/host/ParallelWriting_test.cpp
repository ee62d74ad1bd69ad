// SaveObj's vertex and face lines formatted on two threads: the file is the
// same, byte for byte, as when one thread formats everything.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "host/obj/ObjFile.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"

namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Random objects of 0 to 40 vertices, some placed by a transform, whose
// faces change material, group and smoothing now and then and have UVs
// and normals or not.
std::vector<tsxSOBJ> RandomScene(std::mt19937& rng) {
  std::uniform_real_distribution<float> coordinate(-1e4f, 1e4f);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::vector<tsxSOBJ> objects;
  for (int o = 0, count = 1 + pick(3); o < count; ++o) {
    tsxhost::Mesh m;
    const int nv = pick(41);
    for (int v = 0; v < nv; ++v) m.vertices.push_back({coordinate(rng), coordinate(rng), coordinate(rng)});
    m.uvs = {{0, 0}, {1, 0}, {0.5f, 1}};
    m.normals = {{0, 0, 1}, {0, 1, 0}};
    for (int i = 0, materials = pick(3); i < materials; ++i) {
      m.materials.emplace_back();
      m.materials.back().name = "m" + std::to_string(i);
    }
    tsxhost::Face face;
    for (int f = 0; nv >= 3 && f < nv; ++f) {
      face.corners.clear();
      const bool uv = pick(3) == 0, normal = pick(3) == 0;
      for (int c = 0; c < 3; ++c) face.corners.push_back({(f + c) % nv, uv ? c : -1, normal ? c % 2 : -1});
      if (pick(4) == 0) face.material = pick(static_cast<int>(m.materials.size()));
      if (pick(4) == 0) face.group = pick(2) ? "" : "g" + std::to_string(pick(3));
      if (pick(4) == 0) face.smoothing = static_cast<uint32_t>(pick(3));
      m.faces.push_back(face);
    }
    CtsxTxmx3f place = tsxhost::kIdentity;
    if (pick(2)) place.m[3] = coordinate(rng);
    objects.push_back(tsxhost::AddPolyhedron("o" + std::to_string(o), m, place));
  }
  return objects;
}

TEST(ParallelWriting, TwoThreadsWriteTheSameFileAsOne) {
  const auto dir = std::filesystem::temp_directory_path() / ("parallel_writing_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "one");
  std::filesystem::create_directories(dir / "two");
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    tsxhost::ResetScene();
    const std::vector<tsxSOBJ> objects = RandomScene(rng);
    std::string error;
    tsxhost::testing::SetParallelFormatting(0);
    ASSERT_TRUE(tsxhost::SaveObj((dir / "one" / "scene.obj").string(), objects, &error)) << error;
    tsxhost::testing::SetParallelFormatting(1);
    ASSERT_TRUE(tsxhost::SaveObj((dir / "two" / "scene.obj").string(), objects, &error)) << error;
    ASSERT_EQ(Slurp(dir / "one" / "scene.obj"), Slurp(dir / "two" / "scene.obj"));
  }
  tsxhost::testing::SetParallelFormatting(65536);
  tsxhost::ResetScene();
  std::filesystem::remove_all(dir);
}

}  // namespace
