// A join asked for while another runs (from a window's events, pumped during
// the first join's progress) is refused without touching the running join.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "engine/actions/WindowActions.h"
#include "engine/common/JoinState.h"
#include "engine/common/JoinView.h"
#include "host/scene/Scene.h"
#include "session/AssemblyJoin.h"
#include "session/JoinSession.h"
#include "tests/join/JoinFixture.h"

namespace {

// A silent view that runs `nested` once, at the first pump.
class NestingView : public spl::JoinView {
 public:
  explicit NestingView(std::function<void()> nested) : nested_(std::move(nested)) {}
  void ShowMessage(spl::BoxType, std::string_view, std::string_view) override { ++messages; }
  void ShowConversionError(std::string_view) override { ++messages; }
  bool ShowInfo() const override { return false; }
  void SetStepsText(std::string_view) override {}
  void SetStatusText(std::string_view) override {}
  void SetAbortEnabled(bool) override {}
  void PumpEvents(std::string_view, const spl::StepTally&) override {
    if (nested_) std::exchange(nested_, nullptr)();
  }
  int messages = 0;

 private:
  std::function<void()> nested_;
};

// A fresh scene of two touching pairs: A and B share their whole face
// (corners match), C's face lies inside D's.
std::array<tsxSOBJ, 4> FourBoxes() {
  tsxhost::ResetScene();
  spl::ResetJoinState();
  return {tsxhost::AddPolyhedron("A", spl::testing::MakeBox({0, 0, 0}, {1, 1, 1})),
          tsxhost::AddPolyhedron("B", spl::testing::MakeBox({1, 0, 0}, {3, 1, 1})),
          tsxhost::AddPolyhedron("C", spl::testing::MakeBox({5, 0, 0}, {6, 1, 1})),
          tsxhost::AddPolyhedron("D", spl::testing::MakeBox({6, 0, 0}, {7, 2, 1}))};
}

// The outer join: the plain, the seam or the contact join.
class NestedJoin : public ::testing::TestWithParam<int> {};

TEST_P(NestedJoin, IsRefusedAndTheRunningJoinEndsAsIfAlone) {
  const auto [a, b, c, d] = FourBoxes();
  const splicer::JoinChoice choice{0.01, GetParam() == 1, GetParam() == 2};

  bool nestedRan = false;
  NestingView view([&] {
    nestedRan = true;
    const spl::TJoinState before = spl::JoinState;
    splicer::StageClock clock;
    const splicer::JoinOutcome inner = splicer::PickAndJoin(c, d, {0.5, false, true}, clock);
    EXPECT_EQ(inner.result, 0);
    EXPECT_EQ(inner.error, splicer::ErrorKind::Join);
    const splicer::AssemblyOutcome assembly = splicer::JoinAssembly({c, d}, 0.5);
    EXPECT_FALSE(assembly.Joined());
    EXPECT_EQ(assembly.what, "another join is still running");
    // The running join's record is as it was.
    EXPECT_EQ(spl::JoinState.FirstObject, before.FirstObject);
    EXPECT_EQ(spl::JoinState.SecondObject, before.SecondObject);
    EXPECT_EQ(spl::JoinState.Accuracy, before.Accuracy);
    EXPECT_EQ(spl::JoinState.LastError, before.LastError);
    EXPECT_EQ(spl::JoinState.StepsToGo, before.StepsToGo);
    EXPECT_EQ(tsxhost::SceneObjects().size(), 4u);
  });
  splicer::StageClock clock;
  const splicer::JoinOutcome outer = splicer::PickAndJoin(a, b, choice, clock, &view);
  EXPECT_TRUE(nestedRan);
  ASSERT_NE(outer.result, 0);
  EXPECT_EQ(outer.error, splicer::ErrorKind::None);
  EXPECT_EQ(view.messages, 0);
  EXPECT_EQ(tsxhost::SceneObjects().size(), 5u);
  EXPECT_FALSE(spl::JoinInProgress());

  // Once it has ended, the same request joins.
  splicer::StageClock after;
  EXPECT_NE(splicer::PickAndJoin(c, d, {0.01, false, true}, after).result, 0);
}

INSTANTIATE_TEST_SUITE_P(PlainSeamContact, NestedJoin, ::testing::Values(0, 1, 2));

// The assembly join holds the same guard while it runs.
TEST(NestedJoin, InsideAnAssemblyJoinIsRefused) {
  const auto [a, b, c, d] = FourBoxes();
  bool nestedRan = false;
  NestingView view([&] {
    nestedRan = true;
    splicer::StageClock clock;
    EXPECT_EQ(splicer::PickAndJoin(c, d, {0.01, false, true}, clock).result, 0);
  });
  const splicer::AssemblyOutcome outer = splicer::JoinAssembly({a, b}, 0.01, &view);
  EXPECT_TRUE(nestedRan);
  EXPECT_TRUE(outer.Joined()) << outer.what;
  EXPECT_EQ(outer.Results().size(), 1u);
}

}  // namespace
