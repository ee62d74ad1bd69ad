// The seam search. Each step is one pass over the vertices or the faces, or
// works on the few faces of the seam only, so the search grows with the
// meshes: the first object's vertices are hashed by world position
// (CornerIndex) and each vertex of the second finds its partner there; the
// faces of the seam are grouped by shared edges with a sort and a
// union-find.
#include "engine/seam/SeamSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/common/Coincidence.h"
#include "engine/common/CornerIndex.h"
#include "engine/common/Errors.h"
#include "engine/common/FacePlane.h"
#include "engine/common/HostBlock.h"
#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"
#include "engine/common/Saturate.h"
#include "engine/seam/NearestPoints.h"

namespace spl {
namespace {

constexpr std::string_view kSearchText = "Searching seam...";
constexpr int32_t kChunk = 16384;  // items between two progress calls
// One progress call for a finished chunk of work; false when the join has
// to stop.
bool Advance(JoinProgress& progress, int64_t steps) {
  return ReportWideProgress(progress, steps, kSearchText, 1);
}

template <typename T>
bool Obtain(JoinProgress& progress, HostBlock<T>& block, std::size_t count) {
  block = HostBlock<T>(count);
  if (block) return true;
  ReportError(progress.view, kNoMemory);
  return false;
}

uint64_t EdgeKey(int32_t u, int32_t v) {
  const auto lo = static_cast<uint32_t>(std::min(u, v));
  const auto hi = static_cast<uint32_t>(std::max(u, v));
  return uint64_t{lo} << 32 | hi;
}

// A face of either object whose corners all lie on vertices of the other:
// a face that may lie on the other object's surface.
struct SeamFace {
  const CtsxFace* record = nullptr;
  int32_t face = 0;
  bool second = false;
  uint32_t firstId = 0;  // its corners' seam points: ids[firstId, firstId + count)
  int32_t count = 0;
  double normal[3] = {};
  double offset = 0;    // normal . p for the points p of its plane
  double flatness = 0;  // the farthest of its own corners from that plane
};

// The face's plane and how far its own corners stray from it; false for a
// face without area.
bool FitPlane(const CtsxVector3f* world, SeamFace* f) {
  if (!FacePlane(world, *f->record, f->normal, &f->offset)) return false;
  const CtsxCorner* corners = f->record->corners;
  for (int32_t i = 0; i < f->count; ++i) {
    const CtsxVector3f& p = world[corners[i].vindex];
    const double d = f->normal[0] * p.x + f->normal[1] * p.y + f->normal[2] * p.z - f->offset;
    f->flatness = std::max(f->flatness, std::fabs(d));
  }
  return true;
}

class Search {
 public:
  Search(JoinProgress& progress, const SeamSide& a, const SeamSide& b, int32_t accuracy,
         std::size_t denseAbove = kDenseCandidates)
      : progress_(progress), sides_{a, b}, accuracy_(accuracy), denseAbove_(denseAbove),
        reach_((accuracy + 0.5) / 1000.0) {}
  bool Run(JoinedSeam* seam);
  bool Partners(std::vector<int32_t>* partners);

 private:
  bool MatchVertices();
  int32_t Nearest(const CornerIndex& index, const CtsxVector3f* points, int32_t count,
                  std::unique_ptr<NearestPoints>& dense, const CtsxVector3f& p) const;
  int32_t NearestAmong(const NearestPoints& dense, const CtsxVector3f* points, const CtsxVector3f& p) const;
  bool CollectFaces(bool second);
  bool AddFace(const SeamSide& side, bool second, int32_t f);
  int32_t SeamPoint(bool second, int32_t vertex) const { return second ? match_[static_cast<std::size_t>(vertex)] : vertex; }
  void LinkFaces();
  bool Compatible(const SeamFace& f, const SeamFace& g) const;
  bool WithinPlane(const SeamFace& plane, const SeamFace& g) const;
  bool EdgesCancel(const std::vector<int32_t>& faces) const;
  void DropComponents();
  void DropCoveredFaces(const std::vector<int32_t>& component);
  int32_t Root(int32_t s);
  bool Collect(JoinedSeam* seam);

  JoinProgress& progress_;
  SeamSide sides_[2];
  int32_t accuracy_;
  std::size_t denseAbove_;
  double reach_;  // the largest distance that coincides at the accuracy
  HostBlock<int32_t> match_;      // per vertex of the second object: its partner, or -1
  HostBlock<uint8_t> partnered_;  // per vertex of the first object: some vertex's partner
  std::vector<SeamFace> faces_;
  std::vector<int32_t> ids_;
  std::vector<int32_t> parent_;
  std::vector<uint8_t> dropped_;
};

bool Search::Run(JoinedSeam* seam) {
  if (!MatchVertices() || !CollectFaces(false) || !CollectFaces(true)) return false;
  LinkFaces();
  DropComponents();
  return Collect(seam);
}

bool Search::Partners(std::vector<int32_t>* partners) {
  if (!MatchVertices()) return false;
  partners->assign(match_.get(), match_.get() + sides_[1].vertexCount);
  return true;
}

// The coinciding vertex of `points` nearest to `p`, the lowest index among
// equally near ones; -1 when none coincides. `index` holds `points`. Where
// many points lie near `p` (a dense cluster, a coarse accuracy), they are
// visited nearest first from a k-d tree built once, so that each query
// costs the few nearest rather than the whole cluster.
int32_t Search::Nearest(const CornerIndex& index, const CtsxVector3f* points, int32_t count,
                        std::unique_ptr<NearestPoints>& dense, const CtsxVector3f& p) const {
  if (index.CountNear(p) > denseAbove_) {
    if (!dense) dense = std::make_unique<NearestPoints>(points, count);
    return NearestAmong(*dense, points, p);
  }
  int32_t best = -1;
  float bestDistance = 0;
  index.ForEachNear(p, [&](int32_t u) {
    if (!PointsCoincide(points[u], p, accuracy_)) return;
    const float d = tsxDistanceToPoint3f(&points[u], &p);
    if (best < 0 || d < bestDistance || (d == bestDistance && u < best)) {
      best = u;
      bestDistance = d;
    }
  });
  return best;
}

// The same choice from the points in order of distance: past the reach
// nothing coincides, and past the best distance (with room for its rounding
// to single precision) nothing ties with it.
int32_t Search::NearestAmong(const NearestPoints& dense, const CtsxVector3f* points, const CtsxVector3f& p) const {
  constexpr double kRoom = 1e-6;
  const double reach = CoincidenceRadius(accuracy_) * (1 + kRoom);
  int32_t best = -1;
  float bestDistance = 0;
  dense.Visit(p, [&](int32_t u, double distance) {
    // The host's distance is rounded to single precision, so a tie with the
    // best can lie a relative rounding step, or one subnormal step, beyond it.
    const double tieLimit = double{bestDistance} * (1 + kRoom) + std::numeric_limits<float>::denorm_min();
    if (distance > reach || (best >= 0 && distance > tieLimit)) return false;
    if (!PointsCoincide(points[u], p, accuracy_)) return true;
    const float d = tsxDistanceToPoint3f(&points[u], &p);
    if (best < 0 || d < bestDistance || (d == bestDistance && u < best)) {
      best = u;
      bestDistance = d;
    }
    return true;
  });
  return best;
}

// Partners: a vertex of each object that coincide and are each other's
// nearest. Every second-object vertex first finds its nearest in the first
// object; only those that found one can be nearest to a first-object
// vertex, so the way back searches among them alone.
bool Search::MatchVertices() {
  const SeamSide& a = sides_[0];
  const SeamSide& b = sides_[1];
  if (!Obtain(progress_, match_, static_cast<std::size_t>(b.vertexCount)) ||
      !Obtain(progress_, partnered_, static_cast<std::size_t>(a.vertexCount))) {
    return false;
  }
  std::fill_n(match_.get(), b.vertexCount, -1);
  std::fill_n(partnered_.get(), a.vertexCount, uint8_t{0});
  if (accuracy_ < 0) return Advance(progress_, b.vertexCount);  // no distance is below zero thousandths
  const CornerIndex index(a.world, a.vertexCount, CoincidenceRadius(accuracy_));
  std::unique_ptr<NearestPoints> denseA, denseBack;  // built when first needed
  std::vector<int32_t> near;  // second-object vertices with a nearest
  for (int32_t v = 0; v < b.vertexCount; ++v) {
    const int32_t u = Nearest(index, a.world, a.vertexCount, denseA, b.world[v]);
    match_[static_cast<std::size_t>(v)] = u;
    if (u >= 0) near.push_back(v);
    if ((v + 1) % kChunk == 0 && !Advance(progress_, kChunk)) return false;
  }
  std::vector<CtsxVector3f> nearPoints;
  for (const int32_t v : near) nearPoints.push_back(b.world[v]);
  const CornerIndex back(nearPoints.data(), static_cast<int32_t>(nearPoints.size()), CoincidenceRadius(accuracy_));
  for (const int32_t v : near) {
    const int32_t u = match_[static_cast<std::size_t>(v)];
    const int32_t nearest =
        Nearest(back, nearPoints.data(), static_cast<int32_t>(nearPoints.size()), denseBack, a.world[u]);
    if (nearest >= 0 && near[static_cast<std::size_t>(nearest)] == v) {
      partnered_[static_cast<std::size_t>(u)] = 1;
    } else {
      match_[static_cast<std::size_t>(v)] = -1;
    }
  }
  return Advance(progress_, b.vertexCount % kChunk);
}

bool Search::CollectFaces(bool second) {
  const SeamSide& side = sides_[second ? 1 : 0];
  for (int32_t f = 0; f < side.faceCount; ++f) {
    AddFace(side, second, f);
    if ((f + 1) % kChunk == 0 && !Advance(progress_, kChunk)) return false;
  }
  return Advance(progress_, side.faceCount % kChunk);
}

// Takes face f as a seam face when each of its corners names a vertex with a
// partner, no two corners the same one, and it has an area and no holes.
bool Search::AddFace(const SeamSide& side, bool second, int32_t f) {
  const CtsxFace* record = side.faces[f];
  if (!record || record->nbrCorners < 3 || !record->corners) return false;
  const int32_t n = record->nbrCorners;
  const auto first = static_cast<uint32_t>(ids_.size());
  for (int32_t c = 0; c < n; ++c) {
    const int32_t v = record->corners[c].vindex;
    const bool onSeam = v >= 0 && v < side.vertexCount &&
                        (second ? match_[static_cast<std::size_t>(v)] >= 0 : partnered_[static_cast<std::size_t>(v)] != 0);
    if (!onSeam) {
      ids_.resize(first);
      return false;
    }
    ids_.push_back(SeamPoint(second, v));
  }
  std::vector<int32_t> sorted(ids_.begin() + first, ids_.end());
  std::sort(sorted.begin(), sorted.end());
  SeamFace face{record, f, second, first, n};
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end() || !FitPlane(side.world, &face) ||
      tsxFaceGetNbrHoles(const_cast<CtsxFace*>(record)) > 0) {
    ids_.resize(first);
    return false;
  }
  faces_.push_back(face);
  return true;
}

bool Search::WithinPlane(const SeamFace& plane, const SeamFace& g) const {
  const CtsxVector3f* world = sides_[g.second ? 1 : 0].world;
  const double limit = reach_ + plane.flatness;
  for (int32_t i = 0; i < g.count; ++i) {
    const CtsxVector3f& p = world[g.record->corners[i].vindex];
    const double d = plane.normal[0] * p.x + plane.normal[1] * p.y + plane.normal[2] * p.z - plane.offset;
    if (!(std::fabs(d) <= limit)) return false;
  }
  return true;
}

// Faces of one object facing the same way, or of the two facing opposite
// ways, each within the accuracy of the other's plane.
bool Search::Compatible(const SeamFace& f, const SeamFace& g) const {
  const double dot = f.normal[0] * g.normal[0] + f.normal[1] * g.normal[1] + f.normal[2] * g.normal[2];
  if (f.second == g.second ? !(dot > 0) : !(dot < 0)) return false;
  return WithinPlane(f, g) && WithinPlane(g, f);
}

int32_t Search::Root(int32_t s) {
  while (parent_[static_cast<std::size_t>(s)] != s) {
    const int32_t up = parent_[static_cast<std::size_t>(parent_[static_cast<std::size_t>(s)])];
    parent_[static_cast<std::size_t>(s)] = up;
    s = up;
  }
  return s;
}

// Joins seam faces that share an edge and are compatible into regions.
void Search::LinkFaces() {
  const auto count = static_cast<int32_t>(faces_.size());
  parent_.resize(faces_.size());
  for (int32_t s = 0; s < count; ++s) parent_[static_cast<std::size_t>(s)] = s;
  std::vector<std::pair<uint64_t, int32_t>> edges;
  for (int32_t s = 0; s < count; ++s) {
    const SeamFace& f = faces_[static_cast<std::size_t>(s)];
    for (int32_t i = 0; i < f.count; ++i) {
      edges.emplace_back(EdgeKey(ids_[f.firstId + static_cast<uint32_t>(i)],
                                 ids_[f.firstId + static_cast<uint32_t>((i + 1) % f.count)]),
                         s);
    }
  }
  std::sort(edges.begin(), edges.end());
  for (std::size_t g = 0; g < edges.size();) {
    std::size_t h = g;
    while (h < edges.size() && edges[h].first == edges[g].first) ++h;
    for (std::size_t x = g; x < h; ++x) {
      for (std::size_t y = x + 1; y < h; ++y) {
        const int32_t s = edges[x].second;
        const int32_t t = edges[y].second;
        if (s != t && Compatible(faces_[static_cast<std::size_t>(s)], faces_[static_cast<std::size_t>(t)])) {
          parent_[static_cast<std::size_t>(Root(s))] = Root(t);
        }
      }
    }
    g = h;
  }
}

// True when, over the given faces, every edge between two seam points is
// run as often one way as the other: the faces of the first object and
// those of the second tile one region, turned against each other.
bool Search::EdgesCancel(const std::vector<int32_t>& faces) const {
  std::vector<std::pair<uint64_t, int32_t>> runs;
  for (const int32_t s : faces) {
    const SeamFace& f = faces_[static_cast<std::size_t>(s)];
    for (int32_t i = 0; i < f.count; ++i) {
      const int32_t u = ids_[f.firstId + static_cast<uint32_t>(i)];
      const int32_t v = ids_[f.firstId + static_cast<uint32_t>((i + 1) % f.count)];
      runs.emplace_back(EdgeKey(u, v), u < v ? 1 : -1);
    }
  }
  std::sort(runs.begin(), runs.end());
  for (std::size_t g = 0; g < runs.size();) {
    int32_t sum = 0;
    const uint64_t key = runs[g].first;
    for (; g < runs.size() && runs[g].first == key; ++g) sum += runs[g].second;
    if (sum != 0) return false;
  }
  return !runs.empty();
}

void Search::DropComponents() {
  dropped_.assign(faces_.size(), 0);
  std::vector<std::pair<int32_t, int32_t>> byRoot;
  for (int32_t s = 0; s < static_cast<int32_t>(faces_.size()); ++s) byRoot.emplace_back(Root(s), s);
  std::sort(byRoot.begin(), byRoot.end());
  std::vector<int32_t> component;
  for (std::size_t g = 0; g < byRoot.size();) {
    component.clear();
    bool first = false, second = false;
    for (const int32_t root = byRoot[g].first; g < byRoot.size() && byRoot[g].first == root; ++g) {
      component.push_back(byRoot[g].second);
      (faces_[static_cast<std::size_t>(byRoot[g].second)].second ? second : first) = true;
    }
    if (!first || !second) continue;
    if (EdgesCancel(component)) {
      for (const int32_t s : component) dropped_[static_cast<std::size_t>(s)] = 1;
    } else {
      DropCoveredFaces(component);
    }
  }
}

// A region whose two sides do not tile the same outline (a seam only partly
// complete): each face drops together with the other object's faces whose
// corners are all among its own, when those tile exactly that face.
void Search::DropCoveredFaces(const std::vector<int32_t>& component) {
  std::vector<std::pair<int32_t, int32_t>> uses;  // (seam point, face)
  for (const int32_t s : component) {
    const SeamFace& f = faces_[static_cast<std::size_t>(s)];
    for (int32_t i = 0; i < f.count; ++i) uses.emplace_back(ids_[f.firstId + static_cast<uint32_t>(i)], s);
  }
  std::sort(uses.begin(), uses.end());
  for (const int32_t s : component) {
    const SeamFace& f = faces_[static_cast<std::size_t>(s)];
    std::vector<int32_t> own(ids_.begin() + f.firstId, ids_.begin() + f.firstId + static_cast<uint32_t>(f.count));
    std::sort(own.begin(), own.end());
    std::vector<int32_t> tile{s};
    for (const int32_t id : own) {
      auto it = std::lower_bound(uses.begin(), uses.end(), std::make_pair(id, std::numeric_limits<int32_t>::min()));
      for (; it != uses.end() && it->first == id; ++it) {
        const SeamFace& g = faces_[static_cast<std::size_t>(it->second)];
        if (g.second == f.second) continue;
        const bool inside = std::all_of(ids_.begin() + g.firstId, ids_.begin() + g.firstId + static_cast<uint32_t>(g.count),
                                        [&own](int32_t p) { return std::binary_search(own.begin(), own.end(), p); });
        if (inside) tile.push_back(it->second);
      }
    }
    std::sort(tile.begin() + 1, tile.end());
    tile.erase(std::unique(tile.begin() + 1, tile.end()), tile.end());
    if (tile.size() > 1 && EdgesCancel(tile)) {
      for (const int32_t t : tile) dropped_[static_cast<std::size_t>(t)] = 1;
    }
  }
}

// The dropped faces, and the welds: a vertex of the second object that is a
// corner of one of its dropped faces goes onto its partner when the partner
// is a corner of a dropped face of the first.
bool Search::Collect(JoinedSeam* seam) {
  HostBlock<uint8_t> onSeamA, onSeamB;
  if (!Obtain(progress_, onSeamA, static_cast<std::size_t>(sides_[0].vertexCount)) ||
      !Obtain(progress_, onSeamB, static_cast<std::size_t>(sides_[1].vertexCount))) {
    return false;
  }
  std::fill_n(onSeamA.get(), sides_[0].vertexCount, uint8_t{0});
  std::fill_n(onSeamB.get(), sides_[1].vertexCount, uint8_t{0});
  JoinedSeam found;
  for (std::size_t s = 0; s < faces_.size(); ++s) {
    if (!dropped_[s]) continue;
    const SeamFace& f = faces_[s];
    (f.second ? found.droppedFacesB : found.droppedFacesA).push_back(f.face);
    uint8_t* onSeam = f.second ? onSeamB.get() : onSeamA.get();
    for (int32_t i = 0; i < f.count; ++i) onSeam[f.record->corners[i].vindex] = 1;
  }
  std::sort(found.droppedFacesA.begin(), found.droppedFacesA.end());
  std::sort(found.droppedFacesB.begin(), found.droppedFacesB.end());
  for (int32_t v = 0; v < sides_[1].vertexCount; ++v) {
    const int32_t partner = match_[static_cast<std::size_t>(v)];
    if (onSeamB[static_cast<std::size_t>(v)] && partner >= 0 && onSeamA[static_cast<std::size_t>(partner)]) {
      found.weldedVerticesB.push_back(v);
      found.weldedOntoA.push_back(partner);
    }
  }
  *seam = std::move(found);
  return true;
}

}  // namespace

int64_t SeamSearchSteps(const SeamSide& first, const SeamSide& second) {
  return int64_t{second.vertexCount} + first.faceCount + second.faceCount;
}

bool FindSeam(JoinProgress& progress, const SeamSide& first, const SeamSide& second, int32_t accuracy,
              JoinedSeam* seam) {
  *seam = {};
  return Search(progress, first, second, accuracy).Run(seam);
}

bool FindPartners(JoinProgress& progress, const SeamSide& first, const SeamSide& second, int32_t accuracy,
                  std::vector<int32_t>* partners, std::size_t denseAbove) {
  partners->clear();
  return Search(progress, first, second, accuracy, denseAbove).Partners(partners);
}

}  // namespace spl
