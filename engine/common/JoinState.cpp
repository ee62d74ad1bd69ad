#include "engine/common/JoinState.h"

#include "engine/common/JoinView.h"

namespace spl {

TJoinState JoinState;

void ResetJoinState() { JoinState = TJoinState{}; }

void ClearJunction() {
  JoinState.JunctionFaceA = -1;
  JoinState.JunctionFaceB = -1;
  JoinState.JunctionCornerA = -1;
  JoinState.JunctionCornerB = -1;
}

namespace {
JoinView* g_view = nullptr;
}

void SetJoinView(JoinView* view) { g_view = view; }
JoinView* CurrentJoinView() { return g_view; }

}  // namespace spl
