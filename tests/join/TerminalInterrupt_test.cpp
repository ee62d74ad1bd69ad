// splicer's Ctrl-C: the Abort button of a join run from the command line,
// whether or not stderr is a terminal that shows the progress bar.
#include <gtest/gtest.h>

#include <csignal>

#include "apps/splicer/TerminalView.h"
#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "tests/join/JoinFixture.h"

namespace {

// The user presses Ctrl-C while the join's first stage pumps events.
class InterruptedAtFirstPump : public splicer::TerminalView {
 public:
  using TerminalView::TerminalView;
  void PumpEvents(std::string_view stageText, const spl::StepTally& tally) override {
    if (!raised_) {
      raised_ = true;
      std::raise(SIGINT);
    }
    TerminalView::PumpEvents(stageText, tally);
  }

 private:
  bool raised_ = false;
};

class TerminalInterrupt : public ::testing::TestWithParam<bool> {};

TEST_P(TerminalInterrupt, CtrlCAbortsTheJoinWithMessageElevenAndAddsNothing) {
  tsxhost::ResetScene();
  spl::ResetJoinState();
  spl::InitJoinStateForWindow();
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", spl::testing::MakeBox({0, 0, 0}, {1, 1, 1}));
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", spl::testing::MakeBox({1, 0, 0}, {2, 1, 1}));
  tsxhost::SetSelection(a);
  ASSERT_TRUE(spl::PickObject(nullptr, spl::Slot::First));
  tsxhost::SetSelection(b);
  ASSERT_TRUE(spl::PickObject(nullptr, spl::Slot::Second));

  InterruptedAtFirstPump view(/*progressBar=*/GetParam());
  spl::JoinProgress progress{&view, {}};
  {
    splicer::InterruptAsAbort interrupt;
    spl::JoinPickedObjects(progress);
  }
  EXPECT_EQ(spl::JoinState.LastError, spl::kAborted);
  EXPECT_EQ(tsxhost::SceneObjects().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(StderrIsATerminalOrNot, TerminalInterrupt, ::testing::Bool());

}  // namespace
