// The whole join and each of its stages on pairs of generated closed bars
// of quads, against the floor of copying both meshes' arrays once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "JoinState.h"
#include "MeshMerge.h"
#include "RunJoin.h"
#include "Scene.h"
#include "WindowActions.h"

namespace {

// A bar of `segments` unit cubes along x from x0, closed by two end caps:
// 4 * segments + 2 quads. Ring i holds vertices 4i..4i+3 at x = x0 + i,
// (y, z) = (0,0) (1,0) (1,1) (0,1); the caps are the last two faces.
tsxhost::Mesh Bar(int segments, const CtsxVector3f& origin) {
  tsxhost::Mesh mesh;
  const float ring[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  mesh.vertices.reserve(4 * static_cast<std::size_t>(segments + 1));
  for (int i = 0; i <= segments; ++i) {
    for (const auto& yz : ring) {
      mesh.vertices.push_back({origin.x + static_cast<float>(i), origin.y + yz[0], origin.z + yz[1]});
    }
  }
  mesh.faces.reserve(4 * static_cast<std::size_t>(segments) + 2);
  for (int i = 0; i < segments; ++i) {
    for (int r = 0; r < 4; ++r) {
      const int s = (r + 1) % 4;
      mesh.faces.push_back({{{4 * i + r, -1}, {4 * i + s, -1}, {4 * (i + 1) + s, -1}, {4 * (i + 1) + r, -1}},
                            {},
                            r % 2});
    }
  }
  mesh.faces.push_back({{{3, -1}, {2, -1}, {1, -1}, {0, -1}}, {}, 0});
  const int last = 4 * segments;
  mesh.faces.push_back({{{last, -1}, {last + 1, -1}, {last + 2, -1}, {last + 3, -1}}, {}, 1});
  tsxhost::Material side;
  side.name = "side";
  mesh.materials = {tsxhost::Material{}, side};
  return mesh;
}

// A bar turned to run along y: (x, y, z) -> (y, x, z) with the corner
// order reversed so that it stays outward.
tsxhost::Mesh StandingBar(int segments, const CtsxVector3f& origin) {
  tsxhost::Mesh mesh = Bar(segments, {0, 0, 0});
  for (CtsxVector3f& v : mesh.vertices) v = {origin.x + v.y, origin.y + v.x, origin.z + v.z};
  for (tsxhost::Face& f : mesh.faces) std::reverse(f.corners.begin(), f.corners.end());
  return mesh;
}

tsxSOBJ AddCentred(const std::string& name, const tsxhost::Mesh& mesh) {
  CtsxVector3f lo = mesh.vertices.front(), hi = lo;
  for (const CtsxVector3f& v : mesh.vertices) {
    lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
  }
  return tsxhost::AddPolyhedron(name, mesh, tsxhost::kIdentity,
                                {(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f});
}

enum class Layout { EndToEnd, Apart, FarFromMidpoint };

// Sums the time of each stage over the iterations.
class StageTimes : public spl::JoinStageObserver {
 public:
  void StageStarted(spl::JoinStage) override { started_ = Clock::now(); }
  void StageFinished(spl::JoinStage stage) override {
    if (stage == spl::JoinStage::Whole || stage == spl::JoinStage::Count) return;
    seconds[std::string(spl::StageName(stage))] +=
        std::chrono::duration<double>(Clock::now() - started_).count();
  }
  std::map<std::string, double> seconds;

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point started_{};
};

void SetUpPair(int facesPerObject, Layout layout, tsxSOBJ* a, tsxSOBJ* b) {
  tsxhost::ResetScene();
  const int segments = (facesPerObject - 2) / 4;
  *a = AddCentred("A", Bar(segments, {0, 0, 0}));
  switch (layout) {
    case Layout::EndToEnd:
      *b = AddCentred("B", Bar(segments, {static_cast<float>(segments), 0, 0}));
      break;
    case Layout::Apart:
      *b = AddCentred("B", Bar(segments, {static_cast<float>(segments) + 0.5f, 0, 0}));
      break;
    case Layout::FarFromMidpoint:
      // Stands on A's first segment: its bottom cap lies on A's top side.
      *b = AddCentred("B", StandingBar(segments, {0, 1, 0}));
      break;
  }
}

void BM_Join(benchmark::State& state, Layout layout) {
  tsxSOBJ a = 0, b = 0;
  SetUpPair(static_cast<int>(state.range(0)), layout, &a, &b);
  StageTimes times;
  spl::SetJoinStageObserver(&times);
  for (auto _ : state) {
    spl::ResetJoinState();
    spl::InitJoinStateForWindow();
    tsxhost::SetSelection(a);
    spl::PickObject(1);
    tsxhost::SetSelection(b);
    spl::PickObject(2);
    spl::JoinPickedObjects();
    state.PauseTiming();
    if (layout != Layout::Apart && spl::JoinState.LastError != 0) state.SkipWithError("join failed");
    for (tsxSOBJ obj : tsxhost::SceneObjects()) {
      if (obj != a && obj != b) tsxSobjDelete(obj);
    }
    state.ResumeTiming();
  }
  spl::SetJoinStageObserver(nullptr);
  for (const auto& [stage, seconds] : times.seconds) {
    state.counters[stage + "_ms"] = benchmark::Counter(seconds * 1000 / static_cast<double>(state.iterations()));
  }
  tsxhost::ResetScene();
}

// The merge alone, on the host's copy of A, with the junction of the
// end-to-end pair given: A's end cap (last face) on B's start cap, whose
// corner 3 lies on A's corner 0.
void BM_MergeOnly(benchmark::State& state) {
  tsxSOBJ a = 0, b = 0;
  const int faces = static_cast<int>(state.range(0));
  SetUpPair(faces, Layout::EndToEnd, &a, &b);
  spl::ResetJoinState();
  spl::InitJoinStateForWindow();
  for (auto _ : state) {
    state.PauseTiming();
    tsxSOBJ result = 0;
    tsxGNodeCopy(a, &result);
    spl::JoinState.LastError = 0;
    spl::JoinState.JunctionFaceA = faces - 1;
    spl::JoinState.JunctionFaceB = faces - 2;
    spl::JoinState.JunctionCornerB = 3;
    state.ResumeTiming();
    spl::MergeObjects(result, b);
    state.PauseTiming();
    if (spl::JoinState.LastError != 0) state.SkipWithError("merge failed");
    tsxSobjDelete(result);
    state.ResumeTiming();
  }
  tsxhost::ResetScene();
}

// The floor: every vertex and corner of both objects read and written once.
void BM_CopyArraysOnce(benchmark::State& state) {
  tsxSOBJ a = 0, b = 0;
  SetUpPair(static_cast<int>(state.range(0)), Layout::EndToEnd, &a, &b);
  for (auto _ : state) {
    for (tsxSOBJ obj : {a, b}) {
      const int32_t nv = tsxPolyhGetNbrVxs(obj);
      const int32_t nf = tsxPolyhGetNbrFaces(obj);
      std::vector<CtsxVector3f> vertices(tsxPolyhGetVxArray(obj), tsxPolyhGetVxArray(obj) + nv);
      CtsxFace** faces = tsxPolyhGetFaceptrArray(obj);
      std::vector<CtsxFace> records(static_cast<std::size_t>(nf));
      std::vector<CtsxCorner> corners;
      corners.reserve(4 * static_cast<std::size_t>(nf));
      for (int32_t f = 0; f < nf; ++f) {
        records[static_cast<std::size_t>(f)] = *faces[f];
        corners.insert(corners.end(), faces[f]->corners, faces[f]->corners + faces[f]->nbrCorners);
      }
      benchmark::DoNotOptimize(vertices.data());
      benchmark::DoNotOptimize(corners.data());
      benchmark::DoNotOptimize(records.data());
    }
  }
  tsxhost::ResetScene();
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10'002)->Arg(100'002)->Arg(1'000'002)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(BM_Join, end_to_end, Layout::EndToEnd)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Join, no_junction, Layout::Apart)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Join, far_from_midpoint, Layout::FarFromMidpoint)->Apply(Sizes);
BENCHMARK(BM_MergeOnly)->Apply(Sizes);
BENCHMARK(BM_CopyArraysOnce)->Apply(Sizes);

}  // namespace
