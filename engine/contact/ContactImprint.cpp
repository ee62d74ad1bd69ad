// The imprint of a partial contact. Both sides' edges (as the snapping left
// them: polylines through the points put into them) go into one CGAL
// arrangement with exact constructions; each face is then flooded from its
// own edges to find the arrangement's faces it covers, so every bounded
// face of the arrangement knows which face of each side lies over it. A
// face of either side keeps what the other side does not cover: all of it,
// none, or a remainder, which a constrained triangulation of its boundary
// cuts into triangles merged back into convex polygons (the boundary's
// points all stay corners, so no edge ends in the middle of another).
#include "engine/contact/ContactImprint.h"

#include <CGAL/Arr_extended_dcel.h>
#include <CGAL/Arr_segment_traits_2.h>
#include <CGAL/Arrangement_2.h>
#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <map>
#include <numeric>
#include <optional>
#include <set>

#include "engine/contact/ContactCandidates.h"
#include "engine/contact/ContactOutline.h"
#include "engine/contact/SealedCheck.h"

namespace spl {
namespace {

using K = CGAL::Exact_predicates_exact_constructions_kernel;
using P2 = K::Point_2;
using Traits = CGAL::Arr_segment_traits_2<K>;
struct Cover {
  int32_t face[2] = {-1, -1};  // the face of each side over this one, or -1
};
// Vertex data: the point's id (-1 until known); halfedge data: the stamp of
// the face whose boundary it is being walked for.
using Dcel = CGAL::Arr_extended_dcel<Traits, ImprintId, int64_t, Cover>;
using Arr = CGAL::Arrangement_2<Traits, Dcel>;
using Halfedge = Arr::Halfedge_handle;
using ArrFace = Arr::Face_handle;
using ArrVertex = Arr::Vertex_handle;

struct TriangleInfo {
  int nesting = -1;
  int index = -1;
};
using Vb = CGAL::Triangulation_vertex_base_with_info_2<ImprintId, K>;
using Fb = CGAL::Constrained_triangulation_face_base_2<K, CGAL::Triangulation_face_base_with_info_2<TriangleInfo, K>>;
using Tds = CGAL::Triangulation_data_structure_2<Vb, Fb>;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<K, Tds, CGAL::No_constraint_intersection_tag>;

struct LessXY {
  bool operator()(const P2& p, const P2& q) const { return CGAL::compare_xy(p, q) == CGAL::SMALLER; }
};

struct Vec3 {
  double x, y, z;
};
Vec3 V(const CtsxVector3f& p) { return {p.x, p.y, p.z}; }
Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double DistanceToLine(const Vec3& q, const Vec3& p0, const Vec3& p1) {
  const Vec3 d = Sub(p1, p0);
  const double len2 = Dot(d, d);
  const double t = len2 > 0 ? Dot(Sub(q, p0), d) / len2 : 0;
  const Vec3 r = Sub(q, {p0.x + t * d.x, p0.y + t * d.y, p0.z + t * d.z});
  return std::sqrt(Dot(r, r));
}

using Edge = std::pair<int32_t, int32_t>;  // lo < hi, one side's vertex numbers

// What is left of a face is merged past convex pieces only when they are
// more than this many.
constexpr size_t kFewPieces = 4;

class Imprinter {
 public:
  Imprinter(const WorldObject& a, const std::vector<int32_t>& facesA, const WorldObject& b,
            const std::vector<int32_t>& facesB, double tolerance, bool snap, Imprint* out)
      : shape_{&a, &b}, faces_{&facesA, &facesB}, tolerance_(tolerance), snapFirst_(snap), out_(out) {}
  bool Run();

 private:
  bool Fail(std::string why) {
    out_->why = std::move(why);
    return false;
  }
  ImprintId Id(int side, int32_t v) const {
    if (side == 0) return v;
    const auto it = onto_.find(v);
    return it != onto_.end() ? ImprintId{it->second} : shape_[0]->vertexCount + ImprintId{v};
  }
  ImprintId NewBase() const { return ImprintId{shape_[0]->vertexCount} + shape_[1]->vertexCount; }
  Vec3 Position(ImprintId p) const {
    if (p < shape_[0]->vertexCount) return V(shape_[0]->World(int32_t(p)));
    if (p < NewBase()) return V(shape_[1]->World(int32_t(p - shape_[0]->vertexCount)));
    return V(out_->points[size_t(p - NewBase())]);
  }
  P2 Flat(const Vec3& p) const {
    const double q[3] = {p.x, p.y, p.z};
    return P2(q[(drop_ + 1) % 3], q[(drop_ + 2) % 3]);
  }
  std::string Where(int side, int32_t face) const {
    const CtsxFace& f = shape_[side]->Face(face);
    return (side == 0 ? "the first object's face " : "the second object's face ") + std::to_string(face) +
           " at " + PositionText(shape_[side]->Corner(f, 0));
  }
  void WeldCoinciding();
  bool Chains();
  bool Arrange();
  bool Walk(ImprintId from, ImprintId to, std::vector<Halfedge>* path);
  bool PlaceNewPoints();
  bool Flood(int side, int32_t face, int64_t stamp);
  bool Cut(int side, int32_t face);
  std::vector<ImprintId> Loop(int side, int32_t face) const;
  CornerBlend Blend(int side, int32_t face, ImprintId p) const;
  void Corners(int side, int32_t face, const std::vector<ImprintId>& polygon, ImprintPiece* piece) const;

  const WorldObject* shape_[2];
  const std::vector<int32_t>* faces_[2];
  double tolerance_;
  bool snapFirst_;  // weld and split within the tolerance first, or only where points coincide in the plane
  Imprint* out_;
  int drop_ = 0;
  OutlineJoin snap_;
  std::map<int32_t, int32_t> onto_;
  std::map<Edge, std::vector<ImprintId>> chains_[2];  // each edge from lo to hi, through its snapped points
  std::map<ImprintId, P2> flat_;                      // every point of the arrangement
  std::map<ImprintId, ArrVertex> vertexOf_;
  std::map<int32_t, int> turn_[2];                    // per face: +1 counter-clockwise in the plane, -1 not
  std::multimap<ImprintId, Edge> edgesOf_[2];         // the edges each point was put into
  Arr arr_;
};

bool Imprinter::Run() {
  const FacePlane plane = PlaneOf(*shape_[0], shape_[0]->Face(faces_[0]->front()));
  if (!plane.valid) return Fail(Where(0, faces_[0]->front()) + " has no plane");
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(plane.normal[k]) > std::fabs(plane.normal[drop_])) drop_ = k;
  }
  if (snapFirst_) {
    SnapOutline(*shape_[0], *faces_[0], *shape_[1], *faces_[1], tolerance_, &snap_);
  } else {
    WeldCoinciding();
  }
  out_->welds = snap_.welds;
  onto_.insert(snap_.welds.begin(), snap_.welds.end());
  out_->largestWeld = snap_.largestWeld;
  out_->largestBend = snap_.largestBend;
  // How far the region's corners lie off one plane: the two sides are
  // joined as one surface, which moves them by up to that.
  for (int side = 0; side < 2; ++side) {
    for (const int32_t f : *faces_[side]) {
      const CtsxFace& face = shape_[side]->Face(f);
      for (int32_t c = 0; c < face.nbrCorners; ++c) {
        const CtsxVector3f& p = shape_[side]->Corner(face, c);
        const double off = plane.normal[0] * p.x + plane.normal[1] * p.y + plane.normal[2] * p.z - plane.offset;
        out_->largestBend = std::max(out_->largestBend, std::fabs(off));
      }
    }
  }
  if (!Chains() || !Arrange() || !PlaceNewPoints()) return false;
  for (const ImprintEdgePoint& p : out_->inserts) edgesOf_[p.side].emplace(p.point, Edge{p.lo, p.hi});
  int64_t stamp = 0;
  for (int side = 0; side < 2; ++side) {
    for (const int32_t f : *faces_[side]) {
      if (!Flood(side, f, ++stamp)) return false;
    }
  }
  // What each face keeps.
  std::map<int32_t, std::array<bool, 2>> state[2];  // per face: {covered somewhere, left somewhere}
  for (auto f = arr_.faces_begin(); f != arr_.faces_end(); ++f) {
    for (int side = 0; side < 2; ++side) {
      if (f->data().face[side] < 0) continue;
      std::array<bool, 2>& s = state[side][f->data().face[side]];
      (f->data().face[1 - side] >= 0 ? s[0] : s[1]) = true;
    }
  }
  for (int side = 0; side < 2; ++side) {
    for (const auto& [face, s] : state[side]) {
      if (!s[1]) {
        out_->dropped[side].push_back(face);
      } else if (s[0]) {
        out_->rebuilt[side].push_back(face);
        if (!Cut(side, face)) return false;
      }
    }
  }
  return true;
}

// Without snapping, a corner of the second side welds only onto a corner of
// the first that projects onto the same point of the plane (and lies within
// the tolerance of it); everything else is left to the arrangement.
void Imprinter::WeldCoinciding() {
  std::map<P2, int32_t, LessXY> first;
  std::set<int32_t> seen;
  for (const int32_t f : *faces_[0]) {
    const CtsxFace& face = shape_[0]->Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const int32_t v = face.corners[c].vindex;
      first.emplace(Flat(V(shape_[0]->World(v))), v);
    }
  }
  for (const int32_t f : *faces_[1]) {
    const CtsxFace& face = shape_[1]->Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const int32_t w = face.corners[c].vindex;
      const auto it = first.find(Flat(V(shape_[1]->World(w))));
      if (it == first.end() || !seen.insert(w).second) continue;
      const Vec3 d = Sub(V(shape_[1]->World(w)), V(shape_[0]->World(it->second)));
      const double distance = std::sqrt(Dot(d, d));
      if (!(distance <= tolerance_)) continue;
      snap_.welds.push_back({w, it->second});
      snap_.largestWeld = std::max(snap_.largestWeld, distance);
    }
  }
}

// Each edge of the region's faces as a chain from its lower numbered end to
// the higher, through the points the snapping put into it.
bool Imprinter::Chains() {
  std::map<Edge, std::vector<std::pair<double, ImprintId>>> along[2];
  for (const EdgePoint& p : snap_.points) along[p.side][{p.lo, p.hi}].push_back({p.t, Id(p.pointSide, p.point)});
  for (int side = 0; side < 2; ++side) {
    const WorldObject& shape = *shape_[side];
    for (const int32_t f : *faces_[side]) {
      const CtsxFace& face = shape.Face(f);
      for (int32_t c = 0; c < face.nbrCorners; ++c) {
        const int32_t u = face.corners[c].vindex, w = face.corners[(c + 1) % face.nbrCorners].vindex;
        const Edge e{std::min(u, w), std::max(u, w)};
        if (u == w || chains_[side].count(e)) continue;
        std::vector<ImprintId>& chain = chains_[side][e];
        chain.push_back(Id(side, e.first));
        std::vector<std::pair<double, ImprintId>>& points = along[side][e];
        std::sort(points.begin(), points.end());
        for (const auto& [t, p] : points) chain.push_back(p);
        chain.push_back(Id(side, e.second));
      }
    }
  }
  return true;
}

bool Imprinter::Arrange() {
  std::map<P2, ImprintId, LessXY> at;
  std::vector<Traits::Curve_2> curves;
  std::map<std::pair<ImprintId, ImprintId>, bool> seen;
  for (int side = 0; side < 2; ++side) {
    for (const auto& [edge, chain] : chains_[side]) {
      for (size_t k = 0; k + 1 < chain.size(); ++k) {
        ImprintId p = chain[k], q = chain[k + 1];
        for (const ImprintId x : {p, q}) {
          if (flat_.count(x)) continue;
          const P2 point = Flat(Position(x));
          const auto [it, fresh] = at.emplace(point, x);
          if (!fresh && it->second != x) {
            return Fail("two corners of the contact lie at one place in its plane but not within the accuracy, at " +
                        PositionText(CtsxVector3f{float(Position(x).x), float(Position(x).y), float(Position(x).z)}));
          }
          flat_.emplace(x, point);
        }
        if (p == q) continue;
        if (p > q) std::swap(p, q);
        if (!seen.emplace(std::pair{p, q}, true).second) continue;
        curves.emplace_back(flat_.at(p), flat_.at(q));
      }
    }
  }
  CGAL::insert(arr_, curves.begin(), curves.end());
  for (auto v = arr_.vertices_begin(); v != arr_.vertices_end(); ++v) {
    const auto it = at.find(v->point());
    v->set_data(it != at.end() ? it->second : ImprintId{-1});
    if (it != at.end()) vertexOf_[it->second] = v;
  }
  for (auto h = arr_.halfedges_begin(); h != arr_.halfedges_end(); ++h) h->set_data(0);
  return true;
}

// The halfedges from `from` to `to` along their segment, in order.
bool Imprinter::Walk(ImprintId from, ImprintId to, std::vector<Halfedge>* path) {
  path->clear();
  const auto start = vertexOf_.find(from), end = vertexOf_.find(to);
  if (start == vertexOf_.end() || end == vertexOf_.end()) return false;
  const P2& goal = end->second->point();
  ArrVertex at = start->second;
  while (at != end->second) {
    Halfedge next;
    bool found = false;
    auto around = at->incident_halfedges();  // into `at`
    const auto first = around;
    do {
      const Halfedge out = around->twin();
      const P2& t = out->target()->point();
      if (CGAL::collinear(at->point(), t, goal) && CGAL::collinear_are_ordered_along_line(at->point(), t, goal)) {
        next = out;
        found = true;
        break;
      }
    } while (++around != first);
    if (!found || path->size() > arr_.number_of_halfedges()) return false;
    path->push_back(next);
    at = next->target();
  }
  return true;
}

// The points where edges cross, made once: on the edge of the first side
// they lie on, at the place along it the exact crossing gives, rounded once.
// Every point met inside an edge goes into that edge.
bool Imprinter::PlaceNewPoints() {
  std::vector<Halfedge> path;
  for (int side = 0; side < 2; ++side) {
    const WorldObject& shape = *shape_[side];
    for (const auto& [edge, chain] : chains_[side]) {
      const Vec3 lo = V(shape.World(edge.first)), hi = V(shape.World(edge.second));
      const Vec3 d = Sub(hi, lo);
      const double len2 = Dot(d, d);
      std::vector<ImprintEdgePoint> points;
      for (size_t k = 0; k + 1 < chain.size(); ++k) {
        if (chain[k] == chain[k + 1]) continue;
        if (!Walk(chain[k], chain[k + 1], &path)) {
          return Fail("an edge of " + Where(side, (*faces_[side])[0]) + " is lost in the contact's plane");
        }
        const Vec3 p = Position(chain[k]), q = Position(chain[k + 1]);
        const P2& fp = flat_.at(chain[k]);
        const P2& fq = flat_.at(chain[k + 1]);
        for (size_t h = 0; h < path.size(); ++h) {
          const ArrVertex v = path[h]->target();
          if (v->data() < 0) {
            const K::Vector_2 along = fq - fp;
            const double t = CGAL::to_double(((v->point() - fp) * along) / (along * along));
            const CtsxVector3f made{float(p.x + t * (q.x - p.x)), float(p.y + t * (q.y - p.y)),
                                    float(p.z + t * (q.z - p.z))};
            // Every crossing with an edge of the first side was made on it.
            if (side == 1) {
              return Fail("two edges of the second object cross each other in the contact's plane (its faces there "
                          "fold over each other), at " + PositionText(made));
            }
            v->set_data(NewBase() + ImprintId(out_->points.size()));
            out_->points.push_back(made);
            vertexOf_[v->data()] = v;
            flat_.emplace(v->data(), v->point());
            const Vec3 exact{p.x + t * (q.x - p.x), p.y + t * (q.y - p.y), p.z + t * (q.z - p.z)};
            const Vec3 off = Sub(V(made), exact);
            out_->largestBend = std::max(out_->largestBend, std::sqrt(Dot(off, off)));
          } else if (side == 1 && v->data() >= NewBase()) {
            out_->largestBend = std::max(out_->largestBend, DistanceToLine(Position(v->data()), p, q));
          }
          if (h + 1 < path.size() || k + 2 < chain.size()) {
            const ImprintId id = v->data();
            const double t = len2 > 0 ? Dot(Sub(Position(id), lo), d) / len2 : 0;
            points.push_back({side, edge.first, edge.second, id, t});
          }
        }
      }
      out_->inserts.insert(out_->inserts.end(), points.begin(), points.end());
    }
  }
  return true;
}

// The face's outline as points, in its own order.
std::vector<ImprintId> Imprinter::Loop(int side, int32_t face) const {
  const CtsxFace& f = shape_[side]->Face(face);
  std::vector<ImprintId> loop;
  for (int32_t c = 0; c < f.nbrCorners; ++c) {
    const int32_t u = f.corners[c].vindex, w = f.corners[(c + 1) % f.nbrCorners].vindex;
    if (u == w) continue;
    const std::vector<ImprintId>& chain = chains_[side].at({std::min(u, w), std::max(u, w)});
    if (u < w) {
      loop.insert(loop.end(), chain.begin(), chain.end() - 1);
    } else {
      loop.insert(loop.end(), chain.rbegin(), chain.rend() - 1);
    }
  }
  loop.erase(std::unique(loop.begin(), loop.end()), loop.end());
  while (loop.size() > 1 && loop.front() == loop.back()) loop.pop_back();
  return loop;
}

// Marks the arrangement's faces inside face `face` of `side`: from the inner
// side of its outline, across any edge that is not its own.
bool Imprinter::Flood(int side, int32_t face, int64_t stamp) {
  const std::vector<ImprintId> loop = Loop(side, face);
  K::FT twice = 0;
  for (size_t k = 0; k < loop.size(); ++k) {
    const P2& p = flat_.at(loop[k]);
    const P2& q = flat_.at(loop[(k + 1) % loop.size()]);
    twice += p.x() * q.y() - q.x() * p.y();
  }
  const CGAL::Sign turn = CGAL::sign(twice);
  if (turn == CGAL::ZERO) return Fail(Where(side, face) + " has no area in the contact's plane");
  turn_[side][face] = turn == CGAL::POSITIVE ? 1 : -1;
  std::deque<ArrFace> queue;
  std::vector<Halfedge> path;
  for (size_t k = 0; k < loop.size(); ++k) {
    if (!Walk(loop[k], loop[(k + 1) % loop.size()], &path)) {
      return Fail("the outline of " + Where(side, face) + " is lost in the contact's plane");
    }
    for (const Halfedge& h : path) {
      h->set_data(stamp);
      h->twin()->set_data(stamp);
      queue.push_back(turn == CGAL::POSITIVE ? h->face() : h->twin()->face());
    }
  }
  const auto enter = [&](ArrFace f) {
    if (f->is_unbounded()) return Fail(Where(side, face) + " is not a simple polygon in the contact's plane");
    int32_t& cover = f->data().face[side];
    if (cover >= 0 && cover != face) {
      return Fail(Where(side, face) + " overlaps face " + std::to_string(cover) + " of its own object");
    }
    cover = face;
    return true;
  };
  std::vector<ArrFace> seen;
  while (!queue.empty()) {
    const ArrFace f = queue.front();
    queue.pop_front();
    if (f->data().face[side] == face) continue;
    if (!enter(f)) return false;
    const auto cross = [&](Arr::Ccb_halfedge_circulator first) {
      auto e = first;
      do {
        if (e->data() != stamp && e->twin()->face()->data().face[side] != face) queue.push_back(e->twin()->face());
      } while (++e != first);
    };
    cross(f->outer_ccb());
    for (auto hole = f->inner_ccbs_begin(); hole != f->inner_ccbs_end(); ++hole) cross(*hole);
  }
  return true;
}

void MarkDomain(Cdt& cdt) {
  for (auto f = cdt.all_faces_begin(); f != cdt.all_faces_end(); ++f) f->info().nesting = -1;
  std::deque<Cdt::Edge> border;
  const auto mark = [&](Cdt::Face_handle start, int level) {
    std::deque<Cdt::Face_handle> queue{start};
    while (!queue.empty()) {
      const Cdt::Face_handle f = queue.front();
      queue.pop_front();
      if (f->info().nesting != -1) continue;
      f->info().nesting = level;
      for (int i = 0; i < 3; ++i) {
        const Cdt::Face_handle n = f->neighbor(i);
        if (n->info().nesting != -1) continue;
        if (cdt.is_constrained({f, i})) {
          border.push_back({f, i});
        } else {
          queue.push_back(n);
        }
      }
    }
  };
  mark(cdt.infinite_face(), 0);
  while (!border.empty()) {
    const Cdt::Edge e = border.front();
    border.pop_front();
    const Cdt::Face_handle n = e.first->neighbor(e.second);
    if (n->info().nesting == -1) mark(n, e.first->info().nesting + 1);
  }
}

// What the other side leaves of a face: its boundary triangulated, the
// triangles merged into convex polygons, longest diagonals first.
bool Imprinter::Cut(int side, int32_t face) {
  const auto left = [&](ArrFace f) { return f->data().face[side] == face && f->data().face[1 - side] < 0; };
  Cdt cdt;
  std::map<ImprintId, Cdt::Vertex_handle> corner;
  const auto vertex = [&](ArrVertex v) {
    const auto it = corner.find(v->data());
    if (it != corner.end()) return it->second;
    const Cdt::Vertex_handle c = cdt.insert(v->point());
    c->info() = v->data();
    corner.emplace(v->data(), c);
    return c;
  };
  for (auto f = arr_.faces_begin(); f != arr_.faces_end(); ++f) {
    if (!left(f)) continue;
    const auto bound = [&](Arr::Ccb_halfedge_circulator first) {
      auto e = first;
      do {
        if (!left(e->twin()->face())) cdt.insert_constraint(vertex(e->source()), vertex(e->target()));
      } while (++e != first);
    };
    bound(f->outer_ccb());
    for (auto hole = f->inner_ccbs_begin(); hole != f->inner_ccbs_end(); ++hole) bound(*hole);
  }
  MarkDomain(cdt);
  std::vector<std::vector<ImprintId>> polygons;
  for (auto f = cdt.finite_faces_begin(); f != cdt.finite_faces_end(); ++f) {
    if (f->info().nesting % 2 != 1) continue;
    f->info().index = int(polygons.size());
    polygons.push_back({f->vertex(0)->info(), f->vertex(1)->info(), f->vertex(2)->info()});
  }
  for (const auto& [id, c] : corner) {
    if (c->info() != id) return Fail("the remainder of " + Where(side, face) + " has two corners at one place");
  }
  struct Diagonal {
    double length;
    int first, second;
    ImprintId p, q;
  };
  std::vector<Diagonal> diagonals;
  for (auto f = cdt.finite_faces_begin(); f != cdt.finite_faces_end(); ++f) {
    if (f->info().index < 0) continue;
    for (int i = 0; i < 3; ++i) {
      const Cdt::Face_handle n = f->neighbor(i);
      if (cdt.is_constrained({f, i}) || n->info().index <= f->info().index) continue;
      const P2& p = f->vertex(Cdt::cw(i))->point();
      const P2& q = f->vertex(Cdt::ccw(i))->point();
      diagonals.push_back({CGAL::to_double(CGAL::squared_distance(p, q)), f->info().index, n->info().index,
                           f->vertex(Cdt::cw(i))->info(), f->vertex(Cdt::ccw(i))->info()});
    }
  }
  std::sort(diagonals.begin(), diagonals.end(), [](const Diagonal& x, const Diagonal& y) { return x.length > y.length; });
  std::vector<int> root(polygons.size());
  std::iota(root.begin(), root.end(), 0);
  const auto find = [&](int x) {
    while (root[size_t(x)] != x) x = root[size_t(x)] = root[size_t(root[size_t(x)])];
    return x;
  };
  const auto turn = [&](ImprintId p, ImprintId q, ImprintId r) {
    return CGAL::orientation(flat_.at(p), flat_.at(q), flat_.at(r));
  };
  // A corner from which the polygon's fan covers it once: no fan triangle
  // turns the other way (a host that fans a face draws it right).
  const auto fanFrom = [&](const std::vector<ImprintId>& polygon) -> size_t {
    const size_t n = polygon.size();
    for (size_t v = 0; v < n; ++v) {
      bool ok = true;
      for (size_t k = 1; ok && k + 1 < n; ++k) {
        ok = turn(polygon[v], polygon[(v + k) % n], polygon[(v + k + 1) % n]) != CGAL::RIGHT_TURN;
      }
      if (ok) return v;
    }
    return n;
  };
  size_t pieces = polygons.size();
  // First into convex polygons; then, when that leaves many (around a round
  // hole every convex piece holds one edge of it), as far as polygons that
  // a fan from one corner covers go.
  for (const bool convex : {true, false}) {
    if (!convex && pieces <= kFewPieces) break;
    for (const Diagonal& d : diagonals) {
      const int x = find(d.first), y = find(d.second);
      if (x == y) continue;
      std::vector<ImprintId>& P = polygons[size_t(x)];
      std::vector<ImprintId>& Q = polygons[size_t(y)];
      // P runs s -> t along the diagonal, Q t -> s.
      size_t i = 0, j = 0;
      const size_t np = P.size(), nq = Q.size();
      while (i < np && !((P[i] == d.p && P[(i + 1) % np] == d.q) || (P[i] == d.q && P[(i + 1) % np] == d.p))) ++i;
      if (i == np) continue;
      const ImprintId s = P[i], t = P[(i + 1) % np];
      while (j < nq && !(Q[j] == t && Q[(j + 1) % nq] == s)) ++j;
      if (j == nq) continue;
      std::vector<ImprintId> merged;
      for (size_t k = 1; k <= np; ++k) merged.push_back(P[(i + k) % np]);  // t ... s
      for (size_t k = 2; k < nq; ++k) merged.push_back(Q[(j + k) % nq]);   // after s, before t
      if (convex) {
        const ImprintId beforeS = P[(i + np - 1) % np], afterS = Q[(j + 2) % nq];
        const ImprintId beforeT = Q[(j + nq - 1) % nq], afterT = P[(i + 2) % np];
        if (turn(beforeS, s, afterS) == CGAL::RIGHT_TURN || turn(beforeT, t, afterT) == CGAL::RIGHT_TURN) continue;
      } else {
        std::vector<ImprintId> sorted = merged;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) continue;  // pinched
        const size_t v = fanFrom(merged);
        if (v == merged.size()) continue;
        std::rotate(merged.begin(), merged.begin() + std::ptrdiff_t(v), merged.end());
      }
      P = std::move(merged);
      Q.clear();
      root[size_t(y)] = x;
      --pieces;
    }
  }
  const bool reverse = turn_[side].at(face) < 0;
  for (std::vector<ImprintId>& polygon : polygons) {
    if (polygon.empty()) continue;
    if (reverse) std::reverse(polygon.begin() + 1, polygon.end());  // the fan's corner stays first
    ImprintPiece piece;
    piece.side = side;
    piece.face = face;
    Corners(side, face, polygon, &piece);
    out_->pieces.push_back(std::move(piece));
  }
  return true;
}

// Where point `p` lies on face `face` of `side`: one of its corners, on one
// of its edges (at its place along the edge in space), or inside (the
// weights of the first of its fan's triangles that holds it in the plane, or
// of its widest triangle when none does).
CornerBlend Imprinter::Blend(int side, int32_t face, ImprintId p) const {
  const WorldObject& shape = *shape_[side];
  const CtsxFace& f = shape.Face(face);
  const int32_t n = f.nbrCorners;
  for (int32_t c = 0; c < n; ++c) {
    if (Id(side, f.corners[c].vindex) == p) return CornerBlend::Kept(c);
  }
  const auto [first, last] = edgesOf_[side].equal_range(p);
  for (int32_t c = 0; c < n && first != last; ++c) {
    const int32_t next = (c + 1) % n;
    const int32_t u = f.corners[c].vindex, w = f.corners[next].vindex;
    const Edge e{std::min(u, w), std::max(u, w)};
    if (u == w || std::none_of(first, last, [&](const auto& x) { return x.second == e; })) continue;
    const Vec3 lo = V(shape.World(e.first)), d = Sub(V(shape.World(e.second)), lo);
    const double len2 = Dot(d, d);
    const double t = std::clamp(len2 > 0 ? Dot(Sub(Position(p), lo), d) / len2 : 0.0, 0.0, 1.0);
    return u < w ? CornerBlend::Along(c, next, t) : CornerBlend::Along(next, c, t);
  }
  const auto flat = [&](ImprintId q) {
    const P2& x = flat_.at(q);
    return std::array<double, 2>{CGAL::to_double(x.x()), CGAL::to_double(x.y())};
  };
  const auto corner = [&](int32_t c) { return flat(Id(side, f.corners[c].vindex)); };
  const std::array<double, 2> x = flat(p);
  // Barycentric weights of x in triangle (i, j, k), or nothing when it has no area.
  const auto weights = [&](int32_t i, int32_t j, int32_t k) -> std::optional<CornerBlend> {
    const auto a = corner(i), b = corner(j), c = corner(k);
    const double det = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
    if (det == 0 || !std::isfinite(det)) return std::nullopt;
    const double s = ((x[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (x[1] - a[1])) / det;
    const double t = ((b[0] - a[0]) * (x[1] - a[1]) - (x[0] - a[0]) * (b[1] - a[1])) / det;
    return CornerBlend{{i, j, k}, {1 - s - t, s, t}};
  };
  for (int32_t i = 1; i + 1 < n; ++i) {
    const std::optional<CornerBlend> b = weights(0, i, i + 1);
    if (b && b->weight[0] >= 0 && b->weight[1] >= 0 && b->weight[2] >= 0) return *b;
  }
  std::optional<CornerBlend> best;
  double widest = 0;
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = i + 1; j < n; ++j) {
      for (int32_t k = j + 1; k < n; ++k) {
        const auto a = corner(i), b = corner(j), c = corner(k);
        const double area = std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
        if (area > widest) widest = area, best = weights(i, j, k);
      }
      if (n > 24) break;  // a big n-gon: a fan from each corner is wide enough
    }
  }
  return best ? *best : CornerBlend::Kept(0);
}

// The corners of a piece: a corner of the face keeps its UV; any other point
// gets the UV blended as it lies on the face (along an edge, from the edge's
// ends), when the corners it is blended from all have one.
void Imprinter::Corners(int side, int32_t face, const std::vector<ImprintId>& polygon, ImprintPiece* piece) const {
  const CtsxFace& f = shape_[side]->Face(face);
  const int32_t uvCount = tsxPolyhGetNbrUV(shape_[side]->object);
  const CtsxUV* uvs = uvCount > 0 ? tsxPolyhGetUVArray(shape_[side]->object) : nullptr;
  const auto uvOf = [&](int32_t c) -> const CtsxUV* {
    const int32_t i = c >= 0 ? f.corners[c].uvindex : -1;
    return uvs && i >= 0 && i < uvCount ? &uvs[i] : nullptr;
  };
  for (const ImprintId p : polygon) {
    ImprintCorner corner;
    corner.point = p;
    corner.blend = Blend(side, face, p);
    if (corner.blend.IsKept()) {
      corner.uv = f.corners[corner.blend.corner[0]].uvindex;
    } else {
      double u[3] = {0, 0, 0}, v[3] = {0, 0, 0};
      bool all = true;
      for (int k = 0; k < 3 && all; ++k) {
        if (corner.blend.corner[k] < 0) continue;
        const CtsxUV* uv = uvOf(corner.blend.corner[k]);
        all = uv != nullptr;
        if (uv) u[k] = uv->u, v[k] = uv->v;
      }
      if (all) {
        corner.ownUV = true;
        corner.value = {float(corner.blend.Of(u)), float(corner.blend.Of(v))};
      }
    }
    piece->corners.push_back(corner);
  }
}

}  // namespace

bool ImprintRegion(const WorldObject& a, const std::vector<int32_t>& facesA, const WorldObject& b,
                   const std::vector<int32_t>& facesB, double tolerance, Imprint* out) {
  *out = {};
  if (facesA.empty() || facesB.empty()) {
    out->why = "one side of the contact has no faces";
    return false;
  }
  if (Imprinter(a, facesA, b, facesB, tolerance, true, out).Run()) return true;
  // Snapping within the tolerance can fold one side over itself where its
  // corners lie closer together than the sides lie apart (two caps of one
  // cut moved apart): then the sides are imprinted as they lie, each
  // crossing of their outlines made once.
  const std::string snapped = out->why;
  *out = {};
  if (Imprinter(a, facesA, b, facesB, tolerance, false, out).Run()) return true;
  out->why = snapped + "; imprinted as they lie: " + out->why;
  return false;
}

}  // namespace spl
