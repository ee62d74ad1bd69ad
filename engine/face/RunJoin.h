// The join driver: one join of FirstObject and SecondObject from the
// steps-to-go estimate to the new object in the scene.
#pragma once

#include <string_view>

#include "engine/common/JoinState.h"

namespace spl {

// Runs one join. The caller guarantees LastError 0 and two distinct picked
// polyhedra that still exist. On return the new object has been added to
// the scene, or LastError is nonzero and its message has been shown; then
// nothing is left behind (an unfinished copy is deleted), except after an
// abort seen by "Finishing...", which still adds the result. A number too
// large for whole thousandths in the search is shown through
// JoinView::ShowConversionError and leaves LastError at kConversionFailed.
void RunJoin();

// The object the last join (plain or seam) added to the scene, 0 when it
// added none. A caller takes its result from here, never from what is new
// in the scene: something else may add to the scene meanwhile.
HostObject JoinResultAdded();
// No result yet: every join starts with this.
void ForgetJoinResult();

// The parts of a join, in the order they run; Whole spans the entire call.
enum class JoinStage { Count, Search, Copy, Merge, Refresh, Materials, Finish, Whole };

// "count", "search", "copy", "merge", "refresh", "materials", "finish",
// "join".
std::string_view StageName(JoinStage stage);

// Told when each stage of RunJoin starts and ends (also when it fails), so
// that a caller can time the stages or look at the state between them. The
// engine itself keeps no clock and does no I/O.
class JoinStageObserver {
 public:
  virtual ~JoinStageObserver() = default;
  virtual void StageStarted(JoinStage /*stage*/) {}
  virtual void StageFinished(JoinStage /*stage*/) {}
};

// The observer RunJoin reports to; null: none. Not owned.
void SetJoinStageObserver(JoinStageObserver* observer);

// Tells the observer that a stage starts, and on every way out that it
// ends. Every join mode reports its stages through it.
class JoinStageScope {
 public:
  explicit JoinStageScope(JoinStage stage);
  ~JoinStageScope();
  JoinStageScope(const JoinStageScope&) = delete;
  JoinStageScope& operator=(const JoinStageScope&) = delete;

 private:
  JoinStage stage_;
};

}  // namespace spl
