#include "host/obj/TextLines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tsxhost::detail {

std::string ForDisplay(std::string_view text, size_t limit) {
  bool cut = false;
  if (text.size() > limit) {
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text = text.substr(0, end);
    cut = true;
  }
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = '?';
  }
  if (cut) out += "...";
  return out;
}

std::string CleanName(std::string_view text) {
  return ForDisplay(text, text.size() > kNameLimit ? kNameLimit - 3 : kNameLimit);
}

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "not a regular file (a folder)";
  if (S_ISFIFO(mode)) return "not a regular file (a pipe)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "not a regular file (a device)";
  if (S_ISSOCK(mode)) return "not a regular file (a socket)";
  return "not a regular file";
}

// Closes the descriptor on every way out.
struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

// Non-blocking, so that opening a pipe never waits for a writer; the kind
// of file is then read from the descriptor, not from the name.
bool OpenRegular(const std::string& path, Fd* file, struct stat* st, std::string* why) {
  file->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (file->fd < 0 || ::fstat(file->fd, st) != 0) {
    *why = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st->st_mode)) {
    *why = KindOf(st->st_mode);
    return false;
  }
  return true;
}

}  // namespace

bool IsRegularFile(const std::string& path, std::string* why) {
  Fd file{-1};
  struct stat st {};
  return OpenRegular(path, &file, &st, why);
}

namespace {

// Opens `path` as a regular file of at most `limit` bytes and reads it into
// the room `room(size)` gives; false with `why` otherwise. Returns the bytes
// read in `got` (fewer for a file that shrank while read).
template <typename Room>
bool ReadWhole(const std::string& path, size_t limit, Room room, size_t* got, std::string* why) {
  Fd file{-1};
  struct stat st {};
  if (!OpenRegular(path, &file, &st, why)) return false;
  if (static_cast<unsigned long long>(st.st_size) > limit) {
    *why = "larger than " + std::to_string(limit >> 20) + " MB";
    return false;
  }
  const auto size = static_cast<size_t>(st.st_size);
  char* into = room(size);
  *got = 0;
  while (*got < size) {
    const ssize_t n = ::read(file.fd, into + *got, size - *got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    *got += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadRegularFile(const std::string& path, size_t limit, std::string* text, std::string* why) {
  size_t got = 0;
  const auto room = [text](size_t size) {
    text->resize(size);
    return text->data();
  };
  if (!ReadWhole(path, limit, room, &got, why)) return false;
  text->resize(got);
  return true;
}

bool ReadRegularFile(const std::string& path, size_t limit, FileText* text, std::string* why) {
  size_t got = 0;
  // Not cleared first: the read writes every byte kept.
  const auto room = [text](size_t size) {
    text->data = std::make_unique_for_overwrite<char[]>(size);
    return text->data.get();
  };
  if (!ReadWhole(path, limit, room, &got, why)) return false;
  text->size = got;
  return true;
}

}  // namespace tsxhost::detail
