// The progress protocol of a join: the steps-to-go estimate and the calls
// through which every stage reports, pumps events and sees an abort.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/common/JoinState.h"

namespace spl {

// Longest stage text kept; longer texts are cut.
inline constexpr std::size_t kMaxStageText = 255;

// Takes `steps` off StepsToGo every `interval` calls, refreshes the labels
// while "Show Info" is ticked, and pumps events. With an abort requested it
// reports -1100 instead and does nothing else. False when the stage has to
// stop: LastError is nonzero after the call (the abort, or an error a
// handler reported while events were pumped).
[[nodiscard]] bool ReportProgress(int32_t steps, std::string_view text, int32_t interval);

// Announces a stage: its text shows at once with no steps taken, and the
// progress counter restarts so that the first refresh comes after a full
// interval. False when the stage has to stop, as for ReportProgress.
[[nodiscard]] bool AnnounceStage(std::string_view text);

// Sets the steps-to-go estimate for joining `first` and `second`, resets
// the progress counter and the abort request, and enables Abort. An
// estimate that overflows 32 bits becomes 2147483647 with warning 12.
void UpdateObjectInfo(HostObject first, HostObject second);

// Shows a new StepsToGo with an empty stage text while "Show Info" is
// ticked, and enables Abort: a join begins.
void ShowNewEstimate();

// The estimate as UpdateObjectInfo computes it; false when any partial sum
// or product overflows 32 bits.
bool EstimateSteps(int32_t vA, int32_t vB, int32_t fA, int32_t fB,
                   int32_t uvA, int32_t uvB, int32_t* steps);

// Reports -1001/-1003 (first slot) or -1002/-1004 (second slot) unless
// `object` is a polyhedron with 3 faces or more.
void CheckObjectSuitable(HostObject object, Slot which);

}  // namespace spl
