// splicer-asset-reader FORMAT FILE MEMORY_MIB CPU_SECONDS
//
// The reader process: reads one glTF, PLY or STL file with the asset
// library and writes what it holds to standard output as the host's asset
// stream. The programs that read such files start this one for each file,
// so that a damaged file that trips the library up stops this process and
// not theirs. The limits are set first, before the file is touched.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "AssetImport.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

void Limit(int resource, rlim_t soft, rlim_t hard) {
  const rlimit limit{soft, hard};
  setrlimit(resource, &limit);
}

void SetLimits(unsigned long long memoryMib, unsigned long long cpuSeconds) {
  Limit(RLIMIT_CORE, 0, 0);  // a crash leaves no core file behind
  // Past the soft limit the process gets SIGXCPU, a second later SIGKILL.
  if (cpuSeconds > 0) Limit(RLIMIT_CPU, cpuSeconds, cpuSeconds + 1);
  // AddressSanitizer reserves far more address space than it uses.
  if (memoryMib > 0 && !kAddressSanitizer) Limit(RLIMIT_AS, memoryMib << 20, memoryMib << 20);
}

bool WriteAll(const std::string& bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    const ssize_t n = write(STDOUT_FILENO, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += static_cast<size_t>(n);
  }
  return true;
}

tsxhost::detail::AssetScene Refusal(const char* why) {
  tsxhost::detail::AssetScene scene;
  scene.refusal = why;
  return scene;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tsxhost::detail;
  const tsxhost::FileFormat format = argc == 5 ? FormatOfWord(argv[1]) : tsxhost::FileFormat::Unknown;
  if (format == tsxhost::FileFormat::Unknown) {
    std::fputs("usage: splicer-asset-reader gltf|glb|ply|stl FILE MEMORY_MIB CPU_SECONDS\n", stderr);
    return 2;
  }
  SetLimits(std::strtoull(argv[3], nullptr, 10), std::strtoull(argv[4], nullptr, 10));
  std::string stream;
  try {
    stream = EncodeAssetScene(ImportAsset(argv[2], format));
  } catch (const std::bad_alloc&) {
    stream = EncodeAssetScene(Refusal("not enough memory to read the file"));
  } catch (const std::exception& e) {
    stream = EncodeAssetScene(Refusal(e.what()));
  }
  // Straight out: nothing is left to tidy up, and the library's leaks on
  // damaged files are of no concern once the process ends.
  _exit(WriteAll(stream) ? 0 : 3);
}
