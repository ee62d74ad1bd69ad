// The seam join stopped part way, by the user or by an exhausted allocator:
// one message, nothing added to the scene, nothing leaked, sources intact.
#include <gtest/gtest.h>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "engine/seam/SeamJoin.h"
#include "host/scene/HostTesting.h"
#include "tests/join/JoinFixture.h"
#include "tests/seam/SeamScenes.h"
#include "tests/support/FailingNew.h"

namespace spl::testing {
namespace {

const char* const kAbortText = "SPL : 11 - SPLICER-BOT operation aborted by user.";

class SeamFaultTest : public JoinTest {
 protected:
  void SetUp() override {
    JoinTest::SetUp();
    meshA = OctagonPrism(0, 1, Cap::Ngon, Cap::FanFrom0, "a");
    meshB = OctagonPrism(1, 2, Cap::Strip, Cap::Ngon, "b");
    a = tsxhost::AddPolyhedron("A", meshA);
    b = tsxhost::AddPolyhedron("B", meshB);
  }
  // Runs one seam join; the number of objects it added.
  std::size_t RunOnce() {
    view.messages.clear();
    view.pumps.clear();
    scene = tsxhost::SceneObjects();
    live = tsxhost::LiveObjects().size();
    outstanding = tsxhost::testing::OutstandingAllocations();
    tsxhost::SetSelection(a);
    PickObject(&view, Slot::First);
    tsxhost::SetSelection(b);
    PickObject(&view, Slot::Second);
    made = {};
    SeamJoinPickedObjects(progress, {}, {}, &made);
    return NewSceneObjects(scene).size();
  }
  void ExpectNothingLeft() {
    EXPECT_TRUE(NewSceneObjects(scene).empty());
    EXPECT_EQ(tsxhost::LiveObjects().size(), live);
    EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding);
    EXPECT_TRUE(made.seam.droppedFacesA.empty());
  }
  void ExpectSourcesIntact() {
    tsxhost::Mesh now;
    ASSERT_TRUE(tsxhost::ReadMesh(a, &now));
    EXPECT_TRUE(SameMesh(now, meshA));
    ASSERT_TRUE(tsxhost::ReadMesh(b, &now));
    EXPECT_TRUE(SameMesh(now, meshB));
  }

  tsxhost::Mesh meshA, meshB;
  tsxSOBJ a = 0, b = 0;
  std::vector<tsxSOBJ> scene;
  SeamJoinMade made;  // of the last join
  std::size_t live = 0;
  long outstanding = 0;
};

// Abort clicked during each progress call in turn. Up to the material
// transfer's end the join stops with message 11 once and leaves nothing;
// an abort seen only by "Finishing..." still completes the join, as the
// plain join's does.
TEST_F(SeamFaultTest, AbortAtEveryProgressCallShowsOneMessageAndLeavesNothing) {
  ASSERT_EQ(RunOnce(), 1u);
  const std::size_t calls = view.pumps.size();
  ASSERT_GT(calls, 10u);
  for (std::size_t k = 1; k < calls; ++k) {
    view.onPump = [k](std::size_t n) {
      if (n == k) JoinState.AbortRequested = true;
    };
    const std::size_t added = RunOnce();
    view.onPump = nullptr;
    ASSERT_EQ(MessageTexts(), std::vector<std::string>{kAbortText}) << "abort at call " << k;
    if (k + 1 == calls) {
      EXPECT_EQ(added, 1u);  // seen by "Finishing..."
      continue;
    }
    EXPECT_EQ(added, 0u) << "abort at call " << k;
    ExpectNothingLeft();
    ExpectSourcesIntact();
  }
}

// Every allocation from the host's allocator fails in turn until the join
// gets through: each failure shows one message and leaves nothing.
TEST_F(SeamFaultTest, AllocationFailureAtEachStepShowsOneMessageAndLeavesNothing) {
  int failures = 0;
  for (int n = 1; n < 200; ++n) {
    tsxhost::testing::FailNthAllocation(n);
    const std::size_t added = RunOnce();
    tsxhost::testing::FailNthAllocation(0);
    if (added == 1) {
      EXPECT_TRUE(view.messages.empty());
      break;
    }
    ++failures;
    ASSERT_EQ(view.messages.size(), 1u) << "allocation " << n;
    EXPECT_NE(JoinState.LastError, 0);
    ExpectNothingLeft();
    ExpectSourcesIntact();
  }
  EXPECT_GE(failures, 5);
  EXPECT_EQ(CountMessages("SPL : 13 - No memory available."), 0);  // the last run succeeded
}

// Every operator new of the join failing in turn (the engine's working
// lists, the host's copy of the first object, and the view's records of
// the progress calls): one message each time, nothing added, and no block
// left behind. A failure inside the copy comes back as a copy the host
// could not make (message 10, one unbroken run of steps); any other is
// message 13. Each failure is run
// twice and only the second run is counted, so that containers that keep
// their grown capacity (the host's tables, the view's strings) do not count
// as lost blocks; a real leak loses blocks on every run.
TEST_F(SeamFaultTest, FailingNewAtEachStepShowsOneMessageAndLeavesNothing) {
  const auto failAt = [this](int n) {
    view.messages.clear();
    scene = tsxhost::SceneObjects();
    tsxhost::SetSelection(a);
    PickObject(&view, Slot::First);
    tsxhost::SetSelection(b);
    PickObject(&view, Slot::Second);
    {
      NewFailure failure(n);
      SeamJoinPickedObjects(progress);
    }
    std::vector<std::string>().swap(view.pumps);
    std::vector<std::string>().swap(view.statusHistory);
    return JoinState.LastError != 0;
  };
  const std::vector<std::string> noMemory{"SPL : 13 - No memory available."};
  const std::vector<std::string> noCopy{"SPL : 10 - Can not make 3rd object."};
  int failures = 0;
  int firstNoCopy = 0, lastNoCopy = 0;
  for (int n = 1; n < 5000; ++n) {
    if (!failAt(n)) break;
    std::vector<ShownMessage>().swap(view.messages);
    outstanding = tsxhost::testing::OutstandingAllocations();
    const int64_t blocks = LiveNewBlocks();
    ASSERT_TRUE(failAt(n));
    ++failures;
    if (MessageTexts() == noCopy) {
      EXPECT_TRUE(firstNoCopy == 0 || lastNoCopy == n - 1) << "new " << n;
      if (firstNoCopy == 0) firstNoCopy = n;
      lastNoCopy = n;
    } else {
      ASSERT_EQ(MessageTexts(), noMemory) << "new " << n;
    }
    EXPECT_TRUE(NewSceneObjects(scene).empty()) << n;
    EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding) << n;
    std::vector<ShownMessage>().swap(view.messages);
    ASSERT_EQ(LiveNewBlocks(), blocks) << "new " << n;
  }
  EXPECT_GE(failures, 20);
  EXPECT_GT(firstNoCopy, 1);  // the engine's own lists come first
  EXPECT_LT(lastNoCopy, failures);
  EXPECT_EQ(NewSceneObjects(scene).size(), 1u);
}

// A host that cannot copy the first object: message 10 and nothing added.
TEST_F(SeamFaultTest, FailedCopyShowsMessageTenAndAddsNothing) {
  tsxhost::testing::FailNextObjectCopy();
  EXPECT_EQ(RunOnce(), 0u);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"SPL : 10 - Can not make 3rd object."});
  ExpectNothingLeft();
}

// A face copy refused by the host in the merge: its code's message once.
TEST_F(SeamFaultTest, RefusedFaceCopyShowsTheHostsMessageAndLeavesNothing) {
  tsxhost::testing::FailNthFaceCopy(15, e_tsxBAD_INPUT);
  EXPECT_EQ(RunOnce(), 0u);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"tSX : Bad input data."});
  ExpectNothingLeft();
  ExpectSourcesIntact();
}

}  // namespace
}  // namespace spl::testing
