// The progress protocol of a join: the steps-to-go estimate and the calls
// through which every stage reports, pumps events and sees an abort.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/common/JoinState.h"
#include "engine/common/JoinView.h"

namespace spl {

// Longest stage text kept; longer texts are cut.
inline constexpr std::size_t kMaxStageText = 255;

// Beside the window's 32-bit StepsToGo, which saturates on large objects
// and may then run below zero: the same estimate and the steps taken since,
// in 64 bits, for the views of our own tools that show real progress.
struct StepTally {
  int64_t estimate = 0;
  int64_t taken = 0;    // steps done
  int64_t skipped = 0;  // steps of the estimate found not to be needed
  // The work as now known: the estimate less what was skipped.
  int64_t Total() const { return estimate > skipped ? estimate - skipped : 0; }
  // Only goes down as steps are taken or skipped, and never below zero.
  int64_t Remaining() const { return Total() > taken ? Total() - taken : 0; }
  // Restarts the tally at `estimate` steps (negative counts as none).
  void Start(int64_t estimate);
  // A stage that finds the work left smaller than thought: the remaining
  // steps held to at most `remaining`, the difference skipped.
  void CapRemaining(int64_t remaining);
};

// A running join's own progress: the view it reports to and its tally.
// Whoever starts a join makes one and hands it to every stage, so that
// nothing of one join (where it reports, how far it came) shows in the next.
struct JoinProgress {
  JoinView* view = nullptr;  // null: nothing shown, no events pumped. Not owned
  StepTally tally;
};

// Takes `steps` off StepsToGo every `interval` calls, refreshes the labels
// while "Show Info" is ticked, and pumps events. With an abort requested it
// reports -1100 instead and does nothing else. False when the stage has to
// stop: LastError is nonzero after the call (the abort, or an error a
// handler reported while events were pumped).
[[nodiscard]] bool ReportProgress(JoinProgress& progress, int32_t steps, std::string_view text, int32_t interval);

// ReportProgress for counts past 32 bits: the window's count takes them
// saturated, the tally whole.
[[nodiscard]] bool ReportWideProgress(JoinProgress& progress, int64_t steps, std::string_view text,
                                      int32_t interval);

// Reports the steps of the estimate that a stage ending early leaves out
// (as ReportProgress with an interval of 1 for the window's count); the
// tally counts them as skipped, not done.
[[nodiscard]] bool ReportSkippedSteps(JoinProgress& progress, int64_t steps, std::string_view text);

// Announces a stage: its text shows at once with no steps taken, and the
// progress counter restarts so that the first refresh comes after a full
// interval. False when the stage has to stop, as for ReportProgress.
[[nodiscard]] bool AnnounceStage(JoinProgress& progress, std::string_view text);

// The plain join's estimate in 64 bits (no overflow for any 32-bit counts).
int64_t EstimateSteps64(int32_t vA, int32_t vB, int32_t fA, int32_t fB, int32_t uvA, int32_t uvB);

// Sets the steps-to-go estimate for joining `first` and `second` (the
// window's and the tally's), resets the progress counter and the abort
// request, and enables Abort. An estimate that overflows 32 bits becomes
// 2147483647 with warning 12.
void UpdateObjectInfo(JoinProgress& progress, HostObject first, HostObject second);

// Shows a new StepsToGo with an empty stage text on `view` while "Show
// Info" is ticked, and enables Abort: a join begins.
void ShowNewEstimate(JoinView* view);

// The estimate as UpdateObjectInfo computes it; false when any partial sum
// or product overflows 32 bits.
bool EstimateSteps(int32_t vA, int32_t vB, int32_t fA, int32_t fB,
                   int32_t uvA, int32_t uvB, int32_t* steps);

// Reports -1001/-1003 (first slot) or -1002/-1004 (second slot) on `view`
// unless `object` is a polyhedron with 3 faces or more.
void CheckObjectSuitable(JoinView* view, HostObject object, Slot which);

}  // namespace spl
