// libFuzzer harness for what a glTF file refers to: the input's bytes pick
// the buffers' and images' names (inside the scene's folder, above it,
// absolute, through links, encoded, a pipe, a device, a folder) and the
// JSON's numbers, and the reader's import runs under its rules on the
// result. Nothing outside the folder may be read, and nothing may block
// (libFuzzer's -timeout catches a hang). Opt-in like asset_library_fuzz:
// the library runs in this process.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "host/reader/AssetImport.h"

namespace {

namespace fs = std::filesystem;

// Outside the scene's folder: positions that must never be read.
constexpr float kSecret = 12345.678f;

const fs::path& Root() {
  static const fs::path root = [] {
    const fs::path r = fs::temp_directory_path() / ("asset_resources_fuzz_" + std::to_string(::getpid()));
    fs::create_directories(r / "scene" / "sub");
    std::ofstream secret(r / "secret.bin", std::ios::binary);
    for (int i = 0; i < 64; ++i) secret.write(reinterpret_cast<const char*>(&kSecret), sizeof kSecret);
    secret.close();
    std::ofstream inside(r / "scene" / "sub" / "tri.bin", std::ios::binary);
    const float tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    inside.write(reinterpret_cast<const char*>(tri), sizeof tri);
    inside.close();
    ::mkfifo((r / "scene" / "pipe.bin").c_str(), 0600);
    std::error_code ec;
    fs::create_symlink(r / "secret.bin", r / "scene" / "link.bin", ec);
    fs::create_directory_symlink(r, r / "scene" / "up", ec);
    fs::create_symlink("/dev/zero", r / "scene" / "zero.bin", ec);
    std::atexit([] {
      std::error_code e;
      fs::remove_all(Root(), e);
    });
    return r;
  }();
  return root;
}

const char* const kNames[] = {"sub/tri.bin", "../secret.bin", "sub/../../secret.bin", "link.bin", "up/secret.bin",
                              "pipe.bin", "zero.bin", "sub", "%2e%2e/secret.bin", "up/scene/sub/tri.bin",
                              "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA",
                              "", "file:///etc/passwd"};
constexpr size_t kNameCount = sizeof kNames / sizeof kNames[0];

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  unsigned Next() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const uint8_t* data_;
  size_t size_, at_ = 0;
};

std::string Gltf(Bytes& b) {
  const unsigned buffers = 1 + b.Next() % 3;
  std::string json = R"({"asset":{"version":"2.0"},"buffers":[)";
  for (unsigned i = 0; i < buffers; ++i) {
    json += std::string(i ? "," : "") + R"({"uri":")" + kNames[b.Next() % kNameCount] + R"(","byteLength":)" +
            std::to_string(b.Next() % 64) + "}";
  }
  json += R"(],"bufferViews":[{"buffer":)" + std::to_string(b.Next() % (buffers + 1)) + R"(,"byteOffset":)" +
          std::to_string(b.Next() % 16) + R"(,"byteLength":)" + std::to_string(b.Next() % 64) + "}]";
  json += R"(,"accessors":[{"bufferView":0,"componentType":5126,"count":)" + std::to_string(b.Next() % 8) +
          R"(,"type":"VEC3","min":[0,0,0],"max":[1,1,1]}])";
  json += R"(,"images":[{"uri":")" + std::string(kNames[b.Next() % kNameCount]) + R"("}])";
  json += R"(,"meshes":[{"primitives":[{"attributes":{"POSITION":0},"mode":)" + std::to_string(b.Next() % 7) + "}]}]";
  json += R"(,"nodes":[{"name":"N","mesh":0}],"scenes":[{"nodes":[0]}],"scene":0})";
  return json;
}

}  // namespace

// The library computes some sizes with wrap-around from damaged counts and
// asks for tens of GB; the reader's memory limit turns that into a refusal.
// Here the same: an allocation past a limit fails as it would there, so the
// run goes on to what this harness is for.
namespace {
constexpr size_t kAllocationLimit = size_t{1} << 30;
void* Allocate(size_t n) {
  if (n > kAllocationLimit) throw std::bad_alloc();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace
void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  return n > kAllocationLimit ? nullptr : std::malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
  return n > kAllocationLimit ? nullptr : std::malloc(n ? n : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tsxhost::detail;
  Bytes bytes(data, size);
  const fs::path scene = Root() / "scene" / "model.gltf";
  std::ofstream(scene) << Gltf(bytes);
  AssetScene read;
  try {
    read = ImportAsset(scene.string(), tsxhost::FileFormat::Gltf);
  } catch (const std::bad_alloc&) {
    return 0;  // the library asked for more than there is: the reader refuses such a file
  }
  for (const AssetObject& object : read.objects) {
    for (const CtsxVector3f& v : object.mesh.vertices) {
      if (v.x == kSecret || v.y == kSecret || v.z == kSecret) {
        std::fprintf(stderr, "a file outside the scene's folder was read\n");
        std::abort();
      }
    }
  }
  return 0;
}
