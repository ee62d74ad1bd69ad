#include "engine/actions/WindowActions.h"

#include <utility>

#include "engine/common/Errors.h"
#include "engine/common/JoinInputs.h"
#include "engine/common/JoinView.h"
#include "engine/common/Progress.h"
#include "engine/face/RunJoin.h"
#include "engine/seam/SeamJoin.h"
#include "interface/tsxapi.h"

namespace spl {
namespace {

constexpr int16_t kHoleMergeVersion = 320;

// JoinRunning is set while a join runs: the window's handlers run inside
// its progress calls, and none of them may change the picks or start a
// second join.
struct JoiningScope {
  explicit JoiningScope(const std::function<void(bool)>& tell) : tell_(tell) {
    JoinState.JoinRunning = true;
    if (tell_) tell_(true);
  }
  ~JoiningScope() {
    JoinState.JoinRunning = false;
    if (tell_) tell_(false);
  }
  JoiningScope(const JoiningScope&) = delete;
  JoiningScope& operator=(const JoiningScope&) = delete;

 private:
  const std::function<void(bool)>& tell_;
};

HostObject& Held(Slot slot) {
  return slot == Slot::First ? JoinState.FirstObject : JoinState.SecondObject;
}

Slot Other(Slot slot) { return slot == Slot::First ? Slot::Second : Slot::First; }

SlotLamps Lamps() { return {JoinState.FirstObject != 0, JoinState.SecondObject != 0}; }

}  // namespace

bool JoinInProgress() { return JoinState.JoinRunning; }

bool RunAsJoin(const std::function<void()>& run) {
  if (JoinState.JoinRunning) return false;
  const std::function<void(bool)> nobody;  // the scope keeps a reference
  JoiningScope scope(nobody);
  run();
  return true;
}

bool PickObject(JoinView* view, Slot slot) {
  HostObject& mine = Held(slot);
  if (JoinState.JoinRunning) return mine != 0;
  const HostObject other = Held(Other(slot));
  JoinState.LastError = 0;
  mine = tsxGetCurrentSelection();
  CheckObjectSuitable(view, mine, slot);
  if (JoinFailed()) {
    mine = 0;
    return false;
  }
  if (mine != 0 && other != 0 && mine == other) {
    ReportError(view, kSameObjects);
    mine = 0;
    return false;
  }
  return true;
}

void CancelObject(Slot slot) {
  if (JoinState.JoinRunning) return;
  Held(slot) = 0;
}

namespace {

// The join button's checks, the join `run` and the reset afterwards.
// `run` is RunJoin or RunSeamJoin; what it made goes to `made` when set.
template <typename Made>
SlotLamps JoinPicked(Made (*run)(const JoinInputs&, const JoinHooks&, JoinProgress&), JoinProgress& progress,
                     const JoinHooks& hooks, Made* made, const std::function<void(bool)>& joining) {
  if (JoinState.JoinRunning) return Lamps();
  JoinView* const view = progress.view;
  JoinState.LastError = 0;
  if (JoinState.FirstObject == 0) ReportError(view, kFirstNotSelected);
  if (JoinState.SecondObject == 0) ReportError(view, kSecondNotSelected);
  if (JoinFailed()) return Lamps();

  const bool firstExists = tsxPolyhGetVxArray(JoinState.FirstObject) != nullptr;
  const bool secondExists = tsxPolyhGetVxArray(JoinState.SecondObject) != nullptr;
  if (!firstExists) {
    ReportError(view, kFirstGone);
    JoinState.FirstObject = 0;
  }
  if (!secondExists) {
    ReportError(view, kSecondGone);
    JoinState.SecondObject = 0;
  }
  if (JoinFailed()) return Lamps();

  {
    JoiningScope scope(joining);
    // Where the join starts: its picks and accuracy are taken once, here.
    Made done = run(JoinInputsOf(JoinState), hooks, progress);
    if (made) *made = std::move(done);
  }
  JoinState.FirstObject = 0;
  JoinState.SecondObject = 0;
  ResetProgressDisplay(view);
  return Lamps();
}

}  // namespace

SlotLamps JoinPickedObjects(JoinProgress& progress, const std::function<void(bool joining)>& joining,
                            const JoinHooks& hooks, JoinMade* made) {
  return JoinPicked(RunJoin, progress, hooks, made, joining);
}

SlotLamps SeamJoinPickedObjects(JoinProgress& progress, const std::function<void(bool joining)>& joining,
                                const JoinHooks& hooks, SeamJoinMade* made) {
  return JoinPicked(RunSeamJoin, progress, hooks, made, joining);
}

void ResetProgressDisplay(JoinView* view) {
  JoinState.StepsToGo = 0;
  if (view) {
    view->SetStepsText("0");
    view->SetStatusText("");
    view->SetAbortEnabled(false);
  }
  JoinState.AbortRequested = false;
}

void InitJoinStateForWindow() {
  JoinState.FirstObject = 0;
  JoinState.SecondObject = 0;
  JoinState.LastError = 0;
  JoinState.Accuracy = kDefaultAccuracy;
  JoinState.StepsToGo = 0;
  JoinState.AbortRequested = false;
  JoinState.HoleMergeEnabled = true;
  JoinState.HostVersion = 0;
  JoinState.HostSubVersion = 0;
  tsxGetTsVersionNbrs(&JoinState.HostVersion, &JoinState.HostSubVersion);
  if (JoinState.HostVersion < kHoleMergeVersion) JoinState.HoleMergeEnabled = false;
}

}  // namespace spl
