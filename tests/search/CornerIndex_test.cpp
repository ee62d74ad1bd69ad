// The corner index against a plain scan: every point within the radius is
// visited, near the origin and at coordinates where a float's step is many
// radii wide.
#include "engine/common/CornerIndex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

namespace spl {
namespace {

double Distance(const CtsxVector3f& a, const CtsxVector3f& b) {
  const double dx = double{a.x} - b.x, dy = double{a.y} - b.y, dz = double{a.z} - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Points in a cloud of `spread` around `centre`, many of them repeated so
// that exact coincidences occur at every magnitude.
std::vector<CtsxVector3f> Cloud(std::mt19937& rng, float centre, float spread, int count) {
  std::uniform_real_distribution<float> offset(-spread, spread);
  std::vector<CtsxVector3f> points;
  for (int i = 0; i < count; ++i) {
    if (i > 0 && rng() % 3 == 0) {
      points.push_back(points[rng() % points.size()]);
    } else {
      points.push_back({centre + offset(rng), centre + offset(rng), centre + offset(rng)});
    }
  }
  return points;
}

void ExpectEveryNearPointVisited(const std::vector<CtsxVector3f>& points, double radius) {
  const CornerIndex index(points.data(), static_cast<int32_t>(points.size()), radius);
  for (const CtsxVector3f& q : points) {
    std::set<int32_t> visited;
    index.ForEachNear(q, [&](int32_t i) { visited.insert(i); });
    for (int32_t i = 0; i < static_cast<int32_t>(points.size()); ++i) {
      if (Distance(q, points[static_cast<size_t>(i)]) <= radius) {
        ASSERT_TRUE(visited.count(i)) << "point " << i << " near " << q.x;
      }
    }
  }
}

TEST(CornerIndex, VisitsEveryPointWithinTheRadiusAtAnyMagnitude) {
  std::mt19937 rng(11);
  for (const float centre : {0.0f, 1e3f, 1e7f, 1e12f, 1e15f, 1e17f, 1e20f, 1e30f, 1e35f}) {
    SCOPED_TRACE(centre);
    const float step = std::max(centre * 1.2e-7f, 1e-3f);  // about one float step
    for (const float spread : {0.01f, 4 * step}) {
      ExpectEveryNearPointVisited(Cloud(rng, centre, spread, 300), 0.0110011);
    }
  }
}

TEST(CornerIndex, AFewPointsAreAllVisitedAndPointsThatAreNotFiniteNever) {
  const std::vector<CtsxVector3f> points{{0, 0, 0}, {100, 0, 0}, {std::nanf(""), 0, 0}, {0, INFINITY, 0}};
  const CornerIndex index(points.data(), 4, 0.01);
  std::set<int32_t> visited;
  index.ForEachNear({0, 0, 0}, [&](int32_t i) { visited.insert(i); });
  EXPECT_TRUE(visited.count(0));
  EXPECT_FALSE(visited.count(2));
  EXPECT_FALSE(visited.count(3));
  visited.clear();
  index.ForEachNear({std::nanf(""), 0, 0}, [&](int32_t i) { visited.insert(i); });
  EXPECT_TRUE(visited.empty());
}

}  // namespace
}  // namespace spl
