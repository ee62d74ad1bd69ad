#include "engine/seam/NearestPoints.h"

#include <CGAL/Orthogonal_incremental_neighbor_search.h>
#include <CGAL/Search_traits_3.h>
#include <CGAL/Search_traits_adapter.h>
#include <CGAL/Simple_cartesian.h>
#include <CGAL/property_map.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <cstring>
#include <vector>

namespace spl {
namespace {

using Kernel = CGAL::Simple_cartesian<double>;
using Point = Kernel::Point_3;
using Entry = std::pair<Point, int32_t>;
using PointOf = CGAL::First_of_pair_property_map<Entry>;
using BaseTraits = CGAL::Search_traits_3<Kernel>;
using Traits = CGAL::Search_traits_adapter<Entry, PointOf, BaseTraits>;
using Distance = CGAL::Distance_adapter<Entry, PointOf, CGAL::Euclidean_distance<BaseTraits>>;
using Search = CGAL::Orthogonal_incremental_neighbor_search<Traits, Distance>;

// The coordinates' bits with -0 as +0: equal keys, equal positions.
std::array<uint32_t, 3> PositionKey(const CtsxVector3f& p) {
  std::array<uint32_t, 3> key{};
  const float c[3] = {p.x == 0 ? 0.0f : p.x, p.y == 0 ? 0.0f : p.y, p.z == 0 ? 0.0f : p.z};
  std::memcpy(key.data(), c, sizeof c);
  return key;
}

}  // namespace

struct NearestPoints::Tree {
  Search::Tree tree;
};

NearestPoints::NearestPoints(const CtsxVector3f* points, int32_t count) : tree_(std::make_unique<Tree>()) {
  std::vector<std::pair<std::array<uint32_t, 3>, int32_t>> order;
  order.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const CtsxVector3f& p = points[i];
    if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) order.emplace_back(PositionKey(p), i);
  }
  std::sort(order.begin(), order.end());
  std::vector<Entry> entries;
  for (size_t k = 0; k < order.size(); ++k) {
    if (k > 0 && order[k].first == order[k - 1].first) continue;  // the lowest number comes first
    const CtsxVector3f& p = points[order[k].second];
    entries.emplace_back(Point(p.x, p.y, p.z), order[k].second);
  }
  if (entries.empty()) return;  // the tree cannot be built empty
  tree_->tree.insert(entries.begin(), entries.end());
  tree_->tree.build();
}

NearestPoints::~NearestPoints() = default;

void NearestPoints::Visit(const CtsxVector3f& q, const std::function<bool(int32_t, double)>& visit) const {
  if (tree_->tree.empty()) return;
  Search search(tree_->tree, Point(q.x, q.y, q.z));
  for (auto it = search.begin(); it != search.end(); ++it) {
    if (!visit(it->first.second, std::sqrt(it->second))) return;
  }
}

}  // namespace spl
