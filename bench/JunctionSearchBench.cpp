// Speed of the junction search on pairs of generated closed slabs: the
// whole search, the nearest-first ordering alone and the corner index
// alone, for 10k, 100k and 1M quads per object.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "engine/common/CornerIndex.h"
#include "engine/common/JoinState.h"
#include "engine/common/Thousandths.h"
#include "engine/face/FaceOrder.h"
#include "engine/face/JunctionSearch.h"
#include "host/scene/Scene.h"

namespace {

// How the second slab stands against the first.
enum class Layout {
  Touching,         // B's x=0 wall on A's x=W wall: H wall quads coincide
  FarFromMidpoint,  // the same, with the axes at the slabs' x=0 corners:
                    // the midpoint is half a slab away from the junction
  Apart,            // B 5 units beyond: no junction
};

// A closed slab one unit thick over a W x H grid: top and bottom grids of
// quads plus a rim wall one quad tall; 2WH + 2(W+H) faces, all turned out.
//
//   top    (i,j,1)  t(i,j) = (H+1)i + j
//   bottom (i,j,0)  t(i,j) + (W+1)(H+1)
tsxhost::Mesh Slab(int w, int h) {
  tsxhost::Mesh mesh;
  const int layer = (w + 1) * (h + 1);
  for (int z = 1; z >= 0; --z)
    for (int i = 0; i <= w; ++i)
      for (int j = 0; j <= h; ++j) mesh.vertices.push_back({float(i), float(j), float(z)});
  auto top = [h](int i, int j) { return (h + 1) * i + j; };
  auto quad = [&mesh](int a, int b, int c, int d) {
    mesh.faces.push_back({{{a, -1}, {b, -1}, {c, -1}, {d, -1}}, {}, 0});
  };
  for (int i = 0; i < w; ++i)
    for (int j = 0; j < h; ++j) {
      quad(top(i, j), top(i + 1, j), top(i + 1, j + 1), top(i, j + 1));
      quad(top(i, j + 1) + layer, top(i + 1, j + 1) + layer, top(i + 1, j) + layer, top(i, j) + layer);
    }
  // The rim counter-clockwise seen from above; each edge a->b makes the
  // wall quad bottom a, bottom b, top b, top a.
  std::vector<int> rim;
  for (int i = 0; i < w; ++i) rim.push_back(top(i, 0));
  for (int j = 0; j < h; ++j) rim.push_back(top(w, j));
  for (int i = w; i > 0; --i) rim.push_back(top(i, h));
  for (int j = h; j > 0; --j) rim.push_back(top(0, j));
  for (size_t e = 0; e < rim.size(); ++e) {
    const int a = rim[e], b = rim[(e + 1) % rim.size()];
    quad(a + layer, b + layer, b, a);
  }
  return mesh;
}

struct Scene {
  spl::HostObject a = 0, b = 0;
  int32_t faces = 0;
};

// Side of the square grid whose slab has about `faces` faces.
int SideFor(int faces) { return static_cast<int>(std::floor(std::sqrt(faces / 2.0))); }

Scene MakeScene(int faces, Layout layout) {
  static std::map<std::pair<int, Layout>, Scene> cache;
  auto found = cache.find({faces, layout});
  if (found != cache.end()) return found->second;
  const int n = SideFor(faces);
  const tsxhost::Mesh mesh = Slab(n, n);
  const float dx = layout == Layout::Apart ? float(n + 5) : float(n);
  CtsxTxmx3f moved = tsxhost::kIdentity;
  moved.m[3] = dx;
  const CtsxVector3f centre = layout == Layout::FarFromMidpoint ? CtsxVector3f{0, 0, 0}
                                                                : CtsxVector3f{n * 0.5f, n * 0.5f, 0.5f};
  Scene s;
  s.a = tsxhost::AddPolyhedron("A", mesh, tsxhost::kIdentity, centre);
  s.b = tsxhost::AddPolyhedron("B", mesh, moved, {centre.x + dx, centre.y, centre.z});
  s.faces = static_cast<int32_t>(mesh.faces.size());
  cache[{faces, layout}] = s;
  return s;
}

void Pick(const Scene& s) {
  spl::JoinState.FirstObject = s.a;
  spl::JoinState.SecondObject = s.b;
  spl::JoinState.Accuracy = 0.01;
}

void BM_FindJunctionFaces(benchmark::State& state, Layout layout) {
  const Scene s = MakeScene(static_cast<int>(state.range(0)), layout);
  Pick(s);
  spl::JunctionSearchInfo info;
  spl::JoinProgress progress;
  for (auto _ : state) {
    spl::JoinState.LastError = 0;
    spl::JoinState.JunctionFaceA = spl::JoinState.JunctionFaceB = -1;
    info = spl::FindJunctionFaces(progress);
  }
  const bool wanted = layout != Layout::Apart;
  if ((spl::JoinState.JunctionFaceA >= 0) != wanted) state.SkipWithError("unexpected search result");
  state.counters["faces"] = s.faces;
  state.counters["positionA"] = info.orderPositionA;
}

// The ordering alone, on the slab's own keys (distances to the midpoint of
// the touching layout, in thousandths, so with the grid's many ties).
void BM_FaceOrdering(benchmark::State& state) {
  const int n = SideFor(static_cast<int>(state.range(0)));
  const tsxhost::Mesh mesh = Slab(n, n);
  std::vector<spl::FaceRank> ranks;
  for (const tsxhost::Face& f : mesh.faces) {
    CtsxVector3f sum{0, 0, 0};
    for (const tsxhost::Corner& c : f.corners) {
      const CtsxVector3f& v = mesh.vertices[static_cast<size_t>(c.vertex)];
      sum = {sum.x + v.x, sum.y + v.y, sum.z + v.z};
    }
    const double dx = sum.x / 4.0 - n, dy = sum.y / 4.0 - n * 0.5, dz = sum.z / 4.0 - 0.5;
    ranks.push_back({spl::RoundToThousandths(std::sqrt(dx * dx + dy * dy + dz * dz)), true});
  }
  std::vector<int32_t> order(ranks.size());
  for (auto _ : state) {
    spl::FaceOrdering ordering(ranks.data(), static_cast<int32_t>(ranks.size()));
    ordering.Place(order.data(), [](int32_t) { return true; });
    benchmark::DoNotOptimize(order.data());
  }
  state.counters["faces"] = static_cast<double>(ranks.size());
}

// Building the index of the second slab's vertices and querying it once
// per vertex of the first, as the search does for a corner 0 per face.
void BM_CornerIndex(benchmark::State& state) {
  const int n = SideFor(static_cast<int>(state.range(0)));
  const tsxhost::Mesh mesh = Slab(n, n);
  std::vector<CtsxVector3f> moved = mesh.vertices;
  for (CtsxVector3f& v : moved) v.x += float(n);
  int64_t visits = 0;
  for (auto _ : state) {
    spl::CornerIndex index(moved.data(), static_cast<int32_t>(moved.size()), 0.011);
    for (const CtsxVector3f& q : mesh.vertices) index.ForEachNear(q, [&visits](int32_t) { ++visits; });
  }
  benchmark::DoNotOptimize(visits);
  state.counters["points"] = static_cast<double>(moved.size());
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(BM_FindJunctionFaces, touching, Layout::Touching)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_FindJunctionFaces, far_from_midpoint, Layout::FarFromMidpoint)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_FindJunctionFaces, no_junction, Layout::Apart)->Apply(Sizes);
BENCHMARK(BM_FaceOrdering)->Apply(Sizes);
BENCHMARK(BM_CornerIndex)->Apply(Sizes);

}  // namespace
