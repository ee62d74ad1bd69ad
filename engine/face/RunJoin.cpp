#include "engine/face/RunJoin.h"

#include <new>

#include "engine/common/Errors.h"
#include "engine/common/JoinView.h"
#include "engine/common/Progress.h"
#include "engine/common/ResultObject.h"
#include "engine/common/Thousandths.h"
#include "engine/face/JunctionSearch.h"
#include "engine/face/MaterialTransfer.h"
#include "engine/face/MeshMerge.h"
#include "interface/tsxapi.h"

namespace spl {
namespace {

bool Search(JoinProgress& progress, const JoinInputs& inputs, const JoinHooks& hooks, JoinMade& made) {
  JoinStageScope scope(JoinStage::Search, hooks.observer);
  if (!AnnounceStage(progress, "Preparing...")) return false;
  ClearJunction();
  try {
    made.search = FindJunctionFaces(progress, inputs, hooks.keep);
  } catch (const ConversionError& e) {
    // The toolkit's own report of a number that does not convert; the join
    // ends here and the engine is ready for the next one.
    if (progress.view) progress.view->ShowConversionError(e.what());
    JoinState.LastError = kConversionFailed;
    return false;
  }
  if (JoinFailed()) return false;
  if (JoinState.JunctionFaceA == -1 || JoinState.JunctionFaceB == -1) {
    ReportError(progress.view, kJunctionNotFound);
    return false;
  }
  return true;
}

bool CopyFirst(JoinProgress& progress, JoinStageObserver* observer) {
  JoinStageScope scope(JoinStage::Copy, observer);
  return MakeResultCopy(progress);
}

void Refresh(HostObject result, JoinStageObserver* observer) {
  JoinStageScope scope(JoinStage::Refresh, observer);
  RefreshResult(result);
}

void Join(JoinProgress& progress, UnfinishedResult& unfinished, const JoinInputs& inputs, const JoinHooks& hooks,
          JoinMade& made) {
  JoinStageObserver* const observer = hooks.observer;
  {
    JoinStageScope scope(JoinStage::Count, observer);
    UpdateObjectInfo(progress, inputs.first, inputs.second);
  }
  if (!Search(progress, inputs, hooks, made) || !CopyFirst(progress, observer)) return;
  const HostObject result = JoinState.ResultObject;
  {
    JoinStageScope scope(JoinStage::Merge, observer);
    MergeObjects(progress, result, inputs.second, JoinState.FirstObject);
  }
  if (JoinFailed()) return;
  Refresh(result, observer);
  {
    JoinStageScope scope(JoinStage::Materials, observer);
    TransferMaterials(progress, result, inputs.first, inputs.second);
  }
  if (JoinFailed()) {
    unfinished.Added();  // the transfer has deleted it
    return;
  }
  JoinStageScope scope(JoinStage::Finish, observer);
  AddResultToScene(progress, result, unfinished);
  made.result = result;
}

}  // namespace

std::string_view StageName(JoinStage stage) {
  switch (stage) {
    case JoinStage::Count: return "count";
    case JoinStage::Search: return "search";
    case JoinStage::Copy: return "copy";
    case JoinStage::Merge: return "merge";
    case JoinStage::Refresh: return "refresh";
    case JoinStage::Materials: return "materials";
    case JoinStage::Finish: return "finish";
    case JoinStage::Whole: return "join";
  }
  return "join";
}

JoinStageScope::JoinStageScope(JoinStage stage, JoinStageObserver* observer) : stage_(stage), observer_(observer) {
  if (observer_) observer_->StageStarted(stage_);
}

JoinStageScope::~JoinStageScope() {
  if (observer_) observer_->StageFinished(stage_);
}

JoinMade RunJoin(const JoinInputs& inputs, const JoinHooks& hooks, JoinProgress& progress) {
  JoinStageScope whole(JoinStage::Whole, hooks.observer);
  JoinState.ResultObject = 0;
  JoinMade made;
  made.inputs = inputs;
  UnfinishedResult unfinished;
  try {
    Join(progress, unfinished, inputs, hooks, made);
  } catch (const std::bad_alloc&) {
    ReportError(progress.view, kNoMemory);
  }
  return made;
}

}  // namespace spl
