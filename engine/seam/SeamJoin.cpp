#include "engine/seam/SeamJoin.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "engine/common/Errors.h"
#include "engine/common/HostBlock.h"
#include "engine/common/JoinInputs.h"
#include "engine/common/JoinState.h"
#include "engine/common/JoinView.h"
#include "engine/common/Progress.h"
#include "engine/common/ResultObject.h"
#include "engine/common/Saturate.h"
#include "engine/common/Thousandths.h"
#include "engine/common/Transforms.h"
#include "engine/face/MaterialTransfer.h"
#include "engine/face/RunJoin.h"
#include "engine/seam/SeamMerge.h"
#include "engine/seam/SeamSearch.h"
#include "interface/tsxapi.h"

namespace spl {
namespace {

// The seam join's own estimate, the steps its stages report (the plain
// join's counts face pairs and overflows on large objects): the seam
// search, the merge and the material transfer.
void BeginProgress(JoinProgress& progress, HostObject first, HostObject second) {
  const int64_t faces = int64_t{tsxPolyhGetNbrFaces(first)} + tsxPolyhGetNbrFaces(second);
  const int64_t steps = int64_t{tsxPolyhGetNbrVxs(second)} + faces + SeamMergeSteps(first, second) + faces;
  JoinState.ProgressTick = 0;
  JoinState.AbortRequested = false;
  JoinState.StepsToGo = SaturateToSteps(steps);
  progress.tally.Start(steps);
  ShowNewEstimate(progress.view);
}

// The accuracy in whole thousandths; one that does not fit gets the
// toolkit's report and ends the join, as in the plain join.
bool AccuracyThousandths(JoinProgress& progress, const JoinInputs& inputs, int32_t* accuracy) {
  if (inputs.thousandths) {
    *accuracy = *inputs.thousandths;
    return true;
  }
  if (progress.view) progress.view->ShowConversionError(NotAnIntegerMessage(inputs.accuracy));
  JoinState.LastError = kConversionFailed;
  return false;
}

// An object's vertices in world space, held for the search.
struct LoadedSide {
  HostBlock<CtsxVector3f> world;
  SeamSide side;

  bool Load(JoinProgress& progress, HostObject object, int32_t gone) {
    side.vertexCount = std::max(tsxPolyhGetNbrVxs(object), 0);
    const CtsxVector3f* vertices = tsxPolyhGetVxArray(object);
    if (!vertices && side.vertexCount > 0) {
      ReportError(progress.view, gone);
      return false;
    }
    side.faces = tsxPolyhGetFaceptrArray(object);
    side.faceCount = side.faces ? std::max(tsxPolyhGetNbrFaces(object), 0) : 0;
    world = HostBlock<CtsxVector3f>(static_cast<std::size_t>(side.vertexCount));
    if (!world) {
      ReportError(progress.view, kNoMemory);
      return false;
    }
    ObjectTransform(object).ToWorld(side.vertexCount, vertices, world.get());
    side.world = world.get();
    return true;
  }
};

bool Search(JoinProgress& progress, const JoinInputs& inputs, JoinedSeam* seam, JoinStageObserver* observer) {
  JoinStageScope scope(JoinStage::Search, observer);
  if (!AnnounceStage(progress, "Preparing...")) return false;
  ClearJunction();
  int32_t accuracy = 0;
  LoadedSide first, second;
  if (!AccuracyThousandths(progress, inputs, &accuracy) || !first.Load(progress, inputs.first, kFirstGone) ||
      !second.Load(progress, inputs.second, kSecondGone)) {
    return false;
  }
  if (!AnnounceStage(progress, "Searching seam...")) return false;
  if (!FindSeam(progress, first.side, second.side, accuracy, seam)) return false;
  if (seam->droppedFacesA.empty() || seam->droppedFacesB.empty()) {
    ReportError(progress.view, kJunctionNotFound);
    return false;
  }
  return true;
}

bool SeamJoin(JoinProgress& progress, UnfinishedResult& unfinished, const JoinInputs& inputs, JoinedSeam& seam,
              JoinStageObserver* observer) {
  const HostObject first = inputs.first;
  const HostObject second = inputs.second;
  {
    JoinStageScope scope(JoinStage::Count, observer);
    BeginProgress(progress, first, second);
  }
  if (!Search(progress, inputs, &seam, observer)) return false;
  {
    JoinStageScope scope(JoinStage::Copy, observer);
    if (!MakeResultCopy(progress)) return false;
  }
  const HostObject result = JoinState.ResultObject;
  {
    JoinStageScope scope(JoinStage::Merge, observer);
    MergeAlongSeam(progress, result, second, seam, JoinState.FirstObject);
  }
  if (JoinFailed()) return false;
  {
    JoinStageScope scope(JoinStage::Refresh, observer);
    RefreshResult(result);
  }
  {
    JoinStageScope scope(JoinStage::Materials, observer);
    TransferMaterialsSkipping(progress, result, first, second, seam.droppedFacesA, seam.droppedFacesB);
  }
  if (JoinFailed()) {
    unfinished.Added();  // the transfer has deleted it
    return false;
  }
  JoinStageScope scope(JoinStage::Finish, observer);
  AddResultToScene(progress, result, unfinished);
  return true;
}

}  // namespace

SeamJoinMade RunSeamJoin(const JoinInputs& inputs, const JoinHooks& hooks, JoinProgress& progress) {
  JoinStageScope whole(JoinStage::Whole, hooks.observer);
  JoinState.ResultObject = 0;
  SeamJoinMade made;
  made.inputs = inputs;
  UnfinishedResult unfinished;
  try {
    JoinedSeam seam;
    if (SeamJoin(progress, unfinished, inputs, seam, hooks.observer)) {
      made.result = JoinState.ResultObject;
      made.seam = std::move(seam);
    }
  } catch (const std::bad_alloc&) {
    ReportError(progress.view, kNoMemory);
  }
  return made;
}

}  // namespace spl
