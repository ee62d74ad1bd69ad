// The host's memory: face records carved from shared chunks, big blocks
// reused, and the contracts callers see unchanged (outstanding blocks,
// copies freed with tsxFree, deleted objects' memory released).
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/obj/ObjFile.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace {

// A strip of `n` quads, face i with material i % 3 and a hole in every
// seventh face.
tsxhost::Mesh Strip(int n) {
  tsxhost::Mesh m;
  for (int i = 0; i <= n; ++i) {
    m.vertices.push_back({static_cast<float>(i), 0, 0});
    m.vertices.push_back({static_cast<float>(i), 1, 0});
  }
  for (int i = 0; i < n; ++i) {
    tsxhost::Face f{{{2 * i, i}, {2 * i + 2, -1}, {2 * i + 3, -1}, {2 * i + 1, -1}}, {}, i % 3};
    if (i % 7 == 0) f.holes = {{{2 * i, -1}, {2 * i + 3, -1}, {2 * i + 1, -1}}};
    m.faces.push_back(f);
  }
  m.materials.resize(3);
  return m;
}

bool SameFaces(const tsxhost::Mesh& a, const tsxhost::Mesh& b) {
  if (a.faces.size() != b.faces.size()) return false;
  for (size_t f = 0; f < a.faces.size(); ++f) {
    const tsxhost::Face &x = a.faces[f], &y = b.faces[f];
    if (x.material != y.material || x.corners.size() != y.corners.size() || x.holes.size() != y.holes.size()) {
      return false;
    }
    for (size_t c = 0; c < x.corners.size(); ++c) {
      if (x.corners[c].vertex != y.corners[c].vertex || x.corners[c].uv != y.corners[c].uv) return false;
    }
    for (size_t h = 0; h < x.holes.size(); ++h) {
      if (x.holes[h].size() != y.holes[h].size()) return false;
    }
  }
  return true;
}

class MemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { tsxhost::ResetScene(); }
  void TearDown() override { tsxhost::ResetScene(); }
};

TEST_F(MemoryTest, ManyFaceCopiesTakeAFewBlocksAndAllGoBack) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", Strip(1000));
  CtsxFace** faces = tsxPolyhGetFaceptrArray(a);
  const long blocks = tsxhost::testing::LiveHostBlocks();
  const long outstanding = tsxhost::testing::OutstandingAllocations();
  std::vector<CtsxFace*> copies(20'000);
  for (size_t i = 0; i < copies.size(); ++i) ASSERT_EQ(tsxFaceCopy(&copies[i], faces[i % 1000]), 0);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding + 20'000);
  EXPECT_LT(tsxhost::testing::LiveHostBlocks(), blocks + 20);
  std::shuffle(copies.begin(), copies.end(), std::mt19937(3));
  for (CtsxFace* copy : copies) tsxFree(copy);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding);
  EXPECT_EQ(tsxhost::testing::LiveHostBlocks(), blocks);
}

// Copies handed over and copies freed share chunks: the handed-over ones
// stay whole while the others go, and go when their polyhedron does.
TEST_F(MemoryTest, HandedOverCopiesOutliveTheirFreedNeighbours) {
  const tsxhost::Mesh strip = Strip(500);
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", strip);
  const tsxSOBJ b = tsxhost::AddObject("B", e_tsxPOLYHEDRON);
  const long blocks = tsxhost::testing::LiveHostBlocks();
  const long outstanding = tsxhost::testing::OutstandingAllocations();
  auto** kept = static_cast<CtsxFace**>(tsxMalloc(500 * sizeof(CtsxFace*)));
  for (int i = 0; i < 500; ++i) {
    CtsxFace* spare = nullptr;
    ASSERT_EQ(tsxFaceCopy(&spare, tsxPolyhGetFaceptrArray(a)[i]), 0);
    ASSERT_EQ(tsxFaceCopy(&kept[i], tsxPolyhGetFaceptrArray(a)[i]), 0);
    std::memset(spare->corners, 0x5A, sizeof(CtsxCorner) * static_cast<size_t>(spare->nbrCorners));
    tsxFree(spare);
  }
  ASSERT_EQ(tsxPolyhSetFaces(b, 500, kept), 0);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding);
  tsxhost::Mesh read;
  ASSERT_TRUE(tsxhost::ReadMesh(b, &read));
  EXPECT_TRUE(SameFaces(read, strip));

  tsxSobjDelete(b);
  EXPECT_EQ(tsxPolyhGetFaceptrArray(b), nullptr);
  EXPECT_EQ(tsxhost::testing::LiveHostBlocks(), blocks);
}

TEST_F(MemoryTest, ACopiedObjectIsEqualAndDeletingItReleasesItsMemory) {
  const tsxhost::Mesh strip = Strip(3000);
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", strip);
  const long blocks = tsxhost::testing::LiveHostBlocks();
  tsxSOBJ copy = 0;
  ASSERT_EQ(tsxGNodeCopy(a, &copy), 0);
  // Vertices, UVs, face pointers and one chunk of face records.
  EXPECT_LE(tsxhost::testing::LiveHostBlocks(), blocks + 4);
  tsxhost::Mesh read;
  ASSERT_TRUE(tsxhost::ReadMesh(copy, &read));
  EXPECT_TRUE(SameFaces(read, strip));
  EXPECT_EQ(read.vertices.size(), strip.vertices.size());
  tsxSobjDelete(copy);
  EXPECT_EQ(tsxPolyhGetVxArray(copy), nullptr);
  EXPECT_EQ(tsxhost::testing::LiveHostBlocks(), blocks);
}

TEST_F(MemoryTest, BigBlocksAreUsableWhetherFreshOrReused) {
  const long outstanding = tsxhost::testing::OutstandingAllocations();
  for (const size_t size : {size_t{0}, size_t{3} << 20, size_t{5} << 20, size_t{3} << 20, size_t{1} << 20}) {
    auto* block = static_cast<unsigned char*>(tsxMalloc(size));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    if (size > 0) {
      block[0] = 1;
      block[size - 1] = 2;
    }
    EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding + 1);
    tsxFree(block);
  }
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding);
  tsxFree(nullptr);
}

// Resident bytes of this process, from /proc.
long ResidentBytes() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  long size = 0, resident = -1;
  if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = -1;
  std::fclose(f);
  return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

// A released big block stays with the host for the next one until the
// caller gives the spare memory back; the host works on after that.
TEST_F(MemoryTest, SpareMemoryGoesBackWhenAskedAndBigBlocksStillCome) {
  constexpr size_t kSize = size_t{64} << 20;
  auto* block = static_cast<unsigned char*>(tsxMalloc(kSize));
  ASSERT_NE(block, nullptr);
  std::memset(block, 1, kSize);
  tsxFree(block);
  const long kept = ResidentBytes();
  ASSERT_GT(kept, 0);
  tsxhost::ReleaseSpareMemory();
  EXPECT_LT(ResidentBytes(), kept - static_cast<long>(kSize / 2));
  block = static_cast<unsigned char*>(tsxMalloc(kSize));
  ASSERT_NE(block, nullptr);
  block[0] = 1;
  block[kSize - 1] = 2;
  tsxFree(block);
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", Strip(50));
  tsxSobjDelete(a);
  tsxhost::ReleaseSpareMemory();
  tsxhost::ReleaseSpareMemory();  // nothing left to give back: harmless
}

// The peak of resident memory since ResetPeak(), in bytes; -1 when the
// system does not tell.
long PeakBytes() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f)) {
    if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
  }
  std::fclose(f);
  return kb < 0 ? -1 : kb * 1024;
}

bool ResetPeak() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

// A file of many one-triangle objects, each with a name, a material and a
// group: reading it peaks at well under a kilobyte and a half an object
// (1.8 when the reader held every object's parse at once), and each
// object keeps its vertices, UVs and face pointers in blocks of their own
// while the faces of small objects share chunks.
TEST_F(MemoryTest, ManyTinyObjectsCostLittleEachWhileReadAndOnceRead) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator sizes blocks its own way";
#endif
  constexpr int kObjects = 20'000;
  std::string text;
  for (int i = 0; i < kObjects; ++i) {
    const std::string x = std::to_string(i % 100), y = std::to_string(i / 100);
    text += "o t" + std::to_string(i) + "\nv " + x + " " + y + " 0\nv " + x + ".5 " + y + " 0\nv " + x + " " + y +
            ".5 0\nusemtl m" + std::to_string(i % 7) + "\ng part\nf -3 -2 -1\n";
  }
  const long blocks = tsxhost::testing::LiveHostBlocks();
  ::malloc_trim(0);
  const long before = ResidentBytes();
  if (before < 0 || !ResetPeak() || PeakBytes() < 0) GTEST_SKIP() << "no peak of resident memory to read";
  const tsxhost::ObjResult read = tsxhost::LoadObjText(text, "tiny.obj", {});
  const long peak = PeakBytes();
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(read.objects.size(), static_cast<size_t>(kObjects));
  EXPECT_LT((peak - before) / kObjects, 1400);
  EXPECT_LE(tsxhost::testing::LiveHostBlocks() - blocks, 3 * kObjects + kObjects / 200);
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(read.objects.back(), &mesh));
  ASSERT_EQ(mesh.faces.size(), 1u);
  EXPECT_EQ(mesh.faces[0].group, "part");
  EXPECT_EQ(mesh.materials.at(static_cast<size_t>(mesh.faces[0].material)).name, "m" + std::to_string((kObjects - 1) % 7));
  EXPECT_EQ(mesh.vertices[1].x, 99.5f);
}

TEST_F(MemoryTest, TheNthAllocationStillFails) {
  tsxhost::testing::FailNthAllocation(2);
  void* first = tsxMalloc(8);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(tsxMalloc(4 << 20), nullptr);
  void* third = tsxMalloc(4 << 20);
  EXPECT_NE(third, nullptr);
  tsxFree(first);
  tsxFree(third);
}

}  // namespace
