// The join driver: one join of FirstObject and SecondObject from the
// steps-to-go estimate to the new object in the scene.
#pragma once

#include <string_view>

#include "engine/common/JoinInputs.h"
#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"
#include "engine/face/JunctionSearch.h"

namespace spl {

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

// What the caller hands to a join beside the picks: who is told of its
// stages, and where the search leaves what it built for a report made right
// after the join (the plain join's search only). Neither is owned.
struct JoinHooks {
  JoinStageObserver* observer = nullptr;  // null: nobody
  SearchGeometry* keep = nullptr;         // null: dropped with the search
};

// What a plain join did. A caller takes its result from here, never from
// what is new in the scene: something else may add to the scene meanwhile.
struct JoinMade {
  JoinInputs inputs;      // what it ran with
  HostObject result = 0;  // the object added to the scene; 0 when none
  JunctionSearchInfo search;
};

// Tells `observer` (null: nobody) that a stage starts, and on every way out
// that it ends. Every join mode reports its stages through it.
class JoinStageScope {
 public:
  JoinStageScope(JoinStage stage, JoinStageObserver* observer);
  ~JoinStageScope();
  JoinStageScope(const JoinStageScope&) = delete;
  JoinStageScope& operator=(const JoinStageScope&) = delete;

 private:
  JoinStage stage_;
  JoinStageObserver* observer_;
};

// Runs one join of the inputs, taken from the join state record's picks and
// accuracy where the join starts, reporting through `progress` (its view
// shows the messages and progress; its tally counts from this join's
// estimate). The caller guarantees LastError 0 and two distinct picked
// polyhedra that still exist. On return the new object has been added to
// the scene, or LastError is nonzero and its message has been shown; then
// nothing is left behind (an unfinished copy is deleted), except after an
// abort seen by "Finishing...", which still adds the result. A number too
// large for whole thousandths in the search is shown through
// JoinView::ShowConversionError and leaves LastError at kConversionFailed.
JoinMade RunJoin(const JoinInputs& inputs, const JoinHooks& hooks, JoinProgress& progress);

}  // namespace spl
