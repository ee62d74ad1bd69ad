// The weld across the junction on its own, where the merge tests reach it
// only through whole joins.
#include "engine/face/JunctionWeld.h"

#include <gtest/gtest.h>

#include <vector>

namespace spl {
namespace {

TEST(JunctionWeld, DroppedVerticesMoveOntoTheirPartnersAndOthersStay) {
  //  face A corners: 0 1 2 3   face B (merged numbering) on them: 12 11 10 13
  const int32_t keep[] = {0, 1, 2, 3};
  const int32_t drop[] = {12, 11, 10, 13};
  const JunctionWeld weld(keep, drop, 4);
  EXPECT_EQ(weld.Dropped(), (std::vector<int32_t>{10, 11, 12, 13}));
  EXPECT_EQ(weld.Weld(10), 2);
  EXPECT_EQ(weld.Weld(12), 0);
  EXPECT_EQ(weld.Weld(13), 3);
  EXPECT_EQ(weld.Weld(9), 9);
  EXPECT_EQ(weld.Weld(14), 14);
  EXPECT_EQ(weld.DroppedBelow(10), 0);
  EXPECT_EQ(weld.DroppedBelow(12), 2);
  EXPECT_EQ(weld.DroppedBelow(14), 4);
}

TEST(JunctionWeld, AVertexRepeatedOnFaceBIsDroppedOnceOntoItsLowestCorner) {
  // Face B names vertex 21 at corners 1 and 3: it goes once, onto face A's
  // vertex of corner 1, and closes the numbering up by one, not two.
  const int32_t keep[] = {4, 5, 6, 7};
  const int32_t drop[] = {20, 21, 22, 21};
  const JunctionWeld weld(keep, drop, 4);
  EXPECT_EQ(weld.Dropped(), (std::vector<int32_t>{20, 21, 22}));
  EXPECT_EQ(weld.Weld(21), 5);
  EXPECT_EQ(weld.Weld(22), 6);
  EXPECT_EQ(weld.DroppedBelow(23), 3);
  EXPECT_EQ(weld.DroppedBelow(22), 2);
}

TEST(JunctionWeld, NoCornersWeldNothing) {
  const JunctionWeld weld(nullptr, nullptr, 0);
  EXPECT_TRUE(weld.Dropped().empty());
  EXPECT_EQ(weld.Weld(3), 3);
  EXPECT_EQ(weld.DroppedBelow(3), 0);
}

}  // namespace
}  // namespace spl
