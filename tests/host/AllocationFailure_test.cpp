// The host's blocks when its own bookkeeping cannot get memory: nothing is
// lost, nothing is thrown across the interface, and the failure is a
// status the caller can see.
#include <gtest/gtest.h>

#include <new>

#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"
#include "tests/support/FailingNew.h"

namespace {

using spl::testing::ForEachFailingNew;
using spl::testing::LiveNewBlocks;
using tsxhost::testing::OutstandingAllocations;

TEST(AllocationFailure, MallocWhoseBookkeepingFailsHandsOutNothing) {
  tsxhost::ResetScene();
  const long outstanding = OutstandingAllocations();
  const int64_t live = LiveNewBlocks();
  ForEachFailingNew(
      [] {
        void* block = tsxMalloc(64);
        if (!block) return true;
        tsxFree(block);
        return false;
      },
      [&](int n) {
        EXPECT_EQ(OutstandingAllocations(), outstanding) << n;
        EXPECT_EQ(LiveNewBlocks(), live) << n;
      });
}

TEST(AllocationFailure, FaceCopyThatCannotBeMadeOrListedReportsNoMemory) {
  tsxhost::ResetScene();
  tsxhost::Mesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.2f, 0.2f, 0}, {0.4f, 0.2f, 0}, {0.2f, 0.4f, 0}};
  mesh.faces.push_back({{{0, -1}, {1, -1}, {2, -1}}, {{{3, -1}, {4, -1}, {5, -1}}}, 0});
  const tsxSOBJ obj = tsxhost::AddPolyhedron("holed", mesh);
  const CtsxFace* src = tsxPolyhGetFaceptrArray(obj)[0];
  const long outstanding = OutstandingAllocations();
  const int64_t live = LiveNewBlocks();
  CtsxFace* copy = nullptr;
  const int allocations = ForEachFailingNew(
      [&] {
        const int32_t status = tsxFaceCopy(&copy, src);
        if (status != e_tsxOK) {
          EXPECT_EQ(status, e_tsxNO_MEMORY);
          return true;
        }
        tsxFree(copy);
        copy = nullptr;
        return false;
      },
      [&](int n) {
        EXPECT_EQ(copy, nullptr) << n;
        EXPECT_EQ(OutstandingAllocations(), outstanding) << n;
        EXPECT_EQ(LiveNewBlocks(), live) << n;
      });
  EXPECT_GE(allocations, 1);  // at least the list of hole sizes
}

// A copy that cannot get the memory for its name, arrays or bookkeeping:
// no handle, no object anywhere, and the source (which already lends its
// records to an earlier copy) can still be changed and freed cleanly.
TEST(AllocationFailure, ObjectCopyThatCannotBeMadeLeavesNoHandleAndNoObject) {
  tsxhost::ResetScene();
  const long hostBlocks = tsxhost::testing::LiveHostBlocks();
  tsxhost::Mesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  mesh.uvs = {{0, 0}, {1, 1}};
  mesh.faces.push_back({{{0, 0}, {1, 1}, {2, 0}}, {}, 0});
  mesh.faces.push_back({{{1, 1}, {3, 0}, {2, 1}}, {}, 0});
  const tsxSOBJ src = tsxhost::AddPolyhedron("src", mesh);
  tsxGNODE earlier = 0;
  ASSERT_EQ(tsxGNodeCopy(src, &earlier), e_tsxOK);
  const std::vector<tsxSOBJ> live = tsxhost::LiveObjects();
  const std::vector<tsxSOBJ> scene = tsxhost::SceneObjects();
  const long outstanding = OutstandingAllocations();
  const int64_t blocks = LiveNewBlocks();
  tsxGNODE copy = 0;
  const int allocations = ForEachFailingNew(
      [&] {
        const int32_t status = tsxGNodeCopy(src, &copy);
        if (status != e_tsxOK) {
          EXPECT_EQ(status, e_tsxNO_MEMORY);
          return true;
        }
        tsxSobjDelete(copy);
        copy = 0;
        return false;
      },
      [&](int n) {
        EXPECT_EQ(copy, 0) << n;
        EXPECT_EQ(tsxhost::LiveObjects(), live) << n;
        EXPECT_EQ(tsxhost::SceneObjects(), scene) << n;
        EXPECT_EQ(OutstandingAllocations(), outstanding) << n;
        EXPECT_EQ(LiveNewBlocks(), blocks) << n;
      });
  EXPECT_GE(allocations, 3);  // the object, its name, its polyhedron, ...
  // Whatever failed left the source's lending as it was: the lender goes
  // first, the earlier copy keeps the records, then it goes too.
  tsxSobjDelete(src);
  tsxhost::Mesh kept;
  ASSERT_TRUE(tsxhost::ReadMesh(earlier, &kept));
  EXPECT_EQ(kept.faces.size(), 2u);
  EXPECT_EQ(kept.faces[1].corners[1].vertex, 3);
  tsxSobjDelete(earlier);
  EXPECT_EQ(tsxhost::testing::LiveHostBlocks(), hostBlocks);
}

}  // namespace
