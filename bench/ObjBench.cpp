// Writing and reading the OBJ scene of two generated bars, the two ends of
// `splicer join` that lie outside the join itself.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "bench/Bars.h"
#include "host/formats/MeshFormats.h"
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

// The same scene as a binary glTF, through the asset library.
void BM_WriteGlb(benchmark::State& state) {
  tsxSOBJ a = 0, b = 0;
  bars::SetUpPair(static_cast<int>(state.range(0)), bars::Layout::EndToEnd, &a, &b);
  const std::string path = std::filesystem::path(ScenePath(state.range(0))).replace_extension(".glb").string();
  for (auto _ : state) {
    const tsxhost::SaveResult saved = tsxhost::SaveScene(path, {a, b});
    if (!saved.ok) state.SkipWithError(saved.error.c_str());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
  std::filesystem::remove(path);
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

// What reading costs at the least: the file read whole with read(), split
// at a line end near its middle, and each half parsed on a thread of its
// own with memchr and from_chars (every number of every v, vt, vn and f
// line, into a sum), nothing kept. BM_ReadObj's processor time over this
// one's is how far the reader is from the bytes.
struct BareSums {
  double coordinates = 0;
  int64_t indices = 0;
};

BareSums BareParse(std::string_view text) {
  BareSums sums;
  const char* at = text.data();
  const char* const end = at + text.size();
  while (at < end) {
    const char* eol = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
    if (!eol) eol = end;
    if (eol - at > 3 && at[0] == 'v' && (at[1] == ' ' || at[2] == ' ')) {  // v, vt, vn
      for (const char* p = at + (at[1] == ' ' ? 2 : 3); p < eol;) {
        float f = 0;
        p = std::from_chars(p, eol, f).ptr + 1;
        sums.coordinates += f;
      }
    } else if (eol - at > 2 && at[0] == 'f' && at[1] == ' ') {
      for (const char* p = at + 2; p < eol;) {
        int64_t i = 0;
        p = std::from_chars(p, eol, i).ptr;
        while (p < eol && (*p == ' ' || *p == '/')) ++p;
        sums.indices += i;
      }
    }
    at = eol + 1;
  }
  return sums;
}

void BM_BareParse(benchmark::State& state) {
  tsxSOBJ a = 0, b = 0;
  bars::SetUpPair(static_cast<int>(state.range(0)), bars::Layout::EndToEnd, &a, &b);
  const std::string path = ScenePath(state.range(0));
  std::string error;
  if (!tsxhost::SaveObj(path, {a, b}, &error)) state.SkipWithError(error.c_str());
  tsxhost::ResetScene();
  const size_t size = std::filesystem::file_size(path);
  for (auto _ : state) {
    const auto text = std::make_unique_for_overwrite<char[]>(size);
    const int fd = ::open(path.c_str(), O_RDONLY);
    size_t got = 0;
    for (ssize_t n = 1; fd >= 0 && got < size && n > 0; got += static_cast<size_t>(std::max<ssize_t>(n, 0))) {
      n = ::read(fd, text.get() + got, size - got);
    }
    if (fd >= 0) ::close(fd);
    const std::string_view all(text.get(), got);
    const size_t middle = std::min(all.size(), all.find('\n', all.size() / 2) + 1);
    BareSums second;
    std::thread helper([&] { second = BareParse(all.substr(middle)); });
    const BareSums first = BareParse(all.substr(0, middle));
    helper.join();
    benchmark::DoNotOptimize(first.coordinates + second.coordinates);
    benchmark::DoNotOptimize(first.indices + second.indices);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
  RemoveScene(path);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10'002)->Arg(100'002)->Arg(1'000'002)->Arg(2'000'002)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void ReadSizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"faces", "chunked"})->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
  for (int64_t faces : {10'002, 100'002, 1'000'002, 2'000'002}) b->Args({faces, 1})->Args({faces, 0});
}

BENCHMARK(BM_WriteObj)->Apply(Sizes);
BENCHMARK(BM_WriteGlb)->Apply(Sizes)->MeasureProcessCPUTime();
BENCHMARK(BM_ReadObj)->Apply(ReadSizes);
BENCHMARK(BM_BareParse)
    ->ArgName("faces")
    ->Arg(100'002)
    ->Arg(1'000'002)
    ->Arg(2'000'002)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
