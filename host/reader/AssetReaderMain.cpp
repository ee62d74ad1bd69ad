// splicer-asset-reader FORMAT FILE [--memory-mib N] [--seconds S]
//                      [--seconds-per-mib S] [--max-faces N] [--resources-anywhere]
//
// The reader process: reads one glTF, PLY or STL file with the asset
// library and writes what it holds to standard output as the host's asset
// stream. The programs that read such files start this one for each file,
// so that a damaged file that trips the library up stops this process and
// not theirs. The limits are set first, before the file is touched: the
// process dies with the program that started it, and ends itself when its
// time is up (the caller keeps its own watch too).
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/reader/AssetImport.h"

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

struct Settings {
  tsxhost::FileFormat format = tsxhost::FileFormat::Unknown;
  std::string file;
  double memoryMib = 0;
  double seconds = 0;        // 0: no limit of its own
  double secondsPerMib = 0;  // added for each MiB of the files the scene refers to
  double maxFaces = tsxhost::detail::kDefaultMaxFaces;
  bool anywhere = false;
};

// A number in plain decimal, whole; false for anything else.
bool Number(const char* text, double* value) {
  if (!text || !*text || std::strspn(text, "0123456789.") != std::strlen(text)) return false;
  char* end = nullptr;
  *value = std::strtod(text, &end);
  return *end == '\0' && std::isfinite(*value);
}

bool Parse(int argc, char** argv, Settings* s) {
  if (argc < 3) return false;
  s->format = tsxhost::detail::FormatOfWord(argv[1]);
  s->file = argv[2];
  for (int i = 3; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--resources-anywhere") {
      s->anywhere = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    double* target = option == "--memory-mib"        ? &s->memoryMib
                     : option == "--seconds"         ? &s->seconds
                     : option == "--seconds-per-mib" ? &s->secondsPerMib
                     : option == "--max-faces"       ? &s->maxFaces
                                                     : nullptr;
    if (!target || !Number(argv[++i], target)) return false;
  }
  return s->format != tsxhost::FileFormat::Unknown;
}

void Limit(int resource, rlim_t soft, rlim_t hard) {
  const rlimit limit{soft, hard};
  setrlimit(resource, &limit);
}

// The wall-clock limit: SIGALRM, left at its default, ends the process.
void AddWallTime(double seconds) {
  itimerval timer{};
  getitimer(ITIMER_REAL, &timer);
  const double left = static_cast<double>(timer.it_value.tv_sec) + timer.it_value.tv_usec / 1e6;
  const double until = std::min(left + seconds, 1e9);
  timer.it_value.tv_sec = static_cast<time_t>(until);
  timer.it_value.tv_usec = static_cast<suseconds_t>((until - std::floor(until)) * 1e6);
  if (timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0) timer.it_value.tv_usec = 1;
  setitimer(ITIMER_REAL, &timer, nullptr);
  // Processor time follows: past the soft limit, SIGXCPU ends the process.
  rlimit cpu{};
  getrlimit(RLIMIT_CPU, &cpu);
  const rlim_t more = static_cast<rlim_t>(std::ceil(seconds));
  cpu.rlim_cur = cpu.rlim_cur == RLIM_INFINITY ? more : cpu.rlim_cur + more;
  setrlimit(RLIMIT_CPU, &cpu);
}

void SetLimits(const Settings& s) {
  // Dies with its caller (and should the caller be gone already, its own
  // time limit ends it).
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  Limit(RLIMIT_CORE, 0, 0);  // a crash leaves no core file behind
  // AddressSanitizer reserves far more address space than it uses.
  if (s.memoryMib > 0 && !kAddressSanitizer) {
    const auto bytes = static_cast<rlim_t>(s.memoryMib) << 20;
    Limit(RLIMIT_AS, bytes, bytes);
  }
  if (s.seconds > 0) AddWallTime(s.seconds);
}

bool WriteAll(std::string_view bytes) {
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
  Settings settings;
  if (!Parse(argc, argv, &settings)) {
    std::fputs("usage: splicer-asset-reader gltf|glb|ply|stl FILE [--memory-mib N] [--seconds S] "
               "[--seconds-per-mib S] [--max-faces N] [--resources-anywhere]\n",
               stderr);
    return 2;
  }
  SetLimits(settings);
  ResourceRules rules;
  rules.anywhere = settings.anywhere;
  rules.maxFaces = static_cast<unsigned long long>(settings.maxFaces);
  if (settings.seconds > 0 && settings.secondsPerMib > 0) {
    const double perMib = settings.secondsPerMib;
    rules.grant = [perMib](long long bytes) { AddWallTime(perMib * static_cast<double>(bytes) / (1 << 20)); };
  }
  // The answer goes out one object at a time, each let go once written;
  // the room for the largest is made before anything is written, so that
  // memory running out is still said as a refusal.
  AssetScene scene;
  std::string header, object;
  try {
    scene = ImportAsset(settings.file, settings.format, rules);
    size_t largest = 0;
    for (const AssetObject& o : scene.objects) largest = std::max(largest, EncodedObjectSize(o));
    object.reserve(largest);
    header = EncodeAssetHeader(scene);
  } catch (const std::bad_alloc&) {
    scene = Refusal("not enough memory to read the file");
    header = EncodeAssetHeader(scene);
  } catch (const std::length_error&) {
    scene = Refusal("not enough memory to read the file (it asks for more than memory can hold)");
    header = EncodeAssetHeader(scene);
  } catch (const std::exception& e) {
    // Said as a failure of the reading, never as a bare exception's text.
    scene = Refusal(("the reading failed: " + std::string(e.what())).c_str());
    header = EncodeAssetHeader(scene);
  }
  bool written = WriteAll(header);
  for (AssetObject& o : scene.objects) {
    if (!written) break;
    EncodeAssetObject(o, object);
    written = WriteAll(object);
    o = AssetObject();
  }
  // Straight out: nothing is left to tidy up, and the library's leaks on
  // damaged files are of no concern once the process ends.
  _exit(written && WriteAll(AssetStreamEnd()) ? 0 : 3);
}
