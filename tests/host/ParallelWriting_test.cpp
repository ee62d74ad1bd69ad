// SaveObj's vertex lines formatted on two threads: the file is the same,
// byte for byte, as when one thread formats everything, whatever the split.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "HostTesting.h"
#include "ObjFile.h"
#include "Scene.h"

namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Random objects of 0 to 40 vertices, some placed by a transform.
std::vector<tsxSOBJ> RandomScene(std::mt19937& rng) {
  std::uniform_real_distribution<float> coordinate(-1e4f, 1e4f);
  std::vector<tsxSOBJ> objects;
  for (int o = 0, count = 1 + static_cast<int>(rng() % 3); o < count; ++o) {
    tsxhost::Mesh m;
    const int nv = static_cast<int>(rng() % 41);
    for (int v = 0; v < nv; ++v) m.vertices.push_back({coordinate(rng), coordinate(rng), coordinate(rng)});
    for (int f = 0; nv >= 3 && f < nv; ++f) m.faces.push_back({{{f, -1}, {(f + 1) % nv, -1}, {(f + 2) % nv, -1}}, {}, 0});
    CtsxTxmx3f place = tsxhost::kIdentity;
    if (rng() % 2) place.m[3] = coordinate(rng);
    objects.push_back(tsxhost::AddPolyhedron("o" + std::to_string(o), m, place));
  }
  return objects;
}

TEST(ParallelWriting, TwoThreadsWriteTheSameFileAsOne) {
  const auto dir = std::filesystem::temp_directory_path() / ("parallel_writing_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "one");
  std::filesystem::create_directories(dir / "two");
  std::mt19937 rng(5);
  for (int round = 0; round < 50; ++round) {
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
