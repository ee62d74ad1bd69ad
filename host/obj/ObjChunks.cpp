#include "host/obj/ObjChunks.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "host/obj/ObjTokens.h"
#include "host/obj/TextLines.h"

namespace tsxhost::detail {
namespace {

bool Floats(std::string_view rest, float* out, int required, int count) {
  for (int i = 0; i < count; ++i) {
    const std::string_view token = NextToken(rest);
    if (token.empty()) return i >= required;
    if (!ReadFloatToken(token, &out[i])) return false;
  }
  return true;
}

// An index that is present must be a non-zero integer.
bool Index(std::string_view token, int64_t* value) { return ReadIndexToken(token, value) && *value != 0; }

// "v", "v/vt", "v//vn" or "v/vt/vn", as the reader takes them apart.
// Indices beyond 32 bits (out of range anyway) are left to the reader.
bool Corner(std::string_view token, ObjChunk& chunk) {
  const size_t slash = token.find('/');
  int64_t v = 0, t = 0, n = 0;
  if (!Index(token.substr(0, slash), &v)) return false;
  if (slash != std::string_view::npos) {
    const std::string_view tail = token.substr(slash + 1);
    const size_t second = tail.find('/');
    const std::string_view uv = tail.substr(0, second);
    if (!uv.empty() && !Index(uv, &t)) return false;
    if (second != std::string_view::npos) {
      const std::string_view normal = tail.substr(second + 1);
      if (!normal.empty() && !Index(normal, &n)) return false;
    }
  }
  constexpr int64_t kLow = INT32_MIN, kHigh = INT32_MAX;
  if (std::max({v, t, n}) > kHigh || std::min({v, t, n}) < kLow) return false;
  chunk.corners.insert(chunk.corners.end(), {static_cast<int32_t>(v), static_cast<int32_t>(t), static_cast<int32_t>(n)});
  return true;
}

bool Face(std::string_view rest, ObjChunk& chunk) {
  const size_t first = chunk.corners.size();
  uint32_t corners = 0;
  for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
    if (++corners > INT16_MAX || !Corner(token, chunk)) {
      chunk.corners.resize(first);
      return false;
    }
  }
  if (corners < 3) {
    chunk.corners.resize(first);
    return false;
  }
  chunk.faceCorners.push_back(corners);
  return true;
}

// False for a line the reader must read itself.
bool Line(std::string_view line, ObjChunk& chunk) {
  if (line.find('\0') != std::string_view::npos) return false;
  std::string_view rest = TrimLeft(line);
  if (rest.empty() || rest[0] == '#') {
    chunk.kinds.push_back(LineKind::kBlank);
    return true;
  }
  const std::string_view key = NextToken(rest);
  LineKind kind = LineKind::kOther;
  if (key == "v") {
    CtsxVector3f v{};
    if (!Floats(rest, &v.x, 3, 3)) return false;
    chunk.vertices.push_back(v);
    kind = LineKind::kVertex;
  } else if (key == "vt") {
    CtsxUV uv{};
    if (!Floats(rest, &uv.u, 1, 2)) return false;
    chunk.uvs.push_back(uv);
    kind = LineKind::kUv;
  } else if (key == "vn") {
    CtsxVector3f n{};
    if (!Floats(rest, &n.x, 3, 3)) return false;
    chunk.normals.push_back(n);
    kind = LineKind::kNormal;
  } else if (key == "f") {
    if (!Face(rest, chunk)) return false;
    kind = LineKind::kFace;
  } else {
    chunk.others.push_back(line);
  }
  chunk.kinds.push_back(kind);
  return true;
}

void ReadAheadCaught(std::string_view text, ObjChunk& chunk) {
  try {
    ReadAhead(text, chunk);
  } catch (...) {
    chunk.failure = std::current_exception();
  }
}

// The chunks, who reads which, and how far ahead of the reader. Chunk j is
// read into slot j % kAhead, which chunk j - kAhead has left by then.
class Pipeline {
 public:
  explicit Pipeline(const std::vector<std::string_view>& texts) : texts_(texts), ready_(texts.size(), 0) {}
  ~Pipeline() { Stop(); }
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  void StartHelper() {
    try {
      helper_ = std::thread([this] { Help(); });
    } catch (const std::system_error&) {
      // No second thread to be had: this one reads every chunk.
    }
  }

  // Chunk i once read ahead, reading chunks on this thread meanwhile.
  const ObjChunk& Wait(size_t i) {
    std::unique_lock lock(mutex_);
    while (!ready_[i]) {
      if (next_ < texts_.size() && next_ < i + kAhead) {
        const size_t j = next_++;
        lock.unlock();
        ReadAheadCaught(texts_[j], slots_[j % kAhead]);
        lock.lock();
        ready_[j] = 1;
        changed_.notify_all();
      } else {
        changed_.wait(lock);
      }
    }
    return slots_[i % kAhead];
  }

  // Chunk i is applied: the helper may read further.
  void Done(size_t i) {
    std::lock_guard lock(mutex_);
    applied_ = i + 1;
    changed_.notify_all();
  }

 private:
  static constexpr size_t kAhead = 4;  // chunks read ahead at most

  void Help() {
    for (;;) {
      size_t j = 0;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stop_ || next_ >= texts_.size() || next_ < applied_ + kAhead; });
        if (stop_ || next_ >= texts_.size()) return;
        j = next_++;
      }
      ReadAheadCaught(texts_[j], slots_[j % kAhead]);
      std::lock_guard lock(mutex_);
      ready_[j] = 1;
      changed_.notify_all();
    }
  }

  void Stop() {
    if (!helper_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
      changed_.notify_all();
    }
    helper_.join();
  }

  const std::vector<std::string_view>& texts_;
  ObjChunk slots_[kAhead];
  std::vector<char> ready_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0, applied_ = 0;
  bool stop_ = false;
  std::thread helper_;
};

}  // namespace

std::vector<size_t> ChunkEnds(std::string_view text, size_t size) {
  std::vector<size_t> ends;
  if (size == 0) size = 1;
  size_t at = 0;
  while (text.size() - at > size) {
    size_t end = LineEnd(text, at + size - 1);
    if (end == text.size()) break;
    // A "\r\n" stays together.
    end += end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1;
    if (end >= text.size()) break;
    ends.push_back(end);
    at = end;
  }
  ends.push_back(text.size());
  return ends;
}

void ReadAhead(std::string_view text, ObjChunk& chunk) {
  chunk.text = text;
  chunk.kinds.clear();
  chunk.others.clear();
  chunk.vertices.clear();
  chunk.normals.clear();
  chunk.uvs.clear();
  chunk.corners.clear();
  chunk.faceCorners.clear();
  chunk.failure = nullptr;
  chunk.rest = text.size();
  ForEachLineAt(text, [&chunk](std::string_view line, size_t at) {
    if (Line(line, chunk)) return true;
    chunk.rest = at;
    return false;
  });
}

bool ForEachChunk(std::string_view text, size_t size, const std::function<bool(const ObjChunk&)>& apply) {
  const std::vector<size_t> ends = ChunkEnds(text, size);
  std::vector<std::string_view> texts;
  texts.reserve(ends.size());
  for (size_t i = 0, at = 0; i < ends.size(); at = ends[i++]) texts.push_back(text.substr(at, ends[i] - at));
  Pipeline pipeline(texts);  // stops and joins its helper on every way out
  if (texts.size() > 1) pipeline.StartHelper();
  for (size_t i = 0; i < texts.size(); ++i) {
    const ObjChunk& chunk = pipeline.Wait(i);
    if (chunk.failure) std::rethrow_exception(chunk.failure);
    if (!apply(chunk)) return false;
    pipeline.Done(i);
  }
  return true;
}

}  // namespace tsxhost::detail
