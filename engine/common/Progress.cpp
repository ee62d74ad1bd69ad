#include "engine/common/Progress.h"

#include <algorithm>
#include <limits>
#include <string>

#include "engine/common/Errors.h"
#include "engine/common/JoinView.h"
#include "engine/common/Saturate.h"
#include "interface/tsxapi.h"

namespace spl {
namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

bool MulAdd(int32_t factor, int32_t value, int32_t* sum) {
  int32_t product = 0;
  return !__builtin_mul_overflow(factor, value, &product) &&
         !__builtin_add_overflow(*sum, product, sum);
}

}  // namespace

void StepTally::Start(int64_t steps) { *this = {steps > 0 ? steps : 0, 0, 0}; }

void StepTally::CapRemaining(int64_t remaining) {
  const int64_t over = Remaining() - std::max<int64_t>(remaining, 0);
  if (over > 0) skipped += over;
}

int64_t EstimateSteps64(int32_t vA, int32_t vB, int32_t fA, int32_t fB, int32_t uvA, int32_t uvB) {
  return 2 * int64_t{vA} + 3 * int64_t{vB} + uvA + uvB + 3 * int64_t{fA} + 6 * int64_t{fB} + int64_t{fA} * fB - 3;
}

namespace {

// `steps` taken off the window's count (saturated), `tallied` off the tally
// as done or as skipped.
bool Report(JoinProgress& progress, int64_t steps, bool skipped, std::string_view text, int32_t interval) {
  JoinView* const view = progress.view;
  if (JoinState.AbortRequested) {
    ReportError(view, kAborted);
    return false;
  }
  if (text.size() > kMaxStageText) text = text.substr(0, kMaxStageText);
  ++JoinState.ProgressTick;
  if (JoinState.ProgressTick >= interval) {
    JoinState.StepsToGo = SaturatingSubtract(JoinState.StepsToGo, SaturateToInt32(steps));
    if (steps > 0) (skipped ? progress.tally.skipped : progress.tally.taken) += steps;
    if (view && view->ShowInfo()) {
      view->SetStepsText(std::to_string(JoinState.StepsToGo));
      view->SetStatusText(text);
    }
    JoinState.ProgressTick = 0;
  }
  if (view) view->PumpEvents(text, progress.tally);
  return !JoinFailed();
}

}  // namespace

bool ReportProgress(JoinProgress& progress, int32_t steps, std::string_view text, int32_t interval) {
  return Report(progress, steps, false, text, interval);
}

bool ReportWideProgress(JoinProgress& progress, int64_t steps, std::string_view text, int32_t interval) {
  return Report(progress, steps, false, text, interval);
}

bool ReportSkippedSteps(JoinProgress& progress, int64_t steps, std::string_view text) {
  return Report(progress, steps, true, text, 1);
}

bool AnnounceStage(JoinProgress& progress, std::string_view text) {
  const bool goOn = ReportProgress(progress, 0, text, 1);
  JoinState.ProgressTick = 0;
  return goOn;
}

bool EstimateSteps(int32_t vA, int32_t vB, int32_t fA, int32_t fB,
                   int32_t uvA, int32_t uvB, int32_t* steps) {
  // 2vA + 3vB + uvA + uvB + 3fA + 6fB + fA*fB - 3, every partial result
  // checked in the order written.
  int32_t sum = 0;
  return MulAdd(2, vA, &sum) && MulAdd(3, vB, &sum) && MulAdd(1, uvA, &sum) &&
         MulAdd(1, uvB, &sum) && MulAdd(3, fA, &sum) && MulAdd(6, fB, &sum) &&
         MulAdd(fA, fB, &sum) && MulAdd(1, -3, &sum) && (*steps = sum, true);
}

void UpdateObjectInfo(JoinProgress& progress, HostObject first, HostObject second) {
  const int32_t vA = tsxPolyhGetNbrVxs(first);
  const int32_t vB = tsxPolyhGetNbrVxs(second);
  const int32_t fA = tsxPolyhGetNbrFaces(first);
  const int32_t fB = tsxPolyhGetNbrFaces(second);
  const int32_t uvA = tsxPolyhGetNbrUV(first);
  const int32_t uvB = tsxPolyhGetNbrUV(second);
  JoinState.ProgressTick = 0;
  JoinState.AbortRequested = false;
  progress.tally.Start(EstimateSteps64(vA, vB, fA, fB, uvA, uvB));

  int32_t steps = 0;
  if (EstimateSteps(vA, vB, fA, fB, uvA, uvB, &steps)) {
    JoinState.StepsToGo = steps;
  } else {
    JoinState.StepsToGo = kInt32Max;
    ReportError(progress.view, kStepsOverflow);
    JoinState.LastError = kNoError;  // only a warning: the join goes on
  }
  ShowNewEstimate(progress.view);
}

void ShowNewEstimate(JoinView* view) {
  if (!view) return;
  if (view->ShowInfo()) {
    view->SetStepsText(std::to_string(JoinState.StepsToGo));
    view->SetStatusText("");
  }
  view->SetAbortEnabled(true);
}

void CheckObjectSuitable(JoinView* view, HostObject object, Slot which) {
  const bool first = which == Slot::First;
  if (object == 0) {
    ReportError(view, first ? kFirstNotSelected : kSecondNotSelected);
    return;
  }
  const int32_t unsuitable = first ? kFirstNotSuitable : kSecondNotSuitable;
  if ((tsxSobjGetType(object) & 0xFF) != e_tsxPOLYHEDRON) {
    ReportError(view, unsuitable);
    return;
  }
  if (tsxPolyhGetNbrFaces(object) < 3) ReportError(view, unsuitable);
}

}  // namespace spl
