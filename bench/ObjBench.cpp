// Writing and reading the OBJ scene of two generated bars, the two ends of
// `splicer join` that lie outside the join itself.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/Bars.h"
#include "host/obj/ObjFile.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"

namespace {

std::string ScenePath(int64_t faces) {
  return (std::filesystem::temp_directory_path() / ("splicer-bench-" + std::to_string(faces) + ".obj")).string();
}

void RemoveScene(const std::string& path) {
  std::filesystem::remove(path);
  std::filesystem::remove(std::filesystem::path(path).replace_extension(".mtl"));
}

void BM_WriteObj(benchmark::State& state) {
  tsxSOBJ a = 0, b = 0;
  bars::SetUpPair(static_cast<int>(state.range(0)), bars::Layout::EndToEnd, &a, &b);
  const std::string path = ScenePath(state.range(0));
  std::string error;
  for (auto _ : state) {
    if (!tsxhost::SaveObj(path, {a, b}, &error)) state.SkipWithError(error.c_str());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
  RemoveScene(path);
  tsxhost::ResetScene();
}

// Arg 1: 1 reads in chunks on two threads (the default), 0 line after line.
void BM_ReadObj(benchmark::State& state) {
  const size_t chunkBytes = tsxhost::testing::SetChunkedReading(0);
  if (state.range(1)) tsxhost::testing::SetChunkedReading(chunkBytes);
  tsxSOBJ a = 0, b = 0;
  bars::SetUpPair(static_cast<int>(state.range(0)), bars::Layout::EndToEnd, &a, &b);
  const std::string path = ScenePath(state.range(0));
  std::string error;
  if (!tsxhost::SaveObj(path, {a, b}, &error)) state.SkipWithError(error.c_str());
  for (auto _ : state) {
    state.PauseTiming();
    tsxhost::ResetScene();
    state.ResumeTiming();
    const tsxhost::ObjResult result = tsxhost::LoadObj(path);
    if (!result.ok) state.SkipWithError(result.error.c_str());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
  RemoveScene(path);
  tsxhost::ResetScene();
  tsxhost::testing::SetChunkedReading(chunkBytes);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10'002)->Arg(100'002)->Arg(1'000'002)->Arg(2'000'002)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void ReadSizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"faces", "chunked"})->Unit(benchmark::kMillisecond)->UseRealTime();
  for (int64_t faces : {10'002, 100'002, 1'000'002, 2'000'002}) b->Args({faces, 1})->Args({faces, 0});
}

BENCHMARK(BM_WriteObj)->Apply(Sizes);
BENCHMARK(BM_ReadObj)->Apply(ReadSizes);

}  // namespace
