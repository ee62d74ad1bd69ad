#include "engine/face/FaceOrder.h"

#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <random>
#include <vector>

#include "tests/support/FailingNew.h"

namespace spl {
namespace {

std::vector<int32_t> Order(const std::vector<FaceRank>& ranks) {
  std::vector<int32_t> order(ranks.size(), -1);
  FaceOrdering ordering(ranks.data(), static_cast<int32_t>(ranks.size()));
  EXPECT_TRUE(ordering.Place(order.data(), [](int32_t) { return true; }));
  return order;
}

// The selection exactly as written: candidate m, replaced by any unplaced
// face of strictly lower rank; placed faces rank above all others.
std::vector<int32_t> Selection(const std::vector<FaceRank>& ranks) {
  const auto n = static_cast<int32_t>(ranks.size());
  std::vector<bool> placed(ranks.size(), false);
  auto less = [&](int32_t a, int32_t b) {
    const FaceRank &ra = ranks[static_cast<size_t>(a)], &rb = ranks[static_cast<size_t>(b)];
    if (ra.computable != rb.computable) return ra.computable;
    return ra.key < rb.key;
  };
  std::vector<int32_t> order;
  for (int32_t m = 0; m < n; ++m) {
    int32_t c = m;
    for (int32_t a = 0; a < n; ++a) {
      if (a == c || placed[static_cast<size_t>(a)]) continue;
      if (placed[static_cast<size_t>(c)] || less(a, c)) c = a;
    }
    placed[static_cast<size_t>(c)] = true;
    order.push_back(c);
  }
  return order;
}

TEST(FaceOrder, TiesKeepTheStartingCandidateElseTheLowestIndex) {
  EXPECT_EQ(Order({{5}, {0}, {5}, {0}}), (std::vector<int32_t>{1, 3, 2, 0}));
  EXPECT_EQ(Order({{1}, {1}, {1}}), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(Order({{3}, {2}, {1}}), (std::vector<int32_t>{2, 1, 0}));
}

TEST(FaceOrder, TheLargestRealKeyIsPlacedExactlyOnce) {
  EXPECT_EQ(Order({{INT_MAX}, {INT_MAX}, {0}}), (std::vector<int32_t>{2, 1, 0}));
  EXPECT_EQ(Order({{INT_MIN}, {INT_MAX}}), (std::vector<int32_t>{0, 1}));
}

TEST(FaceOrder, FacesWithoutAKeyComeLast) {
  EXPECT_EQ(Order({{0, false}, {7}, {0, false}, {9}}), (std::vector<int32_t>{1, 3, 2, 0}));
}

TEST(FaceOrder, StopsWhenAPositionSaysSo) {
  const std::vector<FaceRank> ranks{{2}, {1}, {0}};
  std::vector<int32_t> order(3, -1);
  FaceOrdering ordering(ranks.data(), 3);
  EXPECT_FALSE(ordering.Place(order.data(), [](int32_t m) { return m < 2; }));
  EXPECT_EQ(order, (std::vector<int32_t>{2, 1, -1}));
}

TEST(FaceOrder, AnAllocationThatFailsLeavesNothingBehind) {
  // Its two arrays and the sort's scratch fail in turn; each time the
  // failure reaches the caller and every block already had is given back.
  std::vector<FaceRank> ranks(1000);
  for (size_t i = 0; i < ranks.size(); ++i) ranks[i].key = static_cast<int32_t>(ranks.size() - i);
  const int64_t before = testing::LiveNewBlocks();
  const int allocations = testing::ForEachFailingNew(
      [&] {
        try {
          FaceOrdering ordering(ranks.data(), static_cast<int32_t>(ranks.size()));
        } catch (const std::bad_alloc&) {
          return true;
        }
        return false;
      },
      [&](int n) { EXPECT_EQ(testing::LiveNewBlocks(), before) << "failing allocation " << n; });
  EXPECT_GE(allocations, 3);
}

TEST(FaceOrder, AgreesWithTheSelectionOnRandomKeysWithManyTies) {
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    const int n = std::uniform_int_distribution<int>(0, 40)(rng);
    const int spread = std::uniform_int_distribution<int>(1, 6)(rng);
    std::vector<FaceRank> ranks;
    for (int i = 0; i < n; ++i) {
      const int k = std::uniform_int_distribution<int>(0, spread)(rng);
      FaceRank r{k == spread ? INT_MAX : k, true};
      if (std::bernoulli_distribution(0.05)(rng)) r.computable = false;
      ranks.push_back(r);
    }
    ASSERT_EQ(Order(ranks), Selection(ranks)) << "round " << round;
  }
}

}  // namespace
}  // namespace spl
