// Points in order of their distance from a query, for the nearest point
// among many close ones: a k-d tree (CGAL's), so that a dense cluster costs
// a query its logarithm rather than its size. Points at one position are
// kept once, as the lowest-numbered of them, which is the one a nearest
// search that breaks ties by number would take.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "interface/tsxapi.h"

namespace spl {

class NearestPoints {
 public:
  // Indexes the finite points of points[0..count); they must outlive it.
  NearestPoints(const CtsxVector3f* points, int32_t count);
  ~NearestPoints();
  NearestPoints(const NearestPoints&) = delete;
  NearestPoints& operator=(const NearestPoints&) = delete;

  // Calls visit(i, distance) for the indexed points, nearest first, until it
  // returns false or the points run out. The distance is in double
  // precision; callers that compare otherwise leave themselves a margin.
  void Visit(const CtsxVector3f& q, const std::function<bool(int32_t, double)>& visit) const;

 private:
  struct Tree;
  std::unique_ptr<Tree> tree_;
};

}  // namespace spl
