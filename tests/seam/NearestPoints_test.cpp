// The k-d tree behind the seam search's nearest points in dense clusters:
// every point once, nearest first, and a position held by several points
// given as its lowest-numbered one, as the search breaks ties.
#include "engine/common/JoinState.h"
#include "engine/seam/NearestPoints.h"

#include "engine/seam/SeamSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace spl {
namespace {

double Between(const CtsxVector3f& p, const CtsxVector3f& q) {
  return std::sqrt((double{p.x} - q.x) * (double{p.x} - q.x) + (double{p.y} - q.y) * (double{p.y} - q.y) +
                   (double{p.z} - q.z) * (double{p.z} - q.z));
}

TEST(NearestPoints, VisitsEachPositionOnceNearestFirstAsItsLowestNumber) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> spread(-0.01f, 0.013f);
  std::vector<CtsxVector3f> points;
  for (int i = 0; i < 500; ++i) points.push_back({spread(random), spread(random), spread(random)});
  points.push_back(points[17]);                       // a copy: 17 stands for both
  points.push_back({-0.0f, 0.0f, 0.0f});              // -0 and +0 are one position
  points.push_back({0.0f, 0.0f, 0.0f});
  points.push_back({NAN, 0, 0});                      // never visited
  const NearestPoints nearest(points.data(), static_cast<int32_t>(points.size()));
  const CtsxVector3f q{0.001f, -0.002f, 0.0005f};
  std::vector<int32_t> seen;
  double last = 0;
  nearest.Visit(q, [&](int32_t i, double distance) {
    EXPECT_DOUBLE_EQ(distance, Between(points[static_cast<size_t>(i)], q));
    EXPECT_GE(distance, last);
    last = distance;
    seen.push_back(i);
    return true;
  });
  EXPECT_EQ(seen.size(), 501u);  // 500, the zero once; not the copy of 17, not the NaN
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 17), 1);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 500), 0);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 501), 1);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 502), 0);

  int visits = 0;
  nearest.Visit(points[42], [&](int32_t i, double distance) {
    EXPECT_EQ(i, 42);
    EXPECT_EQ(distance, 0);
    ++visits;
    return false;  // stops at once
  });
  EXPECT_EQ(visits, 1);
  NearestPoints none(points.data(), 0);
  none.Visit(q, [](int32_t, double) { return ADD_FAILURE(), true; });
}


// Clusters far denser than the accuracy, on a coarse grid so that many
// distances tie, with repeated positions, -0, a stray NaN and a vertex at a
// subnormal offset: the k-d tree, used for every point or where the
// candidates are many, pairs exactly the vertices the plain scan pairs.
TEST(NearestPoints, SeamPartnersAreThoseOfTryingEveryCandidate) {
  // The search reports progress like any join stage: it must not inherit an
  // error an earlier join in this process left in the join's state.
  ResetJoinState();
  std::mt19937 random(2026);
  int paired = 0;
  for (int round = 0; round < 300; ++round) {
    const float step = std::uniform_int_distribution<int>(0, 1)(random) ? 0.001f : 0.0007f;
    const int cells = std::uniform_int_distribution<int>(2, 12)(random);
    std::uniform_int_distribution<int> cell(-cells, cells);
    auto draw = [&](std::vector<CtsxVector3f>& points, int count) {
      for (int i = 0; i < count; ++i) {
        points.push_back({static_cast<float>(cell(random)) * step, static_cast<float>(cell(random)) * step,
                          static_cast<float>(cell(random)) * step});
        if (i % 37 == 5) points.push_back(points[static_cast<size_t>(random() % points.size())]);
      }
    };
    std::vector<CtsxVector3f> a, b;
    draw(a, std::uniform_int_distribution<int>(1, 150)(random));
    draw(b, std::uniform_int_distribution<int>(1, 150)(random));
    a.push_back({-0.0f, 0.0f, 0.0f});
    b.push_back({0.0f, 0.0f, std::numeric_limits<float>::denorm_min()});
    if (round % 3 == 0) a.push_back({NAN, 0, 0});
    if (round % 4 == 0) b.push_back({0, NAN, 0});
    const SeamSide first{a.data(), static_cast<int32_t>(a.size()), nullptr, 0};
    const SeamSide second{b.data(), static_cast<int32_t>(b.size()), nullptr, 0};
    const int32_t accuracy = std::uniform_int_distribution<int32_t>(0, 6)(random);
    std::vector<int32_t> scan, tree, chosen;
    JoinProgress progress;
    ASSERT_TRUE(FindPartners(progress, first, second, accuracy, &scan, std::numeric_limits<std::size_t>::max()));
    ASSERT_TRUE(FindPartners(progress, first, second, accuracy, &tree, 0));
    ASSERT_TRUE(FindPartners(progress, first, second, accuracy, &chosen));
    ASSERT_EQ(scan.size(), b.size());
    EXPECT_EQ(tree, scan) << "round " << round;
    EXPECT_EQ(chosen, scan) << "round " << round;
    paired += static_cast<int>(std::count_if(scan.begin(), scan.end(), [](int32_t u) { return u >= 0; }));
  }
  EXPECT_GT(paired, 1000);  // the rounds pair many vertices, not none
}

}  // namespace
}  // namespace spl
