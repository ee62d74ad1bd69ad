#include "engine/actions/WindowActions.h"

#include <gtest/gtest.h>

#include "engine/common/Errors.h"
#include "tests/join/JoinFixture.h"

namespace spl::testing {
namespace {

class WindowActionsTest : public JoinTest {
 protected:
  void SetUp() override {
    JoinTest::SetUp();
    a = tsxhost::AddPolyhedron("A", MakeBox({0, 0, 0}, {1, 1, 1}));
    b = tsxhost::AddPolyhedron("B", MakeBox({1, 0, 0}, {2, 1, 1}));
  }
  bool Pick(Slot slot, tsxSOBJ obj) {
    tsxhost::SetSelection(obj);
    return PickObject(&view, slot);
  }
  tsxSOBJ a = 0;
  tsxSOBJ b = 0;
};

TEST_F(WindowActionsTest, FreshWindowDefaults) {
  EXPECT_EQ(JoinState.Accuracy, 0.01);
  EXPECT_EQ(JoinState.FirstObject, 0u);
  EXPECT_EQ(JoinState.SecondObject, 0u);
  EXPECT_EQ(JoinState.StepsToGo, 0);
  EXPECT_EQ(JoinState.HostVersion, 600);
  EXPECT_TRUE(JoinState.HoleMergeEnabled);
}

TEST_F(WindowActionsTest, HostBelowVersion320MergesNoHoles) {
  for (int16_t version : {319, 320}) {
    tsxhost::SetVersion(version, 0);
    InitJoinStateForWindow();
    EXPECT_EQ(JoinState.HoleMergeEnabled, version >= 320) << version;
  }
}

TEST_F(WindowActionsTest, EmptySelectionGivesMessageOneOrTwo) {
  EXPECT_FALSE(Pick(Slot::First, 0));
  EXPECT_FALSE(Pick(Slot::Second, 0));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"SPL : 01 - 1st object is not selected.",
                                                      "SPL : 02 - 2nd object is not selected."}));
}

// A light, and a polyhedron of two faces.
TEST_F(WindowActionsTest, UnsuitableObjectsGiveMessageThree) {
  tsxhost::Mesh twoFaces = MakeBox({0, 0, 0}, {1, 1, 1});
  twoFaces.faces.resize(2);
  for (tsxSOBJ obj : {tsxhost::AddObject("Lamp", e_tsxLIGHT), tsxhost::AddPolyhedron("Two", twoFaces)}) {
    view.messages.clear();
    EXPECT_FALSE(Pick(Slot::First, obj));
    EXPECT_EQ(JoinState.FirstObject, 0u);
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"SPL : 03 - 1st object is not suitable for SPLICER."});
  }
}

TEST_F(WindowActionsTest, SameObjectTwiceEmptiesTheSlotJustPicked) {
  EXPECT_TRUE(Pick(Slot::First, a));
  EXPECT_FALSE(Pick(Slot::Second, a));
  EXPECT_EQ(JoinState.FirstObject, a);
  EXPECT_EQ(JoinState.SecondObject, 0u);
  EXPECT_TRUE(Pick(Slot::Second, b));
  EXPECT_FALSE(Pick(Slot::First, b));
  EXPECT_EQ(JoinState.FirstObject, 0u);
  EXPECT_EQ(JoinState.SecondObject, b);
  EXPECT_EQ(CountMessages("SPL : 05 - 1st and 2nd objects can not be the same."), 2);
}

TEST_F(WindowActionsTest, CancelEmptiesOnlyItsSlotSilently) {
  Pick(Slot::First, a);
  Pick(Slot::Second, b);
  JoinState.LastError = -4;
  CancelObject(Slot::First);
  EXPECT_EQ(JoinState.FirstObject, 0u);
  EXPECT_EQ(JoinState.SecondObject, b);
  EXPECT_EQ(JoinState.LastError, -4);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(WindowActionsTest, JoinWithBothSlotsEmptyShowsOneThenTwo) {
  const SlotLamps lamps = JoinPickedObjects(progress);
  EXPECT_FALSE(lamps.first || lamps.second);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"SPL : 01 - 1st object is not selected.",
                                                      "SPL : 02 - 2nd object is not selected."}));
  EXPECT_TRUE(view.pumps.empty());
}

TEST_F(WindowActionsTest, JoinAfterFirstObjectWasDeletedShowsSevenAndKeepsSecond) {
  Pick(Slot::First, a);
  Pick(Slot::Second, b);
  tsxSobjDelete(a);
  const SlotLamps lamps = JoinPickedObjects(progress);
  EXPECT_FALSE(lamps.first);
  EXPECT_TRUE(lamps.second);
  EXPECT_EQ(JoinState.SecondObject, b);
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{"SPL : 07 - Object selected as 1st object no longer exists."});
  EXPECT_TRUE(view.pumps.empty());
}

TEST_F(WindowActionsTest, AfterAnyJoinBothSlotsAreEmptyAndTheDisplayIsReset) {
  Pick(Slot::First, a);
  Pick(Slot::Second, b);
  const SlotLamps lamps = JoinPickedObjects(progress);
  EXPECT_FALSE(lamps.first || lamps.second);
  EXPECT_EQ(JoinState.StepsToGo, 0);
  EXPECT_EQ(view.stepsText, "0");
  EXPECT_EQ(view.statusText, "");
  EXPECT_FALSE(view.abortEnabled);
  EXPECT_FALSE(JoinState.AbortRequested);
}

// The window's handlers run inside the join's progress calls; there they
// must neither change the picks nor start a second join.
TEST_F(WindowActionsTest, PicksCancelsAndJoinsDuringAJoinAreIgnored) {
  Pick(Slot::First, a);
  Pick(Slot::Second, b);
  std::size_t nested = 0;
  view.onPump = [&](std::size_t pump) {
    if (pump != 3) return;
    EXPECT_TRUE(JoinInProgress());
    tsxhost::SetSelection(b);
    PickObject(&view, Slot::First);
    CancelObject(Slot::Second);
    const std::size_t before = view.pumps.size();
    JoinPickedObjects(progress);
    nested = view.pumps.size() - before;
    EXPECT_EQ(JoinState.FirstObject, a);
    EXPECT_EQ(JoinState.SecondObject, b);
  };
  JoinPickedObjects(progress);
  view.onPump = nullptr;
  EXPECT_EQ(nested, 0u);
  EXPECT_FALSE(JoinInProgress());
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_TRUE(view.messages.empty());
}

// Each join reports to the progress it is given and counts from its own
// estimate: nothing of one join shows on another's view or in its tally.
// The pairs differ in size, so that counts taken from the wrong join show.
TEST_F(WindowActionsTest, TwoJoinsKeepTheirViewsAndTalliesApart) {
  const tsxSOBJ c = tsxhost::AddPolyhedron("C", MakeBox({5, 0, 0}, {7, 3, 1}, "c", true));
  const tsxSOBJ d = tsxhost::AddPolyhedron("D", MakeBox({7, 0, 0}, {8, 3, 1}));
  view.showInfo = true;
  Pick(Slot::First, a);
  Pick(Slot::Second, b);
  JoinPickedObjects(progress);
  ASSERT_EQ(JoinState.LastError, 0);
  const std::size_t pumps = view.pumps.size();
  const StepTally first = progress.tally;
  ASSERT_GT(pumps, 0u);
  EXPECT_EQ(first.estimate, EstimateSteps64(8, 8, 6, 6, 0, 0));
  EXPECT_EQ(view.tallies.back().taken, first.taken);

  // The second join, with no view: it shows nothing, here or anywhere, and
  // its tally starts from its own estimate, not from the first join's.
  JoinProgress quiet;
  Pick(Slot::First, c);
  Pick(Slot::Second, d);
  JoinPickedObjects(quiet);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(view.pumps.size(), pumps);
  EXPECT_EQ(quiet.tally.estimate, EstimateSteps64(8, 8, 6, 6, 24, 0));
  EXPECT_EQ(progress.tally.taken, first.taken);
  EXPECT_EQ(progress.tally.estimate, first.estimate);
  // As much as the same join counts when it is the only one.
  RecordingView alone;
  JoinProgress fresh{&alone, {}};
  Pick(Slot::First, c);
  Pick(Slot::Second, d);
  JoinPickedObjects(fresh);
  EXPECT_EQ(quiet.tally.taken, fresh.tally.taken);
  EXPECT_EQ(quiet.tally.skipped, fresh.tally.skipped);
  EXPECT_EQ(view.pumps.size(), pumps);

  // A failing join without a view says nothing on the first join's view;
  // the failure is in the record all the same.
  const std::size_t messages = view.messages.size();
  JoinProgress failing;
  Pick(Slot::First, c);
  Pick(Slot::Second, a);  // apart: no junction
  JoinPickedObjects(failing);
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
  EXPECT_EQ(view.messages.size(), messages);
  EXPECT_EQ(view.pumps.size(), pumps);
  EXPECT_EQ(failing.tally.estimate, EstimateSteps64(8, 8, 6, 6, 24, 0));
}

}  // namespace
}  // namespace spl::testing
