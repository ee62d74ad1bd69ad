// The new object of a join between the host's copy and the scene.
#pragma once

#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"

namespace spl {

// Until the result is handed to the scene, a failed join deletes it
// (ResultObject, when nonzero).
class UnfinishedResult {
 public:
  UnfinishedResult() = default;
  ~UnfinishedResult();
  UnfinishedResult(const UnfinishedResult&) = delete;
  UnfinishedResult& operator=(const UnfinishedResult&) = delete;
  // The scene has it, or a stage has deleted it already.
  void Added() { added_ = true; }

 private:
  bool added_ = false;
};

// Has the host copy FirstObject into ResultObject (set to 0 first);
// reports -1010 and returns false when no copy was made.
bool MakeResultCopy(JoinProgress& progress);

// Has the host rebuild the merged object's adjacency, mark its changes and
// prepare its materials for painting.
void RefreshResult(HostObject result);

// The last step of a join: "Finishing...", the material change marked and
// the result added to the scene. The progress call is not tested: once
// painted, the result is completed even when that call reports an abort.
void AddResultToScene(JoinProgress& progress, HostObject result, UnfinishedResult& unfinished);

}  // namespace spl
