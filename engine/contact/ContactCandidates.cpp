// The contact search. Faces are binned by their bounding boxes (inflated by
// the tolerance) in a uniform grid whose cell is about a typical face, the
// bins sorted, and each pair of faces of different objects that share a bin
// tested once, in the bin that holds the low corner of their boxes' overlap.
// A face far larger than the cell is tested against the others directly.
// The orientation decisions of the overlap test are CGAL's exact predicates
// on the projected doubles; a face that is not convex falls back to CGAL's
// exact polygon intersection.
#include "engine/contact/ContactCandidates.h"

#include <CGAL/Boolean_set_operations_2.h>
#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>
#include <CGAL/Polygon_with_holes_2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>

#include "engine/contact/SealedCheck.h"

namespace spl {
namespace {

using Epick = CGAL::Exact_predicates_inexact_constructions_kernel;
using Epeck = CGAL::Exact_predicates_exact_constructions_kernel;
using P2 = Epick::Point_2;

constexpr int64_t kBigFaceCells = 4096;  // a face binned in more cells is tested directly
constexpr int64_t kAxisCells = int64_t{1} << 20;
constexpr int64_t kChunk = 16384;

struct Box {
  double lo[3], hi[3];
  bool Overlaps(const Box& o) const {
    for (int k = 0; k < 3; ++k) {
      if (lo[k] > o.hi[k] || o.lo[k] > hi[k]) return false;
    }
    return true;
  }
};

Box FaceBox(const WorldObject& object, const CtsxFace& face, double grow) {
  Box box{{HUGE_VAL, HUGE_VAL, HUGE_VAL}, {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL}};
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    const CtsxVector3f& p = object.Corner(face, c);
    const double q[3] = {p.x, p.y, p.z};
    for (int k = 0; k < 3; ++k) {
      box.lo[k] = std::min(box.lo[k], q[k]);
      box.hi[k] = std::max(box.hi[k], q[k]);
    }
  }
  for (int k = 0; k < 3; ++k) {
    box.lo[k] -= grow;
    box.hi[k] += grow;
  }
  return box;
}

double PlaneDistance(const FacePlane& plane, const CtsxVector3f& p) {
  return std::fabs(plane.normal[0] * p.x + plane.normal[1] * p.y + plane.normal[2] * p.z - plane.offset);
}

// The corners projected along axis `drop`, kept in the face's order with
// repeated points left out.
std::vector<P2> Project(const WorldObject& object, const CtsxFace& face, int drop) {
  std::vector<P2> points;
  points.reserve(static_cast<size_t>(face.nbrCorners));
  const int u = (drop + 1) % 3, v = (drop + 2) % 3;
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    const CtsxVector3f& p = object.Corner(face, c);
    const double q[3] = {p.x, p.y, p.z};
    P2 point(q[u], q[v]);
    if (points.empty() || points.back() != point) points.push_back(point);
  }
  while (points.size() > 1 && points.front() == points.back()) points.pop_back();
  return points;
}

// +1 or -1 for a convex polygon turning that way at every corner (straight
// corners allowed), 0 otherwise (not convex, or no area).
int ConvexTurn(const std::vector<P2>& p) {
  const size_t n = p.size();
  if (n < 3) return 0;
  int turn = 0;
  for (size_t i = 0; i < n; ++i) {
    const CGAL::Orientation o = CGAL::orientation(p[(i + n - 1) % n], p[i], p[(i + 1) % n]);
    if (o == CGAL::COLLINEAR) continue;
    const int s = o == CGAL::LEFT_TURN ? 1 : -1;
    if (turn == 0) turn = s;
    if (s != turn) return 0;
  }
  return turn;
}

// Some edge of `p` (counter-clockwise) has all of `q` on or right of it.
bool SeparatedBy(const std::vector<P2>& p, const std::vector<P2>& q) {
  for (size_t i = 0; i < p.size(); ++i) {
    const P2& a = p[i];
    const P2& b = p[(i + 1) % p.size()];
    if (a == b) continue;
    bool all = true;
    for (const P2& x : q) {
      if (CGAL::orientation(a, b, x) == CGAL::LEFT_TURN) {
        all = false;
        break;
      }
    }
    if (all) return true;
  }
  return false;
}

CGAL::Polygon_2<Epeck> ExactPolygon(const std::vector<P2>& p) {
  CGAL::Polygon_2<Epeck> polygon;
  for (const P2& x : p) polygon.push_back(Epeck::Point_2(x.x(), x.y()));
  return polygon;
}

// Interiors overlap: exact for simple polygons; a polygon that is not simple
// is taken as touching nothing.
bool InteriorsOverlap(std::vector<P2> p, std::vector<P2> q) {
  const int tp = ConvexTurn(p), tq = ConvexTurn(q);
  if (tp != 0 && tq != 0) {
    if (tp < 0) std::reverse(p.begin(), p.end());
    if (tq < 0) std::reverse(q.begin(), q.end());
    return !SeparatedBy(p, q) && !SeparatedBy(q, p);
  }
  CGAL::Polygon_2<Epeck> a = ExactPolygon(p), b = ExactPolygon(q);
  if (a.size() < 3 || b.size() < 3 || !a.is_simple() || !b.is_simple()) return false;
  if (a.orientation() == CGAL::COLLINEAR || b.orientation() == CGAL::COLLINEAR) return false;
  if (a.orientation() == CGAL::CLOCKWISE) a.reverse_orientation();
  if (b.orientation() == CGAL::CLOCKWISE) b.reverse_orientation();
  std::vector<CGAL::Polygon_with_holes_2<Epeck>> parts;
  CGAL::intersection(a, b, std::back_inserter(parts));
  for (const auto& part : parts) {
    if (part.outer_boundary().area() != 0) return true;
  }
  return false;
}

int DominantAxis(const FacePlane& plane) {
  int drop = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(plane.normal[k]) > std::fabs(plane.normal[drop])) drop = k;
  }
  return drop;
}

struct Entry {
  uint64_t cell;
  uint32_t face;  // into the list of binned faces
  bool operator<(const Entry& o) const { return cell < o.cell || (cell == o.cell && face < o.face); }
};

struct Binned {
  uint32_t object;
  int32_t face;
  Box box;
};

class Search {
 public:
  Search(const std::vector<const WorldObject*>& objects, double tolerance, ContactProgress& progress,
         std::vector<ShapeMeasure>* measures)
      : objects_(objects), tolerance_(tolerance), progress_(progress), measures_(measures) {}

  bool Run(std::vector<FaceContact>* out);
  const std::string& Crowded() const { return crowded_; }

 private:
  bool Collect();
  void ChooseGrid();
  bool Bin();
  bool TestBins();
  bool TestBig();
  void Test(uint32_t i, uint32_t j);
  std::array<int64_t, 3> CellOf(const double* p) const {
    std::array<int64_t, 3> c{};
    for (int k = 0; k < 3; ++k) {
      c[k] = std::clamp<int64_t>(static_cast<int64_t>(std::floor((p[k] - origin_[k]) / cell_)), 0, kAxisCells - 1);
    }
    return c;
  }
  static uint64_t Key(const std::array<int64_t, 3>& c) {
    return uint64_t(c[0]) << 42 | uint64_t(c[1]) << 21 | uint64_t(c[2]);
  }
  bool Tick(int64_t steps) {
    pending_ += steps;
    if (pending_ < kChunk) return true;
    const int64_t n = pending_;
    pending_ = 0;
    return progress_.Advance(n);
  }

  const std::vector<const WorldObject*>& objects_;
  double tolerance_;
  ContactProgress& progress_;
  std::vector<ShapeMeasure>* measures_;
  int64_t pending_ = 0;
  std::vector<Binned> faces_;
  std::vector<FacePlane> planes_;
  std::vector<uint32_t> big_;
  std::vector<Entry> entries_;
  double origin_[3] = {};
  double cell_ = 1;
  std::vector<FaceContact> found_;
  int64_t pairBudget_ = 0;
  std::string crowded_;
};

bool Search::Run(std::vector<FaceContact>* out) {
  if (!Collect()) return false;
  ChooseGrid();
  if (!Bin() || !TestBins() || !TestBig()) return false;
  std::sort(found_.begin(), found_.end(), [](const FaceContact& a, const FaceContact& b) {
    return std::tie(a.objectA, a.faceA, a.objectB, a.faceB) < std::tie(b.objectA, b.faceA, b.objectB, b.faceB);
  });
  found_.erase(std::unique(found_.begin(), found_.end(),
                           [](const FaceContact& a, const FaceContact& b) {
                             return a.objectA == b.objectA && a.faceA == b.faceA && a.objectB == b.objectB &&
                                    a.faceB == b.faceB;
                           }),
               found_.end());
  *out = std::move(found_);
  return progress_.Advance(pending_);
}

// The faces that may touch another object: with few objects, only those
// whose box meets another object's box (two large objects meeting at one
// end test only that end).
bool Search::Collect() {
  const size_t n = objects_.size();
  std::vector<Box> whole(n);
  for (size_t o = 0; o < n; ++o) {
    Box& b = whole[o];
    b = Box{{HUGE_VAL, HUGE_VAL, HUGE_VAL}, {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL}};
    for (const CtsxVector3f& p : objects_[o]->world) {
      const double q[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) {
        b.lo[k] = std::min(b.lo[k], q[k] - tolerance_);
        b.hi[k] = std::max(b.hi[k], q[k] + tolerance_);
      }
    }
    if (!Tick(objects_[o]->vertexCount)) return false;
  }
  const bool prune = n <= 8;
  if (measures_) measures_->assign(n, ShapeMeasure{});
  for (size_t o = 0; o < n; ++o) {
    const WorldObject& object = *objects_[o];
    const double origin[3] = {MeasureOrigin(object, 0), MeasureOrigin(object, 1), MeasureOrigin(object, 2)};
    for (int32_t f = 0; f < object.faceCount; ++f) {
      // Measured in the same pass, while its corners are at hand.
      if (measures_) MeasureFace(object, object.faces[f], origin, &(*measures_)[o]);
      if (!object.FaceValid(f) || object.Face(f).nbrCorners < 3) continue;
      const Box box = FaceBox(object, object.Face(f), tolerance_);
      if (!std::isfinite(box.lo[0] + box.lo[1] + box.lo[2] + box.hi[0] + box.hi[1] + box.hi[2])) continue;
      if (prune) {
        bool near = false;
        for (size_t other = 0; other < n && !near; ++other) near = other != o && box.Overlaps(whole[other]);
        if (!near) continue;
      }
      faces_.push_back({static_cast<uint32_t>(o), f, box});
    }
    if (!Tick(object.faceCount)) return false;
  }
  planes_.resize(faces_.size());
  for (size_t i = 0; i < faces_.size(); ++i) {
    const Binned& b = faces_[i];
    planes_[i] = PlaneOf(*objects_[b.object], objects_[b.object]->Face(b.face));
  }
  return true;
}

// A cell about the median face's largest extent, and never so small that
// an axis needs more cells than a key holds.
void Search::ChooseGrid() {
  if (faces_.empty()) return;
  double hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  for (int k = 0; k < 3; ++k) origin_[k] = HUGE_VAL;
  std::vector<double> extents;
  extents.reserve(faces_.size());
  for (const Binned& b : faces_) {
    double e = 0;
    for (int k = 0; k < 3; ++k) {
      origin_[k] = std::min(origin_[k], b.box.lo[k]);
      hi[k] = std::max(hi[k], b.box.hi[k]);
      e = std::max(e, b.box.hi[k] - b.box.lo[k]);
    }
    extents.push_back(e);
  }
  const auto middle = extents.begin() + static_cast<std::ptrdiff_t>(extents.size() / 2);
  std::nth_element(extents.begin(), middle, extents.end());
  cell_ = *middle;
  for (int k = 0; k < 3; ++k) cell_ = std::max(cell_, (hi[k] - origin_[k]) / double(kAxisCells - 2));
  if (!(cell_ > 0) || !std::isfinite(cell_)) cell_ = 1;
}

bool Search::Bin() {
  for (uint32_t i = 0; i < faces_.size(); ++i) {
    const auto lo = CellOf(faces_[i].box.lo), hi = CellOf(faces_[i].box.hi);
    const int64_t cells = (hi[0] - lo[0] + 1) * (hi[1] - lo[1] + 1) * (hi[2] - lo[2] + 1);
    if (cells > kBigFaceCells) {
      big_.push_back(i);
      continue;
    }
    for (int64_t x = lo[0]; x <= hi[0]; ++x)
      for (int64_t y = lo[1]; y <= hi[1]; ++y)
        for (int64_t z = lo[2]; z <= hi[2]; ++z) entries_.push_back({Key({x, y, z}), i});
    if (!Tick(1)) return false;
  }
  std::sort(entries_.begin(), entries_.end());
  return true;
}

bool Search::TestBins() {
  pairBudget_ = kPairsPerFace * int64_t(faces_.size() + 1024);
  for (size_t begin = 0; begin < entries_.size();) {
    size_t end = begin + 1;
    while (end < entries_.size() && entries_[end].cell == entries_[begin].cell) ++end;
    // The cell's pairs of different objects, counted per object before
    // any is tested.
    std::vector<std::pair<uint32_t, int64_t>> perObject;
    for (size_t x = begin; x < end; ++x) {
      const uint32_t o = faces_[entries_[x].face].object;
      if (perObject.empty() || perObject.back().first != o) {
        perObject.push_back({o, 0});
      }
      ++perObject.back().second;
    }
    int64_t pairs = 0, seen = 0;
    for (const auto& [o, n] : perObject) seen += n;
    for (const auto& [o, n] : perObject) pairs += n * (seen - n);
    pairBudget_ -= pairs / 2;
    if (pairBudget_ < 0) {
      const Binned& at = faces_[entries_[begin].face];
      crowded_ = "the accuracy is coarse for the faces here: more face pairs of different objects lie within it "
                 "of each other than the join tests for so many faces (" +
                 std::to_string(int64_t(end - begin)) + " faces in one cell around " +
                 PositionText(objects_[at.object]->Corner(objects_[at.object]->Face(at.face), 0)) + ")";
      return false;
    }
    for (size_t x = begin; x < end; ++x) {
      for (size_t y = x + 1; y < end; ++y) {
        const uint32_t i = entries_[x].face, j = entries_[y].face;
        if (faces_[i].object == faces_[j].object || !faces_[i].box.Overlaps(faces_[j].box)) continue;
        // Tested once: in the cell of the low corner of the boxes' overlap.
        double corner[3];
        for (int k = 0; k < 3; ++k) corner[k] = std::max(faces_[i].box.lo[k], faces_[j].box.lo[k]);
        if (Key(CellOf(corner)) != entries_[begin].cell) continue;
        Test(i, j);
      }
    }
    if (!Tick(int64_t(end - begin))) return false;
    begin = end;
  }
  return true;
}

bool Search::TestBig() {
  pairBudget_ -= int64_t(big_.size()) * int64_t(faces_.size());
  if (!big_.empty() && pairBudget_ < 0) {
    const Binned& at = faces_[big_.front()];
    crowded_ = "the accuracy is coarse for the faces here: " + std::to_string(big_.size()) +
               " faces reach across more of the others than the join tests for so many faces (the first at " +
               PositionText(objects_[at.object]->Corner(objects_[at.object]->Face(at.face), 0)) + ")";
    return false;
  }
  for (const uint32_t i : big_) {
    for (uint32_t j = 0; j < faces_.size(); ++j) {
      if (faces_[i].object == faces_[j].object || !faces_[i].box.Overlaps(faces_[j].box)) continue;
      // Two big faces meet here once, from the lower one.
      if (j < i && std::binary_search(big_.begin(), big_.end(), j)) continue;
      Test(i, j);
    }
    if (!Tick(int64_t(faces_.size()))) return false;
  }
  return true;
}

void Search::Test(uint32_t i, uint32_t j) {
  if (faces_[i].object > faces_[j].object) std::swap(i, j);
  const Binned& a = faces_[i];
  const Binned& b = faces_[j];
  const WorldObject& oa = *objects_[a.object];
  const WorldObject& ob = *objects_[b.object];
  if (FacesTouch(oa, oa.Face(a.face), planes_[i], ob, ob.Face(b.face), planes_[j], tolerance_)) {
    found_.push_back({a.object, a.face, b.object, b.face});
  }
}

}  // namespace

FacePlane PlaneOf(const WorldObject& object, const CtsxFace& face) {
  FacePlane plane;
  if (face.nbrCorners < 3 || !object.CornersValid(face)) return plane;
  double n[3] = {0, 0, 0}, centre[3] = {0, 0, 0};
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    const CtsxVector3f& p = object.Corner(face, c);
    const CtsxVector3f& q = object.Corner(face, (c + 1) % face.nbrCorners);
    n[0] += (double(p.y) - q.y) * (double(p.z) + q.z);
    n[1] += (double(p.z) - q.z) * (double(p.x) + q.x);
    n[2] += (double(p.x) - q.x) * (double(p.y) + q.y);
    centre[0] += p.x;
    centre[1] += p.y;
    centre[2] += p.z;
  }
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(length > 0) || !std::isfinite(length)) return plane;
  plane.area = length / 2;
  for (int k = 0; k < 3; ++k) {
    plane.normal[k] = n[k] / length;
    centre[k] /= face.nbrCorners;
  }
  plane.offset = plane.normal[0] * centre[0] + plane.normal[1] * centre[1] + plane.normal[2] * centre[2];
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    plane.flatness = std::max(plane.flatness, PlaneDistance(plane, object.Corner(face, c)));
  }
  plane.valid = true;
  return plane;
}

bool FacesTouch(const WorldObject& a, const CtsxFace& fa, const FacePlane& pa, const WorldObject& b,
                const CtsxFace& fb, const FacePlane& pb, double tolerance) {
  if (!pa.valid || !pb.valid) return false;
  const double dot = pa.normal[0] * pb.normal[0] + pa.normal[1] * pb.normal[1] + pa.normal[2] * pb.normal[2];
  if (!(dot < 0)) return false;
  for (int32_t c = 0; c < fb.nbrCorners; ++c) {
    if (!(PlaneDistance(pa, b.Corner(fb, c)) <= tolerance + pa.flatness)) return false;
  }
  for (int32_t c = 0; c < fa.nbrCorners; ++c) {
    if (!(PlaneDistance(pb, a.Corner(fa, c)) <= tolerance + pb.flatness)) return false;
  }
  const int drop = DominantAxis(pa);
  return InteriorsOverlap(Project(a, fa, drop), Project(b, fb, drop));
}

Overlap OverlapOf(const WorldObject& a, const CtsxFace& fa, const FacePlane& pa, const WorldObject& b,
                  const CtsxFace& fb) {
  Overlap overlap;
  if (!pa.valid) return overlap;
  const int drop = DominantAxis(pa);
  CGAL::Polygon_2<Epeck> p = ExactPolygon(Project(a, fa, drop)), q = ExactPolygon(Project(b, fb, drop));
  if (p.size() < 3 || q.size() < 3 || !p.is_simple() || !q.is_simple()) return overlap;
  if (p.orientation() == CGAL::COLLINEAR || q.orientation() == CGAL::COLLINEAR) return overlap;
  if (p.orientation() == CGAL::CLOCKWISE) p.reverse_orientation();
  if (q.orientation() == CGAL::CLOCKWISE) q.reverse_orientation();
  std::vector<CGAL::Polygon_with_holes_2<Epeck>> parts;
  CGAL::intersection(p, q, std::back_inserter(parts));
  const auto length = [](const CGAL::Polygon_2<Epeck>& polygon) {
    double sum = 0;
    for (auto e = polygon.edges_begin(); e != polygon.edges_end(); ++e) {
      sum += std::sqrt(CGAL::to_double(e->squared_length()));
    }
    return sum;
  };
  for (const auto& part : parts) {
    overlap.area += CGAL::to_double(part.outer_boundary().area());
    overlap.perimeter += length(part.outer_boundary());
    for (auto hole = part.holes_begin(); hole != part.holes_end(); ++hole) {
      overlap.area -= std::fabs(CGAL::to_double(hole->area()));
      overlap.perimeter += length(*hole);
    }
  }
  overlap.area /= std::fabs(pa.normal[drop]);
  return overlap;
}

double MeasureOrigin(const WorldObject& object, int axis) {
  if (object.vertexCount == 0) return 0;
  const CtsxVector3f& p = object.World(0);
  return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

std::vector<FaceContact> FindContacts(const std::vector<const WorldObject*>& objects, double tolerance,
                                      ContactProgress& progress, std::string* crowded,
                                      std::vector<ShapeMeasure>* measures) {
  std::vector<FaceContact> found;
  Search search(objects, tolerance, progress, measures);
  if (!search.Run(&found)) found.clear();
  if (crowded) *crowded = search.Crowded();
  return found;
}

int64_t ContactSearchSteps(const std::vector<const WorldObject*>& objects) {
  int64_t steps = 0;
  for (const WorldObject* o : objects) steps += int64_t{o->vertexCount} + 3 * int64_t{o->faceCount};
  return steps;
}

}  // namespace spl
