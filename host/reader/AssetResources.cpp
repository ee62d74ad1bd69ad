#include "host/reader/AssetResources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <assimp/IOStream.hpp>


namespace tsxhost::detail {
namespace {

namespace fs = std::filesystem;

// A file opened for reading, read through its descriptor.
class FileStream : public Assimp::IOStream {
 public:
  FileStream(int fd, size_t size) : fd_(fd), size_(size) {}
  ~FileStream() override { ::close(fd_); }
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  size_t Read(void* buffer, size_t size, size_t count) override {
    if (size == 0 || count == 0 || count > SIZE_MAX / size) return 0;
    const size_t want = size * count;
    size_t got = 0;
    while (got < want) {
      const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + got, want - got, static_cast<off_t>(at_ + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    at_ += got;
    return got / size;
  }
  size_t Write(const void*, size_t, size_t) override { return 0; }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    size_t to = 0;
    switch (origin) {
      case aiOrigin_SET: to = offset; break;
      case aiOrigin_CUR: to = at_ + offset; break;
      case aiOrigin_END: to = size_ - offset; break;
      default: return aiReturn_FAILURE;
    }
    if (to > size_) return aiReturn_FAILURE;
    at_ = to;
    return aiReturn_SUCCESS;
  }
  size_t Tell() const override { return at_; }
  size_t FileSize() const override { return size_; }
  void Flush() override {}

 private:
  int fd_;
  size_t size_;
  size_t at_ = 0;
};

// A file's name in a refusal: the caller cleans it for display; a name of
// any length is cut in the middle, keeping its end.
std::string Named(const std::string& file) {
  return file.size() > 240 ? file.substr(0, 80) + "..." + file.substr(file.size() - 150) : file;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool Below(const std::string& path, const std::string& folder) {
  if (folder == "/") return path.size() > 1 && path[0] == '/';
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "not a regular file (a folder)";
  if (S_ISFIFO(mode)) return "not a regular file (a pipe)";
  if (S_ISSOCK(mode)) return "not a regular file (a socket)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "not a regular file (a device)";
  return "not a regular file";
}

}  // namespace

ResourceFiles::ResourceFiles(const std::string& scenePath, bool anywhere, std::function<void(long long)> grant)
    : scene_(scenePath), anywhere_(anywhere), grant_(std::move(grant)) {
  if (scenePath.empty()) return;  // no folder: nothing besides the scene is opened
  std::error_code ec;
  fs::path folder = fs::absolute(fs::path(scenePath), ec).parent_path();
  folder_ = RealPath(folder.string());
}

std::string ResourceFiles::Refuse(const std::string& file, const std::string& why) {
  if (refusal_.empty()) refusal_ = "refers to " + Named(file) + ", which " + why;
  return refusal_;
}

bool ResourceFiles::Exists(const char* file) const {
  struct stat st {};
  return file && ::stat(file, &st) == 0;
}

Assimp::IOStream* ResourceFiles::Open(const char* file, const char* mode) {
  if (!file || !mode || std::strchr(mode, 'w') || std::strchr(mode, 'a') || std::strchr(mode, '+')) return nullptr;
  const bool isScene = !scene_.empty() && file == scene_;
  const std::string real = RealPath(file);
  if (real.empty()) {
    if (!isScene) Refuse(file, std::string("cannot be opened: ") + std::strerror(errno));
    return nullptr;
  }
  if (!isScene && !anywhere_ && (folder_.empty() || !Below(real, folder_))) {
    Refuse(file, "lies outside the scene's folder (--resources-anywhere allows that)");
    return nullptr;
  }
  // Never blocks: a pipe or a device is seen for what it is before any read.
  const int fd = ::open(real.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    Refuse(file, std::string("cannot be opened: ") + std::strerror(errno));
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    Refuse(file, std::string("is ") + KindOf(st.st_mode));
    return nullptr;
  }
  // What was opened is what was checked, whatever moved since.
  if (!isScene && !anywhere_) {
    const std::string opened = RealPath("/proc/self/fd/" + std::to_string(fd));
    if (!opened.empty() && !Below(opened, folder_)) {
      ::close(fd);
      Refuse(file, "lies outside the scene's folder (--resources-anywhere allows that)");
      return nullptr;
    }
  }
  if (!isScene && grant_) grant_(static_cast<long long>(st.st_size));
  return new FileStream(fd, static_cast<size_t>(st.st_size));
}

void ResourceFiles::Close(Assimp::IOStream* stream) { delete stream; }

}  // namespace tsxhost::detail
