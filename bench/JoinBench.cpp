// The whole join and each of its stages on pairs of generated closed bars
// of quads, against the floor of copying both meshes' arrays once into
// fresh memory, measured in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/Bars.h"
#include "engine/actions/WindowActions.h"
#include "engine/common/JoinState.h"
#include "engine/face/MeshMerge.h"
#include "engine/face/RunJoin.h"
#include "host/scene/Scene.h"
#include "session/JunctionReport.h"

namespace {

using bars::Layout;
using bars::SetUpPair;

// The thread's processor time: a loaded machine stretches wall time.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Sums the processor time of each stage over the iterations.
class StageTimes : public spl::JoinStageObserver {
 public:
  void StageStarted(spl::JoinStage) override { started_ = CpuSeconds(); }
  void StageFinished(spl::JoinStage stage) override {
    if (stage == spl::JoinStage::Whole || stage == spl::JoinStage::Count) return;
    seconds[std::string(spl::StageName(stage))] += CpuSeconds() - started_;
  }
  std::map<std::string, double> seconds;

 private:
  double started_ = 0;
};

spl::SlotLamps PressJoin(const spl::JoinHooks& hooks) {
  spl::JoinProgress progress;
  return spl::JoinPickedObjects(progress, {}, hooks);
}
spl::SlotLamps PressSeamJoin(const spl::JoinHooks& hooks) {
  spl::JoinProgress progress;
  return spl::SeamJoinPickedObjects(progress, {}, hooks);
}

// The join button (`press`: the plain join's or the seam join's) on a pair.
void BM_Join(benchmark::State& state, Layout layout, spl::SlotLamps (*press)(const spl::JoinHooks&)) {
  tsxSOBJ a = 0, b = 0;
  SetUpPair(static_cast<int>(state.range(0)), layout, &a, &b);
  StageTimes times;
  for (auto _ : state) {
    spl::ResetJoinState();
    spl::InitJoinStateForWindow();
    tsxhost::SetSelection(a);
    spl::PickObject(nullptr, spl::Slot::First);
    tsxhost::SetSelection(b);
    spl::PickObject(nullptr, spl::Slot::Second);
    press({&times, nullptr});
    state.PauseTiming();
    if (layout != Layout::Apart && spl::JoinState.LastError != 0) state.SkipWithError("join failed");
    for (tsxSOBJ obj : tsxhost::SceneObjects()) {
      if (obj != a && obj != b) tsxSobjDelete(obj);
    }
    state.ResumeTiming();
  }
  for (const auto& [stage, seconds] : times.seconds) {
    state.counters[stage + "_ms"] = benchmark::Counter(seconds * 1000 / static_cast<double>(state.iterations()));
  }
  tsxhost::ResetScene();
}

// The join followed by its report, the report reusing the search's
// geometry. Counters: each one's processor time and the report's share of
// the join's.
void BM_JoinWithReport(benchmark::State& state, Layout layout) {
  tsxSOBJ a = 0, b = 0;
  SetUpPair(static_cast<int>(state.range(0)), layout, &a, &b);
  double joinCpu = 0, reportCpu = 0;
  for (auto _ : state) {
    spl::ResetJoinState();
    spl::InitJoinStateForWindow();
    spl::SearchGeometry kept;
    const double started = CpuSeconds();
    tsxhost::SetSelection(a);
    spl::PickObject(nullptr, spl::Slot::First);
    tsxhost::SetSelection(b);
    spl::PickObject(nullptr, spl::Slot::Second);
    spl::JoinMade made;
    spl::JoinProgress progress;
    spl::JoinPickedObjects(progress, {}, {nullptr, &kept}, &made);
    const double joined = CpuSeconds();
    const spl::JunctionReport report = spl::ReportPlainJoin(made.inputs, &kept);
    benchmark::DoNotOptimize(report.left.coincidingVertexPairs);
    joinCpu += joined - started;
    reportCpu += CpuSeconds() - joined;
    state.PauseTiming();
    if (layout != Layout::Apart && !report.Joined()) state.SkipWithError("join failed");
    for (tsxSOBJ obj : tsxhost::SceneObjects()) {
      if (obj != a && obj != b) tsxSobjDelete(obj);
    }
    state.ResumeTiming();
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["join_cpu_ms"] = benchmark::Counter(joinCpu * 1000 / n);
  state.counters["report_cpu_ms"] = benchmark::Counter(reportCpu * 1000 / n);
  state.counters["report_share"] = benchmark::Counter(joinCpu > 0 ? reportCpu / joinCpu : 0);
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
    spl::JoinProgress progress;
    spl::MergeObjects(progress, result, b);
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
  b->Arg(10'002)->Arg(100'002)->Arg(1'000'002)->Arg(2'000'002)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(BM_Join, end_to_end, Layout::EndToEnd, PressJoin)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Join, no_junction, Layout::Apart, PressJoin)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Join, far_from_midpoint, Layout::FarFromMidpoint, PressJoin)->Apply(Sizes);
// The seam join on the same pairs (one touching face pair each), to hold
// against the plain join's times above.
BENCHMARK_CAPTURE(BM_Join, seam_end_to_end, Layout::EndToEnd, PressSeamJoin)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Join, seam_far_from_midpoint, Layout::FarFromMidpoint, PressSeamJoin)
    ->Apply(Sizes);
BENCHMARK_CAPTURE(BM_JoinWithReport, end_to_end, Layout::EndToEnd)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_JoinWithReport, no_junction, Layout::Apart)->Apply(Sizes);
BENCHMARK(BM_MergeOnly)->Apply(Sizes);
BENCHMARK(BM_CopyArraysOnce)->Apply(Sizes);

}  // namespace
