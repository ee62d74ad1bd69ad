#include "JoinState.h"

#include "JoinView.h"

namespace spl {

TJoinState JoinState;

void ResetJoinState() { JoinState = TJoinState{}; }

namespace {
JoinView* g_view = nullptr;
}

void SetJoinView(JoinView* view) { g_view = view; }
JoinView* CurrentJoinView() { return g_view; }

}  // namespace spl
