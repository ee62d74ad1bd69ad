// What the main tool window's pick, cancel and join buttons do to the join
// state, without the window: the window, the command-line tool and the
// tests share them. Messages go through ReportError to the view each
// action is given.
#pragma once

#include <functional>

#include "engine/common/JoinState.h"
#include "engine/face/RunJoin.h"
#include "engine/seam/SeamJoin.h"

namespace spl {

// Which slots hold an object after an action (true: lamp lime).
struct SlotLamps {
  bool first = false;
  bool second = false;
};

// "Get 1st Object" / "Get 2nd Object": takes the host's current selection
// into the slot, checks it and refuses the object held in the other slot,
// saying why on `view`. Returns whether the slot now holds an object.
bool PickObject(JoinView* view, Slot slot);

// A slot's "Cancel": empties it. No message.
void CancelObject(Slot slot);

// The join button: checks both slots and that both objects still exist,
// runs the join, and afterwards empties both slots and resets the progress
// display. Returns the slots' state afterwards. The checks, the join and
// the reset report to `progress` (its view; the join counts on its tally).
// `joining`, when set, is called with true just before the join itself
// runs and with false once it has returned (also when it throws); the
// checks' messages come outside. `hooks` go to the join; what it made goes
// to `made` when set.
SlotLamps JoinPickedObjects(JoinProgress& progress, const std::function<void(bool joining)>& joining = {},
                            const JoinHooks& hooks = {}, JoinMade* made = nullptr);

// The same with a seam join (RunSeamJoin) in place of the plain join.
SlotLamps SeamJoinPickedObjects(JoinProgress& progress, const std::function<void(bool joining)>& joining = {},
                                const JoinHooks& hooks = {}, SeamJoinMade* made = nullptr);

// The progress display of an idle window: StepsToGo 0, "0", empty status,
// Abort disabled (on `view`), AbortRequested false.
void ResetProgressDisplay(JoinView* view);

// The defaults of a fresh window's join state (creation): picks empty,
// LastError 0, Accuracy 0.01, StepsToGo 0, host version read and
// HoleMergeEnabled set from it.
void InitJoinStateForWindow();

// True while JoinPickedObjects runs a join (JoinState.JoinRunning). The
// window's handlers run inside the join's progress calls; meanwhile picks,
// cancels and a second join are ignored, and the window should keep the
// accuracy unchanged.
bool JoinInProgress();

// Runs `run` (a join outside the window's buttons, the contact join say)
// with JoinInProgress() true meanwhile; false, without running it, while
// another join runs.
bool RunAsJoin(const std::function<void()>& run);

}  // namespace spl
