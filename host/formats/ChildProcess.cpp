#include "host/formats/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace tsxhost::detail {
namespace {

using Clock = std::chrono::steady_clock;

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  int Get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// What the child starts with: its output into the pipe, /dev/null for the
// rest, default signal handling and nothing blocked (whatever the parent
// ignores or blocks), in a process group of its own.
class SpawnSetup {
 public:
  explicit SpawnSetup(int outFd) {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attr_);
    posix_spawn_file_actions_adddup2(&actions_, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
#endif
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setsigmask(&attr_, &none);
    posix_spawnattr_setsigdefault(&attr_, &all);
    // A process group of its own: ending the child ends whatever it started.
    posix_spawnattr_setpgroup(&attr_, 0);
    posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  int Spawn(pid_t* pid, const std::string& program, const std::vector<std::string>& args) const {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return posix_spawn(pid, program.c_str(), &actions_, &attr_, argv.data(), environ);
  }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attr_;
};

// How often the caller's `goOn` is asked while the child runs.
constexpr long long kCheckMilliseconds = 100;

// Reads the pipe to its end; false when the deadline passed or the output
// outgrew its limit first.
bool Collect(int fd, Clock::time_point deadline, std::size_t limit, const std::function<bool()>& goOn,
             const std::function<bool(std::string_view)>& take, ChildOutcome* out) {
  char buffer[65536];
  const long long slice = goOn ? kCheckMilliseconds : 1000;
  for (;;) {
    if (goOn && !goOn()) {
      out->ending = ChildOutcome::Ending::Cancelled;
      return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      out->ending = ChildOutcome::Ending::TimedOut;
      return false;
    }
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(std::min<long long>(left, slice)));
    if (ready <= 0) continue;  // time checked above; EINTR tried again
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return true;
    }
    if (out->received + static_cast<std::size_t>(n) > limit) {
      out->ending = ChildOutcome::Ending::OutputTooLong;
      return false;
    }
    out->received += static_cast<std::size_t>(n);
    if (!take) {
      out->output.append(buffer, static_cast<std::size_t>(n));
    } else if (!take(std::string_view(buffer, static_cast<std::size_t>(n)))) {
      out->ending = ChildOutcome::Ending::Stopped;
      return false;
    }
  }
}

// The child and anything it started.
void KillGroup(pid_t pid) {
  if (::kill(-pid, SIGKILL) != 0) ::kill(pid, SIGKILL);
}

int Reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 0;  // reaped elsewhere (SIGCHLD ignored)
  }
  return status;
}

// Waits for the child to end, killing it at the deadline or when the
// caller's `goOn` says stop; false if killed.
bool Wait(pid_t pid, Clock::time_point deadline, const std::function<bool()>& goOn, int* status) {
  auto nextCheck = Clock::now();
  for (;;) {
    const pid_t done = waitpid(pid, status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) {
      *status = 0;
      return true;
    }
    const auto now = Clock::now();
    bool stop = now >= deadline;
    if (!stop && goOn && now >= nextCheck) {
      nextCheck = now + std::chrono::milliseconds(kCheckMilliseconds);
      stop = !goOn();
    }
    if (stop) {
      KillGroup(pid);
      *status = Reap(pid);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace

ChildOutcome RunChild(const std::string& program, const std::vector<std::string>& args, double seconds,
                      std::size_t outputLimit, const std::function<bool()>& goOn,
                      const std::function<bool(std::string_view)>& take) {
  ChildOutcome out;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    out.why = std::strerror(errno);
    return out;
  }
  Descriptor readEnd(fds[0]), writeEnd(fds[1]);
  pid_t pid = 0;
  const int failed = SpawnSetup(writeEnd.Get()).Spawn(&pid, program, args);
  writeEnd.Close();
  if (failed != 0) {
    out.why = std::strerror(failed);
    return out;
  }
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  int status = 0;
  if (!Collect(readEnd.Get(), deadline, outputLimit, goOn, take, &out)) {
    KillGroup(pid);
    Reap(pid);
    return out;
  }
  if (!Wait(pid, deadline, goOn, &status)) {
    out.ending = Clock::now() >= deadline ? ChildOutcome::Ending::TimedOut : ChildOutcome::Ending::Cancelled;
    return out;
  }
  if (WIFSIGNALED(status)) {
    out.ending = ChildOutcome::Ending::Signalled;
    out.status = WTERMSIG(status);
  } else {
    out.ending = ChildOutcome::Ending::Exited;
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
  }
  return out;
}

}  // namespace tsxhost::detail
