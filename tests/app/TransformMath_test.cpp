// Placement edits in the host's transform layout.
#include "apps/tsxhost/TransformMath.h"

#include <gtest/gtest.h>

namespace hostapp {

namespace {
void ExpectNear(const CtsxVector3f& a, const CtsxVector3f& b) {
  EXPECT_NEAR(a.x, b.x, 1e-5);
  EXPECT_NEAR(a.y, b.y, 1e-5);
  EXPECT_NEAR(a.z, b.z, 1e-5);
}
}  // namespace

TEST(TransformMath, ComposeAppliesTheRightOperandFirst) {
  const CtsxTxmx3f move{{1, 0, 0, 5, 0, 1, 0, 0, 0, 0, 1, 0}};
  const CtsxTxmx3f twice{{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0}};
  ExpectNear(Apply(Compose(twice, move), {1, 1, 1}), {12, 2, 2});
  ExpectNear(Apply(Compose(move, twice), {1, 1, 1}), {7, 2, 2});
}

TEST(TransformMath, EditsTurnAndScaleAboutThePivotThenMove) {
  const CtsxVector3f pivot{1, 1, 0};
  struct Case {
    PlacementEdit edit;
    CtsxVector3f from, to;
  } cases[] = {
      {{{0, 0, 0}, {0, 0, 0}, 1}, {3, 4, 5}, {3, 4, 5}},
      {{{1, 2, 3}, {0, 0, 0}, 1}, {0, 0, 0}, {1, 2, 3}},
      {{{0, 0, 0}, {0, 0, 0}, 3}, {2, 1, 0}, {4, 1, 0}},
      {{{0, 0, 0}, {0, 0, 90}, 1}, {2, 1, 0}, {1, 2, 0}},
      {{{0, 0, 0}, {90, 0, 0}, 1}, {1, 2, 0}, {1, 1, 1}},
      {{{0, 0, 0}, {0, 90, 0}, 1}, {1, 1, 1}, {2, 1, 0}},
      {{{0, 0, 0}, {0, 0, 0}, 2}, pivot, pivot},
  };
  for (const Case& c : cases) ExpectNear(Apply(EditTransform(c.edit, pivot), c.from), c.to);
}

}  // namespace hostapp
