#include "RunJoin.h"

#include <new>

#include "Errors.h"
#include "JoinView.h"
#include "JunctionSearch.h"
#include "MaterialTransfer.h"
#include "MeshMerge.h"
#include "Progress.h"
#include "Thousandths.h"
#include "tsxapi.h"

namespace spl {
namespace {

JoinStageObserver* g_observer = nullptr;

// Tells the observer that a stage starts, and on every way out that it ends.
class StageScope {
 public:
  explicit StageScope(JoinStage stage) : stage_(stage) {
    if (g_observer) g_observer->StageStarted(stage_);
  }
  ~StageScope() {
    if (g_observer) g_observer->StageFinished(stage_);
  }
  StageScope(const StageScope&) = delete;
  StageScope& operator=(const StageScope&) = delete;

 private:
  JoinStage stage_;
};

bool Failed() { return JoinState.LastError != 0; }

void ClearJunction() {
  JoinState.JunctionFaceA = -1;
  JoinState.JunctionFaceB = -1;
  JoinState.JunctionCornerA = -1;
  JoinState.JunctionCornerB = -1;
}

// Until the result is handed to the scene, a failed join deletes it.
class UnfinishedResult {
 public:
  ~UnfinishedResult() {
    if (!added_ && JoinState.ResultObject != 0) tsxSobjDelete(JoinState.ResultObject);
  }
  void Added() { added_ = true; }

 private:
  bool added_ = false;
};

bool Search() {
  StageScope scope(JoinStage::Search);
  ReportProgress(0, "Preparing...", 1);
  if (Failed()) return false;
  JoinState.ProgressTick = 0;
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
  if (Failed()) return false;
  if (JoinState.JunctionFaceA == -1 || JoinState.JunctionFaceB == -1) {
    ReportError(kJunctionNotFound);
    return false;
  }
  return true;
}

bool CopyFirst() {
  StageScope scope(JoinStage::Copy);
  JoinState.ResultObject = 0;
  tsxGNodeCopy(JoinState.FirstObject, &JoinState.ResultObject);
  if (JoinState.ResultObject != 0) return true;
  ReportError(kCannotMakeResult);
  return false;
}

void Refresh(HostObject result) {
  StageScope scope(JoinStage::Refresh);
  tsxPolyhComputeFaceAdjacency(result);
  tsxPolyhMarkTopologyChange(result);
  tsxPolyhMarkGeomChange(result);
  tsxPolyhInitializeMaterials(result);
}

void Join(UnfinishedResult& unfinished) {
  {
    StageScope scope(JoinStage::Count);
    UpdateObjectInfo(JoinState.FirstObject, JoinState.SecondObject);
  }
  if (!Search() || !CopyFirst()) return;
  const HostObject result = JoinState.ResultObject;
  {
    StageScope scope(JoinStage::Merge);
    MergeObjects(result, JoinState.SecondObject);
  }
  if (Failed()) return;
  Refresh(result);
  {
    StageScope scope(JoinStage::Materials);
    TransferMaterials(result, JoinState.FirstObject, JoinState.SecondObject);
  }
  if (Failed()) {
    unfinished.Added();  // the transfer has deleted it
    return;
  }
  StageScope scope(JoinStage::Finish);
  // Not tested: once painted, the result is completed even when this call
  // reports an abort.
  ReportProgress(0, "Finishing...", 1);
  tsxPolyhMarkMaterialChange(result);
  tsxSceneAddObject(result, 0);
  unfinished.Added();
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

void RunJoin() {
  StageScope whole(JoinStage::Whole);
  JoinState.ResultObject = 0;
  UnfinishedResult unfinished;
  try {
    Join(unfinished);
  } catch (const std::bad_alloc&) {
    ReportError(kNoMemory);
  }
}

}  // namespace spl
