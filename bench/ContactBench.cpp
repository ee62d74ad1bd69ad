// The contact join against the seam join on two long bars whose gridded end
// caps (32 x 32 quads) lie on each other: about a million faces each, a
// contact of 1,024 face pairs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "engine/actions/WindowActions.h"
#include "engine/common/JoinState.h"
#include "engine/contact/ContactJoin.h"
#include "host/scene/Scene.h"

namespace {

constexpr int kCap = 32;

// A bar along x from x0, `segments` long, whose cross-section is the unit
// square gridded kCap x kCap: only its surface, turned outward.
tsxhost::Mesh GriddedBar(int segments, float x0) {
  tsxhost::Mesh mesh;
  const int ring = 4 * kCap;
  const auto ringPoint = [](int k) -> std::pair<float, float> {
    const float s = 1.0f / kCap;
    if (k < kCap) return {k * s, 0};
    if (k < 2 * kCap) return {1, (k - kCap) * s};
    if (k < 3 * kCap) return {1 - (k - 2 * kCap) * s, 1};
    return {0, 1 - (k - 3 * kCap) * s};
  };
  for (int i = 0; i <= segments; ++i) {
    for (int k = 0; k < ring; ++k) {
      const auto [y, z] = ringPoint(k);
      mesh.vertices.push_back({x0 + float(i), y, z});
    }
  }
  const auto corner = [](int v) { return tsxhost::Corner{v, -1, -1}; };
  for (int i = 0; i < segments; ++i) {
    for (int k = 0; k < ring; ++k) {
      const int a = i * ring + k, b = i * ring + (k + 1) % ring;
      tsxhost::Face face;
      face.corners = {corner(a), corner(b), corner(b + ring), corner(a + ring)};
      mesh.faces.push_back(face);
    }
  }
  // The caps: the ring's points and the inner lattice, quads over the grid.
  for (int end = 0; end < 2; ++end) {
    const int base = end * segments * ring;
    const int inner = static_cast<int>(mesh.vertices.size());
    for (int j = 1; j < kCap; ++j) {
      for (int k = 1; k < kCap; ++k) {
        mesh.vertices.push_back({x0 + float(end * segments), float(j) / kCap, float(k) / kCap});
      }
    }
    const auto at = [&](int j, int k) {  // (y index, z index)
      if (j > 0 && j < kCap && k > 0 && k < kCap) return inner + (j - 1) * (kCap - 1) + (k - 1);
      if (k == 0) return base + j;
      if (j == kCap) return base + kCap + k;
      if (k == kCap) return base + 2 * kCap + (kCap - j);
      return base + 3 * kCap + (kCap - k) % (4 * kCap);
    };
    for (int j = 0; j < kCap; ++j) {
      for (int k = 0; k < kCap; ++k) {
        tsxhost::Face face;
        face.corners = {corner(at(j, k)), corner(at(j, k + 1)), corner(at(j + 1, k + 1)), corner(at(j + 1, k))};
        if (end == 1) std::reverse(face.corners.begin(), face.corners.end());
        mesh.faces.push_back(face);
      }
    }
  }
  return mesh;
}

void BM_TouchingBars(benchmark::State& state, bool contact) {
  tsxhost::ResetScene();
  const int segments = static_cast<int>(state.range(0)) / (4 * kCap);
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", GriddedBar(segments, 0));
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", GriddedBar(segments, float(segments)));
  for (auto _ : state) {
    spl::ResetJoinState();
    spl::InitJoinStateForWindow();
    if (contact) {
      spl::ContactJoinRequest request;
      request.objects = {a, b};
      spl::JoinProgress progress;
      if (spl::RunContactJoin(request, progress).error != 0) state.SkipWithError("contact join failed");
    } else {
      tsxhost::SetSelection(a);
      spl::PickObject(nullptr, spl::Slot::First);
      tsxhost::SetSelection(b);
      spl::PickObject(nullptr, spl::Slot::Second);
      spl::JoinProgress progress;
      spl::SeamJoinPickedObjects(progress);
      if (spl::JoinState.LastError != 0) state.SkipWithError("seam join failed");
    }
    state.PauseTiming();
    for (tsxSOBJ obj : tsxhost::SceneObjects()) {
      if (obj != a && obj != b) tsxSobjDelete(obj);
    }
    state.ResumeTiming();
  }
  tsxhost::ResetScene();
}

BENCHMARK_CAPTURE(BM_TouchingBars, seam, false)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TouchingBars, contact, true)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
