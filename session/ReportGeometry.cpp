#include "session/ReportGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/common/Coincidence.h"

namespace spl {

double Distance(const CtsxVector3f& p, const CtsxVector3f& q) {
  const double dx = static_cast<double>(p.x) - q.x;
  const double dy = static_cast<double>(p.y) - q.y;
  const double dz = static_cast<double>(p.z) - q.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double ReportObject::WalkGap(const CtsxFace& face, const ReportObject& otherObject, const CtsxFace& other,
                             int32_t k) const {
  const int32_t n = face.nbrCorners;
  double gap = 0;
  for (int32_t i = 0, j = k; i < n; ++i, j = j == 0 ? n - 1 : j - 1) {
    gap = std::max(gap, Distance(Corner(face, i), otherObject.Corner(other, j)));
  }
  return gap;
}

double ReportObject::ShortestEdge(const CtsxFace& face) const {
  double shortest = std::numeric_limits<double>::infinity();
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    shortest = std::min(shortest, Distance(Corner(face, c), Corner(face, (c + 1) % face.nbrCorners)));
  }
  return shortest;
}

WorldBox::WorldBox(const std::vector<CtsxVector3f>& points) {
  for (int i = 0; i < 3; ++i) {
    lo[i] = std::numeric_limits<double>::infinity();
    hi[i] = -std::numeric_limits<double>::infinity();
  }
  for (const CtsxVector3f& p : points) {
    if (!Finite(p)) continue;
    const double c[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], c[i]);
      hi[i] = std::max(hi[i], c[i]);
    }
  }
}

bool WorldBox::Near(const CtsxVector3f& p, double reach) const {
  const double c[3] = {p.x, p.y, p.z};
  for (int i = 0; i < 3; ++i) {
    if (!(c[i] >= lo[i] - reach && c[i] <= hi[i] + reach)) return false;
  }
  return true;
}

void WorldBox::Merge(const WorldBox& other) {
  for (int i = 0; i < 3; ++i) {
    lo[i] = std::min(lo[i], other.lo[i]);
    hi[i] = std::max(hi[i], other.hi[i]);
  }
}

double WorldBox::Diagonal() const {
  return Empty() ? 0 : std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]);
}

ReportObject LoadReportObject(HostObject object, std::vector<CtsxVector3f>* kept) {
  ReportObject obj;
  const CtsxVector3f* vertices = obj.ReadShape(object);
  if (kept && kept->size() == static_cast<size_t>(obj.vertexCount)) {
    obj.world = std::move(*kept);
    obj.keptWorld = true;
    return obj;
  }
  obj.SetWorld(vertices);
  return obj;
}

CornerIndex TakeOrBuildIndex(const ReportObject& b, int32_t accuracy, SearchGeometry* kept) {
  if (kept && kept->indexB && b.keptWorld && kept->second == b.object && kept->indexAccuracy == accuracy) {
    CornerIndex index = std::move(*kept->indexB);
    kept->indexB.reset();
    return index;
  }
  return CornerIndex(b.world.data(), b.vertexCount, CoincidenceRadius(accuracy));
}

}  // namespace spl
