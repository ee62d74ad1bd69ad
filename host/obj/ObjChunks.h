// An OBJ text read ahead in chunks that end at line ends, on this thread
// and one more: the v, vt, vn and f lines of each chunk are tokenised and
// their numbers converted. Whatever depends on the lines before (objects,
// groups, materials, relative indices, the errors those find) is left to
// the reader, which takes the chunks in file order.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string_view>
#include <vector>

#include "interface/tsxapi.h"

namespace tsxhost::detail {

enum class LineKind : uint8_t { kBlank, kVertex, kUv, kNormal, kFace, kOther };

struct ObjChunk {
  std::string_view text;
  std::vector<LineKind> kinds;            // one per line read ahead
  std::vector<std::string_view> others;   // the kOther lines, whole
  std::vector<CtsxVector3f> vertices, normals;
  std::vector<CtsxUV> uvs;
  std::vector<int32_t> corners;           // v, vt, vn per corner, as written (0: none)
  std::vector<uint32_t> faceCorners;      // corners per face
  // Where the first line starts that is not read ahead (it has something
  // wrong with it, which the reader reports in its own order); the text's
  // size when every line is.
  size_t rest = 0;
  std::exception_ptr failure;  // memory failing while reading ahead
};

// Ends of chunks of about `size` bytes (at least one byte), each just
// after a line end; the last is text.size().
std::vector<size_t> ChunkEnds(std::string_view text, size_t size);

// Reads the lines of `text` ahead into `chunk` (its arrays reused), as far
// as they can be read on their own.
void ReadAhead(std::string_view text, ObjChunk& chunk);

// Reads `text` (its byte order mark removed) ahead in chunks of about
// `size` bytes, a few chunks ahead of `apply` (their memory reused, so it
// stays a few chunks' worth), which is called on this
// thread for each chunk in file order. Stops when apply returns false
// (returning false). Memory failing while a chunk is read ahead is thrown
// when that chunk's turn comes.
bool ForEachChunk(std::string_view text, size_t size, const std::function<bool(const ObjChunk&)>& apply);

}  // namespace tsxhost::detail
