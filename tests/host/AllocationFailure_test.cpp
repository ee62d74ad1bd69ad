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

}  // namespace
