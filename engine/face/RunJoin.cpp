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

JoinStageObserver* g_observer = nullptr;

bool Search() {
  JoinStageScope scope(JoinStage::Search);
  if (!AnnounceStage("Preparing..."))return false;
  ClearJunction();
  try {
    FindJunctionFaces();
  } catch (const ConversionError& e) {
    // The toolkit's own report of a number that does not convert; the join
    // ends here and the engine is ready for the next one.
    if (JoinView* view = CurrentJoinView()) view->ShowConversionError(e.what());
    JoinState.LastError = kConversionFailed;
    return false;
  }
  if (JoinFailed()) return false;
  if (JoinState.JunctionFaceA == -1 || JoinState.JunctionFaceB == -1) {
    ReportError(kJunctionNotFound);
    return false;
  }
  return true;
}

bool CopyFirst() {
  JoinStageScope scope(JoinStage::Copy);
  return MakeResultCopy();
}

void Refresh(HostObject result) {
  JoinStageScope scope(JoinStage::Refresh);
  RefreshResult(result);
}

void Join(UnfinishedResult& unfinished) {
  {
    JoinStageScope scope(JoinStage::Count);
    UpdateObjectInfo(JoinState.FirstObject, JoinState.SecondObject);
  }
  if (!Search() || !CopyFirst()) return;
  const HostObject result = JoinState.ResultObject;
  {
    JoinStageScope scope(JoinStage::Merge);
    MergeObjects(result, JoinState.SecondObject);
  }
  if (JoinFailed()) return;
  Refresh(result);
  {
    JoinStageScope scope(JoinStage::Materials);
    TransferMaterials(result, JoinState.FirstObject, JoinState.SecondObject);
  }
  if (JoinFailed()) {
    unfinished.Added();  // the transfer has deleted it
    return;
  }
  JoinStageScope scope(JoinStage::Finish);
  AddResultToScene(result, unfinished);
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

void SetJoinStageObserver(JoinStageObserver* observer) { g_observer = observer; }

JoinStageScope::JoinStageScope(JoinStage stage) : stage_(stage) {
  if (g_observer) g_observer->StageStarted(stage_);
}

JoinStageScope::~JoinStageScope() {
  if (g_observer) g_observer->StageFinished(stage_);
}

void RunJoin() {
  JoinStageScope whole(JoinStage::Whole);
  JoinState.ResultObject = 0;
  ForgetJoinResult();
  UnfinishedResult unfinished;
  try {
    Join(unfinished);
  } catch (const std::bad_alloc&) {
    ReportError(kNoMemory);
  }
}

}  // namespace spl
