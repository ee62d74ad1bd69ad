#include "engine/contact/ContactOutline.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "engine/contact/SealedCheck.h"

namespace spl {
namespace {

struct Vec {
  double x, y, z;
};

Vec V(const CtsxVector3f& p) { return {p.x, p.y, p.z}; }
double Dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Sub(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Length(const Vec& a) { return std::sqrt(Dot(a, a)); }

// A vertex of the region in one numbering: side 0's as they are, side 1's
// after side 0's.
using Id = int64_t;

struct Region {
  const WorldObject* shape[2];
  const std::vector<int32_t>* faces[2];
  std::vector<int32_t> vertices[2];  // the corners of the region's faces, rising, once
};

std::vector<int32_t> CornersOf(const WorldObject& shape, const std::vector<int32_t>& faces) {
  std::vector<int32_t> v;
  for (const int32_t f : faces) {
    const CtsxFace& face = shape.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) v.push_back(face.corners[c].vindex);
  }
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

}  // namespace

void SnapOutline(const WorldObject& a, const std::vector<int32_t>& facesA, const WorldObject& b,
                 const std::vector<int32_t>& facesB, double tolerance, OutlineJoin* out) {
  *out = {};
  Region r{{&a, &b}, {&facesA, &facesB}, {CornersOf(a, facesA), CornersOf(b, facesB)}};
  const Id offset = a.vertexCount;
  // Welds: each vertex of b onto the nearest vertex of a within the
  // tolerance (the lowest numbered among equally near ones).
  std::map<int32_t, int32_t> onto;
  for (const int32_t w : r.vertices[1]) {
    double best = tolerance;
    int32_t found = -1;
    for (const int32_t v : r.vertices[0]) {
      const double d = Length(Sub(V(b.World(w)), V(a.World(v))));
      if (d <= best && (found < 0 || d < best)) {
        best = d;
        found = v;
      }
    }
    if (found >= 0) {
      onto[w] = found;
      out->welds.push_back({w, found});
      out->largestWeld = std::max(out->largestWeld, best);
    }
  }
  const auto id = [&](int side, int32_t v) -> Id {
    if (side == 0) return v;
    const auto it = onto.find(v);
    return it != onto.end() ? Id{it->second} : offset + v;
  };
  const auto position = [&](Id p) { return p < offset ? V(a.World(int32_t(p))) : V(b.World(int32_t(p - offset))); };
  // The points of the region, once each: a's vertices, then b's not welded.
  std::vector<std::pair<int, int32_t>> points;
  for (const int32_t v : r.vertices[0]) points.push_back({0, v});
  for (const int32_t w : r.vertices[1]) {
    if (!onto.count(w)) points.push_back({1, w});
  }
  // Points on each side's edges.
  for (int side = 0; side < 2; ++side) {
    const WorldObject& shape = *r.shape[side];
    std::set<std::pair<int32_t, int32_t>> done;
    for (const int32_t f : *r.faces[side]) {
      const CtsxFace& face = shape.Face(f);
      for (int32_t c = 0; c < face.nbrCorners; ++c) {
        int32_t u = face.corners[c].vindex, w = face.corners[(c + 1) % face.nbrCorners].vindex;
        if (u > w) std::swap(u, w);
        if (u == w || !done.insert({u, w}).second) continue;
        const Id iu = id(side, u), iw = id(side, w);
        const Vec p0 = V(shape.World(u)), p1 = V(shape.World(w));
        const Vec d = Sub(p1, p0);
        const double len2 = Dot(d, d);
        if (!(len2 > 0)) continue;
        for (const auto& [ps, pv] : points) {
          const Id ip = id(ps, pv);
          if (ps == side || ip == iu || ip == iw) continue;
          const Vec q = position(ip);
          const double t = Dot(Sub(q, p0), d) / len2;
          if (!(t > 0 && t < 1)) continue;
          const Vec foot{p0.x + t * d.x, p0.y + t * d.y, p0.z + t * d.z};
          if (Length(Sub(q, foot)) > tolerance || Length(Sub(q, p0)) <= tolerance ||
              Length(Sub(q, p1)) <= tolerance) {
            continue;
          }
          out->points.push_back({side, u, w, ps, pv, t});
          out->largestBend = std::max(out->largestBend, Length(Sub(q, foot)));
        }
      }
    }
  }
}

bool JoinOnOutline(const WorldObject& a, const std::vector<int32_t>& facesA, const WorldObject& b,
                   const std::vector<int32_t>& facesB, double tolerance, OutlineJoin* out) {
  SnapOutline(a, facesA, b, facesB, tolerance, out);
  Region r{{&a, &b}, {&facesA, &facesB}, {}};
  const Id offset = a.vertexCount;
  std::map<int32_t, int32_t> onto(out->welds.begin(), out->welds.end());
  const auto id = [&](int side, int32_t v) -> Id {
    if (side == 0) return v;
    const auto it = onto.find(v);
    return it != onto.end() ? Id{it->second} : offset + v;
  };
  const auto position = [&](Id p) { return p < offset ? V(a.World(int32_t(p))) : V(b.World(int32_t(p - offset))); };
  std::map<std::pair<Id, Id>, std::vector<std::pair<double, Id>>> splits;  // by (lo, hi) in ids
  for (const EdgePoint& p : out->points) {
    const Id iu = id(p.side, p.lo), iw = id(p.side, p.hi);
    splits[{std::min(iu, iw), std::max(iu, iw)}].push_back({iu < iw ? p.t : 1 - p.t, id(p.pointSide, p.point)});
  }
  for (auto& [edge, along] : splits) std::sort(along.begin(), along.end());
  // Each side's outline: its faces' edges, split, less those run both ways.
  std::multiset<std::pair<Id, Id>> outline[2];
  for (int side = 0; side < 2; ++side) {
    const WorldObject& shape = *r.shape[side];
    std::multiset<std::pair<Id, Id>> runs;
    for (const int32_t f : *r.faces[side]) {
      const CtsxFace& face = shape.Face(f);
      for (int32_t c = 0; c < face.nbrCorners; ++c) {
        const Id from = id(side, face.corners[c].vindex), to = id(side, face.corners[(c + 1) % face.nbrCorners].vindex);
        if (from == to) continue;
        std::vector<Id> chain{from};
        const auto it = splits.find({std::min(from, to), std::max(from, to)});
        if (it != splits.end()) {
          for (const auto& [t, p] : it->second) chain.push_back(p);
          if (from > to) std::reverse(chain.begin() + 1, chain.end());
        }
        chain.push_back(to);
        for (size_t k = 0; k + 1 < chain.size(); ++k) {
          const std::pair<Id, Id> run{chain[k], chain[k + 1]};
          const auto back = runs.find({run.second, run.first});
          if (back != runs.end()) {
            runs.erase(back);
          } else {
            runs.insert(run);
          }
        }
      }
    }
    outline[side] = std::move(runs);
  }
  std::multiset<std::pair<Id, Id>> reversed;
  for (const auto& [from, to] : outline[1]) reversed.insert({to, from});
  if (!outline[0].empty() && outline[0] == reversed) return true;
  // Where the outlines part: the first run of one side that the other lacks.
  std::vector<std::pair<Id, Id>> only;
  std::set_symmetric_difference(outline[0].begin(), outline[0].end(), reversed.begin(), reversed.end(),
                                std::back_inserter(only));
  const Vec at = only.empty() ? Vec{0, 0, 0} : position(only.front().first);
  out->why = std::to_string(only.size()) + " edges of the outline of one side are not on the other's, the first at " +
             PositionText({float(at.x), float(at.y), float(at.z)});
  return false;
}

}  // namespace spl
