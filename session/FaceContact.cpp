// Candidate pairs come from a grid of the second object's face boxes near
// the first object; each pair's decisions are a distance to a plane in
// whole thousandths (as every distance of a join), the sign of the normals'
// dot product, and, for the overlap, exact orientation tests on the faces
// projected along the first face's main axis (dropping a coordinate keeps
// the corners' values exactly).
#include "session/FaceContact.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "engine/common/Coincidence.h"
#include "engine/common/FacePlane.h"
#include "engine/common/Thousandths.h"

namespace spl {
namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Point = Kernel::Point_2;

struct Plane {
  double n[3] = {0, 0, 0};
  double d = 0;
};

bool PlaneOf(const ReportObject& obj, const CtsxFace& face, Plane* plane) {
  return FacePlane(obj.world.data(), face, plane->n, &plane->d);
}

bool WithinPlane(const Plane& plane, const ReportObject& obj, const CtsxFace& face, int32_t accuracy) {
  for (int32_t i = 0; i < face.nbrCorners; ++i) {
    const CtsxVector3f& p = obj.Corner(face, i);
    const double distance = std::fabs(plane.n[0] * p.x + plane.n[1] * p.y + plane.n[2] * p.z - plane.d);
    const std::optional<int32_t> t = TryRoundToThousandths(distance);
    if (!t || *t > accuracy) return false;
  }
  return true;
}

std::vector<Point> Projected(const ReportObject& obj, const CtsxFace& face, int axis) {
  std::vector<Point> points;
  points.reserve(static_cast<size_t>(face.nbrCorners));
  for (int32_t i = 0; i < face.nbrCorners; ++i) {
    const CtsxVector3f& p = obj.Corner(face, i);
    if (axis == 0) points.emplace_back(p.y, p.z);
    else if (axis == 1) points.emplace_back(p.z, p.x);
    else points.emplace_back(p.x, p.y);
  }
  return points;
}

bool ProperlyCross(const Point& a, const Point& b, const Point& c, const Point& d) {
  return CGAL::orientation(a, b, c) * CGAL::orientation(a, b, d) < 0 &&
         CGAL::orientation(c, d, a) * CGAL::orientation(c, d, b) < 0;
}

// Inside the polygon and not on its border, by its winding number.
bool StrictlyInside(const Point& p, const std::vector<Point>& polygon) {
  int winding = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const Point& a = polygon[i];
    const Point& b = polygon[(i + 1) % polygon.size()];
    const CGAL::Orientation side = CGAL::orientation(a, b, p);
    if (side == CGAL::COLLINEAR && !(p < std::min(a, b)) && !(std::max(a, b) < p)) return false;  // on the edge
    if (a.y() <= p.y() && b.y() > p.y() && side == CGAL::LEFT_TURN) ++winding;
    if (b.y() <= p.y() && a.y() > p.y() && side == CGAL::RIGHT_TURN) --winding;
  }
  return winding != 0;
}

// A point strictly inside both proves that the areas overlap: the corners,
// the edges' midpoints and the fan triangles' centroids of each are tried,
// after the edges that cross.
bool AreasOverlap(const std::vector<Point>& p, const std::vector<Point>& q) {
  for (size_t i = 0; i < p.size(); ++i) {
    for (size_t j = 0; j < q.size(); ++j) {
      if (ProperlyCross(p[i], p[(i + 1) % p.size()], q[j], q[(j + 1) % q.size()])) return true;
    }
  }
  for (const auto* polygon : {&p, &q}) {
    const std::vector<Point>& own = *polygon;
    const std::vector<Point>& other = polygon == &p ? q : p;
    for (size_t i = 0; i < own.size(); ++i) {
      const Point& a = own[i];
      const Point& b = own[(i + 1) % own.size()];
      if (StrictlyInside(a, other)) return true;
      if (StrictlyInside(CGAL::midpoint(a, b), other)) return true;
      if (i >= 1 && i + 1 < own.size()) {
        const Point centroid = CGAL::centroid(own[0], a, b);
        if (StrictlyInside(centroid, own) && StrictlyInside(centroid, other)) return true;
      }
    }
  }
  return false;
}

int MainAxis(const Plane& plane) {
  const double x = std::fabs(plane.n[0]), y = std::fabs(plane.n[1]), z = std::fabs(plane.n[2]);
  return x >= y && x >= z ? 0 : (y >= z ? 1 : 2);
}

struct FaceBox {
  double lo[3];
  double hi[3];
};

FaceBox BoxOf(const ReportObject& obj, const CtsxFace& face, double reach) {
  FaceBox box{{HUGE_VAL, HUGE_VAL, HUGE_VAL}, {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL}};
  for (int32_t i = 0; i < face.nbrCorners; ++i) {
    const CtsxVector3f& p = obj.Corner(face, i);
    const double c[3] = {p.x, p.y, p.z};
    for (int k = 0; k < 3; ++k) {
      box.lo[k] = std::min(box.lo[k], c[k] - reach);
      box.hi[k] = std::max(box.hi[k], c[k] + reach);
    }
  }
  return box;
}

bool FiniteFace(const ReportObject& obj, const CtsxFace& face) {
  for (int32_t i = 0; i < face.nbrCorners; ++i) {
    if (!Finite(obj.Corner(face, i))) return false;
  }
  return face.nbrCorners >= 3;
}

// The second object's faces near the first, hashed by the cells of a grid
// their boxes cover; a face covering too many cells is tried everywhere.
class FaceGrid {
 public:
  FaceGrid(const ReportObject& b, const WorldBox& near, double reach) {
    double sum = 0;
    for (int32_t f = 0; f < b.faceCount; ++f) {
      if (!b.FaceValid(f) || !FiniteFace(b, b.Face(f))) continue;
      const FaceBox box = BoxOf(b, b.Face(f), reach);
      if (!Overlaps(box, near)) continue;
      faces_.push_back(f);
      boxes_.push_back(box);
      sum += std::max({box.hi[0] - box.lo[0], box.hi[1] - box.lo[1], box.hi[2] - box.lo[2]});
    }
    cell_ = faces_.empty() ? 1 : std::max(sum / static_cast<double>(faces_.size()), reach);
    for (size_t i = 0; i < faces_.size(); ++i) {
      int64_t lo[3], hi[3];
      if (!Cells(boxes_[i], lo, hi)) {
        everywhere_.push_back(static_cast<int32_t>(i));
        continue;
      }
      for (int64_t x = lo[0]; x <= hi[0]; ++x)
        for (int64_t y = lo[1]; y <= hi[1]; ++y)
          for (int64_t z = lo[2]; z <= hi[2]; ++z) cells_[Key(x, y, z)].push_back(static_cast<int32_t>(i));
    }
  }

  static bool Overlaps(const FaceBox& box, const WorldBox& other) {
    for (int k = 0; k < 3; ++k) {
      if (box.hi[k] < other.lo[k] || box.lo[k] > other.hi[k]) return false;
    }
    return true;
  }

  // Calls visit(face of b) for the faces whose boxes may meet `box`, each
  // once per call.
  template <typename Visit>
  void ForEachNear(const FaceBox& box, Visit&& visit) {
    ++round_;
    stamp_.resize(faces_.size(), 0);
    auto once = [&](int32_t i) {
      if (stamp_[static_cast<size_t>(i)] == round_) return;
      stamp_[static_cast<size_t>(i)] = round_;
      const FaceBox& other = boxes_[static_cast<size_t>(i)];
      for (int k = 0; k < 3; ++k) {
        if (other.hi[k] < box.lo[k] || other.lo[k] > box.hi[k]) return;
      }
      visit(faces_[static_cast<size_t>(i)]);
    };
    for (int32_t i : everywhere_) once(i);
    int64_t lo[3], hi[3];
    if (!Cells(box, lo, hi)) {
      for (size_t i = 0; i < faces_.size(); ++i) once(static_cast<int32_t>(i));
      return;
    }
    for (int64_t x = lo[0]; x <= hi[0]; ++x)
      for (int64_t y = lo[1]; y <= hi[1]; ++y)
        for (int64_t z = lo[2]; z <= hi[2]; ++z) {
          const auto it = cells_.find(Key(x, y, z));
          if (it == cells_.end()) continue;
          for (int32_t i : it->second) once(i);
        }
  }

 private:
  static constexpr int64_t kMostCells = 64;

  bool Cells(const FaceBox& box, int64_t* lo, int64_t* hi) const {
    int64_t count = 1;
    for (int k = 0; k < 3; ++k) {
      const double l = std::floor(box.lo[k] / cell_), h = std::floor(box.hi[k] / cell_);
      if (!(h - l < kMostCells) || !(std::fabs(l) < 1e15)) return false;
      lo[k] = static_cast<int64_t>(l);
      hi[k] = static_cast<int64_t>(h);
      count *= hi[k] - lo[k] + 1;
    }
    return count <= kMostCells;
  }
  static uint64_t Key(int64_t x, int64_t y, int64_t z) {
    return static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^
           static_cast<uint64_t>(z) * 0x165667B19E3779F9ull;
  }

  std::vector<int32_t> faces_;
  std::vector<FaceBox> boxes_;
  std::vector<int32_t> everywhere_;
  std::unordered_map<uint64_t, std::vector<int32_t>> cells_;
  std::vector<uint32_t> stamp_;
  uint32_t round_ = 0;
  double cell_ = 1;
};

}  // namespace

bool FacesLieOnEachOther(const ReportObject& a, const CtsxFace& fa, const ReportObject& b, const CtsxFace& fb,
                         int32_t accuracy) {
  if (!FiniteFace(a, fa) || !FiniteFace(b, fb)) return false;
  Plane pa, pb;
  if (!PlaneOf(a, fa, &pa) || !PlaneOf(b, fb, &pb)) return false;
  if (!(pa.n[0] * pb.n[0] + pa.n[1] * pb.n[1] + pa.n[2] * pb.n[2] < 0)) return false;
  if (!WithinPlane(pa, b, fb, accuracy) || !WithinPlane(pb, a, fa, accuracy)) return false;
  const int axis = MainAxis(pa);
  return AreasOverlap(Projected(a, fa, axis), Projected(b, fb, axis));
}

FaceContact FindFaceContact(const ReportObject& a, const ReportObject& b, int32_t accuracy, int64_t budget) {
  FaceContact contact;
  if (accuracy < 0) return contact;
  const double reach = CoincidenceRadius(accuracy);
  WorldBox nearB(b.world);
  for (int k = 0; k < 3; ++k) {
    nearB.lo[k] -= reach;
    nearB.hi[k] += reach;
  }
  WorldBox nearA(a.world);
  FaceGrid grid(b, nearA, reach);
  for (int32_t f = 0; f < a.faceCount; ++f) {
    if (!a.FaceValid(f) || !FiniteFace(a, a.Face(f))) continue;
    const CtsxFace& fa = a.Face(f);
    const FaceBox box = BoxOf(a, fa, reach);
    if (!FaceGrid::Overlaps(box, nearB)) continue;
    grid.ForEachNear(box, [&](int32_t g) {
      if (budget <= 0) return;
      const CtsxFace& fb = b.Face(g);
      budget -= int64_t{fa.nbrCorners} * fb.nbrCorners + fa.nbrCorners + fb.nbrCorners;
      if (!FacesLieOnEachOther(a, fa, b, fb, accuracy)) return;
      if (contact.facePairs++ == 0) {
        contact.faceA = f;
        contact.faceB = g;
      }
    });
    if (budget <= 0) {
      contact.complete = false;
      break;
    }
  }
  return contact;
}

}  // namespace spl
