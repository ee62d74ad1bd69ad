// An assembly of N x N unit cubes, each its own object, touching face to
// face: read from one OBJ, every object joined at once into one slab, the
// slab written, as `splicer join GRID.obj --all -o SLAB.obj` does it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "session/AssemblyJoin.h"
#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"

namespace {

namespace fs = std::filesystem;

// Each cube's 8 corners and 6 outward quads, numbered as OBJ numbers them.
void WriteGrid(int n, const fs::path& path) {
  std::ofstream out(path);
  long base = 1;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      out << "o c_" << i << '_' << j << '\n';
      for (int k = 0; k < 8; ++k) {
        out << "v " << i + (k & 1) << ' ' << j + ((k >> 1) & 1) << ' ' << ((k >> 2) & 1) << '\n';
      }
      static constexpr int kQuads[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                           {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
      for (const auto& q : kQuads) {
        out << 'f';
        for (int c : q) out << ' ' << base + c;
        out << '\n';
      }
      base += 8;
    }
  }
}

void BM_CubeGridAll(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const fs::path dir = fs::temp_directory_path() / ("splicer_grid_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path grid = dir / "grid.obj", slab = dir / "slab.obj";
  WriteGrid(n, grid);
  double read = 0, join = 0, write = 0;
  splicer::AssemblyOutcome last;
  for (auto _ : state) {
    state.PauseTiming();
    tsxhost::ResetScene();
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    const tsxhost::ObjResult loaded = tsxhost::LoadScene(grid.string());
    const auto t1 = std::chrono::steady_clock::now();
    last = splicer::JoinAssembly(loaded.objects, 0.01);
    const auto t2 = std::chrono::steady_clock::now();
    const tsxhost::SaveResult saved = tsxhost::SaveScene(slab.string(), last.Results());
    const auto t3 = std::chrono::steady_clock::now();
    if (!loaded.ok || !last.Joined() || !saved.ok || last.groups.size() != 1) {
      state.SkipWithError(("the grid did not join: " + last.what + loaded.error + saved.error).c_str());
      break;
    }
    read += std::chrono::duration<double>(t1 - t0).count();
    join += std::chrono::duration<double>(t2 - t1).count();
    write += std::chrono::duration<double>(t3 - t2).count();
  }
  const double runs = static_cast<double>(state.iterations());
  if (!last.groups.empty()) {
    const spl::ContactGroup& slabFacts = last.groups.front().facts;
    state.counters["vertices"] = static_cast<double>(slabFacts.vertices);
    state.counters["faces"] = static_cast<double>(slabFacts.faces);
    state.counters["area"] = slabFacts.area;
    state.counters["volume"] = slabFacts.volume;
  }
  state.counters["read_s"] = read / runs;
  state.counters["join_s"] = join / runs;
  state.counters["write_s"] = write / runs;
  state.counters["us_per_object"] = (read + join + write) / runs / (n * n) * 1e6;
  tsxhost::ResetScene();
  fs::remove_all(dir);
}
BENCHMARK(BM_CubeGridAll)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
