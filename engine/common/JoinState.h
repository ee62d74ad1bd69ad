// The engine's single global state record, shared by every stage of a join
// and by the main tool window.
#pragma once

#include <cstdint>

#include "interface/tsxapi.h"

namespace spl {

// A host object handle as the engine keeps it; 0 = none.
using HostObject = tsxSOBJ;

// The accuracy a new tool window, its reset button and the command-line
// join start from.
inline constexpr double kDefaultAccuracy = 0.01;

// The two object slots of a join: FirstObject and SecondObject. The values
// are the numbers the messages and the window's buttons carry.
enum class Slot : int { First = 1, Second = 2 };

struct TJoinState {
  HostObject FirstObject = 0;
  HostObject SecondObject = 0;
  HostObject ResultObject = 0;
  int32_t LastError = 0;
  double Accuracy = 0.0;
  int32_t JunctionFaceA = 0;
  int32_t JunctionFaceB = 0;
  int32_t JunctionCornerA = 0;
  int32_t JunctionCornerB = 0;
  int32_t StepsToGo = 0;
  bool AbortRequested = false;
  bool HoleMergeEnabled = false;
  int16_t HostVersion = 0;
  int16_t HostSubVersion = 0;
  int32_t ProgressTick = 0;
  // Not one of the window's fields: a join is using this record. The
  // window's handlers run inside the join's progress calls, and nothing
  // they start may pick, cancel or join meanwhile.
  bool JoinRunning = false;
};

// Lives as long as the loaded module; zero at load.
extern TJoinState JoinState;

// Puts every field back to its load-time zero (tests and module reload).
void ResetJoinState();

// An error has been reported since LastError was last cleared: the join
// or the check under way stops.
inline bool JoinFailed() { return JoinState.LastError != 0; }

// The junction fields say "none found" (-1) until a search writes them.
void ClearJunction();

}  // namespace spl
