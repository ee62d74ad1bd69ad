#include "engine/common/JoinState.h"

namespace spl {

TJoinState JoinState;

void ResetJoinState() { JoinState = TJoinState{}; }

void ClearJunction() {
  JoinState.JunctionFaceA = -1;
  JoinState.JunctionFaceB = -1;
  JoinState.JunctionCornerA = -1;
  JoinState.JunctionCornerB = -1;
}

}  // namespace spl
