// SaveObj's vertex and face lines formatted on two threads: the file is the
// same, byte for byte, as when one thread formats everything.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
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

// Written in small pieces and chunks, so that lines end right at a piece's
// end or a chunk's and objects of every size cross them: the file is the
// one the whole text in memory makes.
TEST(ParallelWriting, PiecesAndChunksWriteTheSameFileAsOneBuffer) {
  const auto dir = std::filesystem::temp_directory_path() / ("pieces_writing_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::mt19937 rng(11);
  for (int round = 0; round < 120; ++round) {
    SCOPED_TRACE(round);
    tsxhost::ResetScene();
    const std::vector<tsxSOBJ> objects = RandomScene(rng);
    tsxhost::testing::SetParallelFormatting(0);
    std::string whole, mtl;
    ASSERT_TRUE(tsxhost::ObjTexts(objects, "scene.mtl", &whole, &mtl));
    const size_t pieceBytes = std::array<size_t, 4>{1, 7, 40, 1000}[round % 4];
    const size_t chunkItems = 1 + static_cast<size_t>(round / 4 % 5);
    tsxhost::testing::SetWritePieces(pieceBytes, chunkItems);
    tsxhost::testing::SetParallelFormatting(round % 2 == 0 ? 1 : 0);
    std::string error;
    ASSERT_TRUE(tsxhost::SaveObj((dir / "scene.obj").string(), objects, &error)) << error;
    ASSERT_EQ(Slurp(dir / "scene.obj"), whole);
  }
  tsxhost::testing::SetWritePieces(size_t{16} << 20, size_t{1} << 19);
  tsxhost::testing::SetParallelFormatting(65536);
  tsxhost::ResetScene();
  std::filesystem::remove_all(dir);
}

// A write that fails after some pieces are out (the file size limit here)
// leaves the old files as they were and no temporary behind.
TEST(ParallelWriting, FailureAfterSomePiecesLeavesTheOldFiles) {
  const auto dir = std::filesystem::temp_directory_path() / ("pieces_failing_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::mt19937 rng(3);
  tsxhost::ResetScene();
  std::vector<tsxSOBJ> objects;
  std::string whole, mtl;
  while (whole.size() < 600) {
    objects = RandomScene(rng);
    ASSERT_TRUE(tsxhost::ObjTexts(objects, "scene.mtl", &whole, &mtl));
  }
  std::ofstream(dir / "scene.obj") << "old obj";
  std::ofstream(dir / "scene.mtl") << "old mtl";
  tsxhost::testing::SetWritePieces(64, 2);
  tsxhost::testing::SetParallelFormatting(1);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 300;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  const bool saved = tsxhost::SaveObj((dir / "scene.obj").string(), objects, &error);
  ::setrlimit(RLIMIT_FSIZE, &old);
  tsxhost::testing::SetWritePieces(size_t{16} << 20, size_t{1} << 19);
  tsxhost::testing::SetParallelFormatting(65536);
  EXPECT_FALSE(saved);
  EXPECT_EQ(error.rfind((dir / "scene.obj").string() + ": cannot write the file: ", 0), 0u) << error;
  EXPECT_EQ(Slurp(dir / "scene.obj"), "old obj");
  EXPECT_EQ(Slurp(dir / "scene.mtl"), "old mtl");
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  }
  tsxhost::ResetScene();
  std::filesystem::remove_all(dir);
}

}  // namespace
