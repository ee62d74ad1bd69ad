#include "host/obj/SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tsxhost {
namespace {

bool failNextRename = false;

// Temporary files to remove when a signal ends the program mid-write.
constexpr size_t kMaxFiles = 8;
char pending[kMaxFiles][4096];
volatile sig_atomic_t pendingCount = 0;

extern "C" void RemovePendingAndDie(int sig) {
  for (sig_atomic_t i = 0; i < pendingCount; ++i) ::unlink(pending[i]);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// While alive: signals that end the program remove the temporaries first,
// and a file size limit makes write() fail instead of killing the program.
class SignalGuard {
 public:
  explicit SignalGuard(bool leaveInterrupt) {
    for (size_t i = 0; i < kSignals; ++i) {
      old_[i] = leaveInterrupt && kWatched[i] == SIGINT ? SIG_ERR : std::signal(kWatched[i], RemovePendingAndDie);
    }
    oldXfsz_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~SignalGuard() {
    for (size_t i = 0; i < kSignals; ++i) {
      if (old_[i] != SIG_ERR) std::signal(kWatched[i], old_[i]);
    }
    std::signal(SIGXFSZ, oldXfsz_);
    pendingCount = 0;
  }
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

 private:
  static constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};
  static constexpr size_t kSignals = 3;
  void (*old_[kSignals])(int){};
  void (*oldXfsz_)(int) = SIG_DFL;
};

std::string Failure(const std::string& path, int err) {
  return path + ": cannot write the file: " + std::strerror(err);
}

// The mode a new file gets (0666 less the umask), or the old file's.
mode_t ModeFor(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Bytes written between two progress calls.
constexpr size_t kProgressPiece = size_t{4} << 20;

struct Progress {
  const WriteProgress& call;
  int64_t done = 0;
  int64_t total = 0;
  bool stopped = false;
  bool Tell() {
    if (call && !call(done, total)) stopped = true;
    return !stopped;
  }
};

bool WriteAll(int fd, std::string_view text, Progress& progress) {
  while (!text.empty()) {
    if (!progress.Tell()) return false;
    const ssize_t n = ::write(fd, text.data(), std::min(text.size(), kProgressPiece));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
    progress.done += n;
  }
  return true;
}

// Temporaries are ".NAME.splicer-tmp-PID-N": hidden, beside their target,
// and naming the process that writes them, so that one left by a process
// killed outright (no handler runs on SIGKILL) is known for stale.
constexpr std::string_view kTempMark = ".splicer-tmp-";
std::atomic<unsigned> tempCount{0};

std::string TempPrefix(const std::filesystem::path& target) {
  std::string prefix(1, '.');
  prefix += target.filename().string();
  prefix += kTempMark;
  return prefix;
}

// Removes temporaries of `target` whose writing process no longer exists.
// Read with the POSIX calls: the library's directory iterator ends the
// program when memory runs out inside it, where this lets it be reported.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
  const std::string prefix = TempPrefix(target);
  const std::filesystem::path folder = target.parent_path();
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), &::closedir);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    const char* name = entry->d_name;
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) continue;
    const char* digits = name + prefix.size();
    char* stop = nullptr;
    const long pid = std::strtol(digits, &stop, 10);
    if (stop == digits || *stop != '-' || pid <= 0) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlinkat(::dirfd(dir.get()), name, 0);
  }
}

// Writes `text` and then the `tail` pieces to a new temporary file beside
// `path`; its name in `temp`.
// Writes what `file.stream` makes; the progress total counts its bytes,
// as far as they are known, in place of its estimate.
bool WriteStream(int fd, const FileText& file, Progress& progress, int* err) {
  const int64_t before = progress.total - file.estimate;
  int64_t made = 0;
  const bool ok = file.stream([&](std::string_view piece) {
    made += static_cast<int64_t>(piece.size());
    progress.total = std::max(progress.total, progress.done + static_cast<int64_t>(piece.size()));
    if (WriteAll(fd, piece, progress)) return true;
    if (*err == 0) *err = errno;
    return false;
  });
  progress.total = std::max(before + made, progress.done);
  return ok;
}

bool WriteTemporary(const std::string& path, const FileText& file, Progress& progress, std::string* temp, int* err) {
  const std::string_view text = file.text;
  const std::vector<std::string_view>& tail = file.tail;
  const std::filesystem::path target(path);
  RemoveStaleTemporaries(target);
  *temp = (target.parent_path() / (TempPrefix(target) + std::to_string(::getpid()) + "-" +
                                   std::to_string(tempCount.fetch_add(1)))).string();
  if (temp->size() >= sizeof pending[0] || pendingCount == static_cast<sig_atomic_t>(kMaxFiles)) {
    *err = ENAMETOOLONG;
    return false;
  }
  const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    *err = errno;
    temp->clear();
    return false;
  }
  std::memcpy(pending[pendingCount], temp->c_str(), temp->size() + 1);
  pendingCount = pendingCount + 1;
  bool ok = ::fchmod(fd, ModeFor(path)) == 0 && WriteAll(fd, text, progress);
  for (size_t i = 0; ok && i < tail.size(); ++i) ok = WriteAll(fd, tail[i], progress);
  int streamErr = 0;
  try {
    ok = ok && (!file.stream || WriteStream(fd, file, progress, &streamErr));
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (!ok && streamErr != 0) errno = streamErr;
  ok = ok && ::fsync(fd) == 0;
  *err = errno;
  ok = ::close(fd) == 0 && ok;
  if (!ok && *err == 0) *err = errno;
  return ok;
}

// Temporaries written and not yet renamed, each with its target; removed
// when the write ends otherwise, by an exception too.
struct Temporaries {
  std::vector<std::string> names;
  std::vector<std::string> targets;
  Temporaries() = default;
  Temporaries(const Temporaries&) = delete;
  Temporaries& operator=(const Temporaries&) = delete;
  ~Temporaries() { RemoveAll(); }
  void Add(std::string name, const std::string& target) {
    names.push_back(std::move(name));
    targets.push_back(target);
  }
  void RemoveAll() {
    for (const std::string& name : names) ::unlink(name.c_str());
    names.clear();
    targets.clear();
  }
};

}  // namespace

bool WriteFilesSafely(const std::vector<FileText>& files, std::string* error, const WriteProgress& progressCall,
                      const std::vector<AlongsideFile>& alongside) {
  SignalGuard guard(static_cast<bool>(progressCall));
  Progress progress{progressCall};
  for (const FileText& file : files) {
    progress.total += static_cast<int64_t>(file.text.size());
    for (std::string_view piece : file.tail) progress.total += static_cast<int64_t>(piece.size());
    if (file.stream) progress.total += file.estimate;
  }
  Temporaries temps;
  auto fail = [&](const std::string& path, int err) {
    if (error) *error = progress.stopped ? path + ": " + kWritingStopped : Failure(path, err);
    temps.RemoveAll();  // after: `path` may be one of its targets
    return false;
  };
  auto stage = [&](const FileText& file, int* err) {
    std::string temp;
    const bool ok = WriteTemporary(file.path, file, progress, &temp, err);
    if (!temp.empty()) temps.Add(std::move(temp), file.path);
    return ok;
  };
  for (const FileText& file : files) {
    if (int err = 0; !stage(file, &err)) return fail(file.path, err);
  }
  for (const AlongsideFile& file : alongside) {
    const std::string text = file.text ? file.text() : std::string();
    progress.total += static_cast<int64_t>(text.size());
    if (int err = 0; !stage({file.path, text}, &err)) return fail(file.path, err);
  }
  const std::string first = files.empty() ? (alongside.empty() ? std::string() : alongside.front().path)
                                           : files.front().path;
  if (failNextRename) {
    failNextRename = false;
    return fail(first, EINTR);
  }
  // A folder in a target's place would fail its rename after others were
  // done: found first, nothing is replaced.
  for (const std::string& target : temps.targets) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return fail(target, EISDIR);
  }
  if (!progress.Tell()) return fail(first, 0);
  // The files made alongside and the companions first: the first file (the
  // one named) replaces the old last.
  while (!temps.names.empty()) {
    if (::rename(temps.names.back().c_str(), temps.targets.back().c_str()) != 0) {
      return fail(temps.targets.back(), errno);
    }
    temps.names.pop_back();
    temps.targets.pop_back();
  }
  return true;
}

namespace testing {
void FailNextRename() { failNextRename = true; }
}  // namespace testing

}  // namespace tsxhost
