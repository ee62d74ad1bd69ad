#include "engine/common/ResultObject.h"

#include "engine/common/Errors.h"
#include "engine/common/Progress.h"
#include "interface/tsxapi.h"

namespace spl {
UnfinishedResult::~UnfinishedResult() {
  if (!added_ && JoinState.ResultObject != 0) tsxSobjDelete(JoinState.ResultObject);
}

bool MakeResultCopy(JoinProgress& progress) {
  JoinState.ResultObject = 0;
  tsxGNodeCopy(JoinState.FirstObject, &JoinState.ResultObject);
  if (JoinState.ResultObject != 0) return true;
  ReportError(progress.view, kCannotMakeResult);
  return false;
}

void RefreshResult(HostObject result) {
  tsxPolyhComputeFaceAdjacency(result);
  tsxPolyhMarkTopologyChange(result);
  tsxPolyhMarkGeomChange(result);
  tsxPolyhInitializeMaterials(result);
}

void AddResultToScene(JoinProgress& progress, HostObject result, UnfinishedResult& unfinished) {
  // Once painted, the result is completed even when this call reports an
  // abort: its answer is not needed.
  static_cast<void>(ReportProgress(progress, 0, "Finishing...", 1));
  tsxPolyhMarkMaterialChange(result);
  tsxSceneAddObject(result, 0);
  unfinished.Added();
}

}  // namespace spl
