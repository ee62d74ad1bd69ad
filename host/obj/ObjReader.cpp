// Wavefront OBJ reader. Numbers are read with std::from_chars, which rounds
// correctly to single precision (as strtof does) and needs no locale; the
// whole file is parsed in memory and every object built before anything
// enters the scene, so a refused file leaves the scene as it was.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "host/obj/MtlFile.h"
#include "host/obj/MtlLibrary.h"
#include "host/obj/ObjChunks.h"
#include "host/obj/ObjFile.h"
#include "host/obj/ObjStatements.h"
#include "host/obj/ObjTokens.h"
#include "host/obj/TextLines.h"
#include "host/scene/HostState.h"
#include "host/scene/HostTesting.h"

namespace tsxhost {
namespace {

using detail::FlatMesh;
using detail::ForDisplay;
using detail::NextToken;
using detail::Trim;
using detail::TrimLeft;

constexpr int64_t kNone = -1;
constexpr int32_t kBeyond = std::numeric_limits<int32_t>::max();

// Texts longer than this are read ahead in chunks of this size on two
// threads; the objects and errors are the same either way. 0: never.
size_t g_chunkBytes = size_t{1} << 20;

// The number of a name in a list numbered in order of first use, the name
// added when new: found by a scan while the list is short (most objects
// use a material or two), by a table once it is long.
class NameIndex {
 public:
  size_t Of(std::vector<std::string>& names, const std::string& name) {
    if (const size_t at = Find(names, name); at != names.size()) return at;
    names.push_back(name);
    if (table_) {
      table_->emplace(name, names.size() - 1);
    } else if (names.size() > kScanned) {
      table_ = std::make_unique<std::unordered_map<std::string, size_t>>();
      for (size_t i = 0; i < names.size(); ++i) table_->emplace(names[i], i);
    }
    return names.size() - 1;
  }
  bool Has(const std::vector<std::string>& names, const std::string& name) const {
    return Find(names, name) != names.size();
  }

 private:
  static constexpr size_t kScanned = 16;
  size_t Find(const std::vector<std::string>& names, const std::string& name) const {
    if (table_) {
      const auto it = table_->find(name);
      return it == table_->end() ? names.size() : it->second;
    }
    return static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin());
  }
  std::unique_ptr<std::unordered_map<std::string, size_t>> table_;
};

// Appends `value` to a per-face list that stays empty while every value is
// 0; `count` is how many faces come before it.
void AppendSparse(std::vector<uint32_t>& list, size_t count, uint32_t value) {
  if (list.empty() && value == 0) return;
  list.resize(count, 0);
  list.push_back(value);
}

// An object as it is read. A file may hold millions of tiny objects: what
// most faces lack (smoothing, groups) takes no room until a face has it,
// names are looked up without a table while they are few, and each block
// is let go once its object is built.
struct Block {
  std::string name;
  bool implicit = false;                 // geometry before any "o" (or "g") line
  int64_t vertexStart = 0, uvStart = 0;  // "o" blocks own the v / vt read inside them
  // Global indices per corner (-1: none); an index past 32 bits is kBeyond
  // here and its corner and value kept, for the message that refuses it.
  std::vector<Corner> corners;
  std::vector<std::pair<size_t, int64_t>> beyondVertex, beyondUv;
  size_t textAt = 0;  // where in the text the block started, for sizing its arrays
  std::vector<uint32_t> faceStart{0};
  std::vector<uint16_t> faceMaterial;
  std::vector<uint32_t> faceSmoothing, faceGroup;  // empty until a face has one
  std::vector<long> faceLine;  // for errors found when the block is built
  std::vector<std::string> materialNames;  // per table entry, first use first
  NameIndex materialIndex;
  std::vector<std::string> groups;  // empty, or "" (none) and then the groups
  NameIndex groupIndex;
  bool hasNormals = false, hasSmoothing = false, hasGroups = false;
};

struct Library {
  long line = 0;
  std::string file;
};

class Parser {
 public:
  Parser(std::string_view text, std::string file) : text_(text), file_(std::move(file)) {}

  bool Run(const ObjReadOptions& options);
  std::string error;
  std::vector<std::unique_ptr<Block>> blocks;
  std::vector<Library> libraries;
  std::vector<std::string> warnings;
  std::vector<CtsxVector3f> vertices, normals;
  std::vector<CtsxUV> uvs;
  bool groupsAsObjects = false;  // groups without any "o": each group an object

 private:
  bool Fail(const std::string& what) {
    error = ForDisplay(file_) + ":" + std::to_string(line_) + ": " + what;
    return false;
  }
  bool Statement(std::string_view key, std::string_view rest);
  bool ParseVertex(std::string_view rest);
  bool ParseUv(std::string_view rest);
  bool ParseNormal(std::string_view rest);
  bool ParseFace(std::string_view rest);
  bool ParseCorner(std::string_view token, Block& block);
  bool ParseIndex(std::string_view token, int64_t count, int64_t* global, const char* what);
  bool ResolveIndex(int64_t value, int64_t count, int64_t* global, const char* what);
  bool AddCorner(Block& block, int64_t v, int64_t t, int64_t n);
  bool EndFace(Block& block, size_t first, size_t corners);
  bool AddFace(const int32_t* written, uint32_t corners);
  bool Line(std::string_view line);
  bool Read(detail::LineKind kind, std::string_view line);
  bool Apply(const detail::ObjChunk& chunk);
  void SizeFor(const detail::ObjChunk& chunk);
  bool OpenObject(std::string_view rest);
  bool OpenGroup(std::string_view rest);
  void ChooseMaterial(std::string_view rest);
  void Smoothing(std::string_view rest);
  bool StartBlock(const std::string& name, bool implicit);
  Block& Current();
  bool ReadFloat(std::string_view& rest, float* out, bool required, const char* what);
  uint16_t MaterialOf(Block& block);

  std::string_view text_;
  std::string file_;
  size_t chunkAt_ = 0, chunkEnd_ = 0, textSize_ = 0;  // of the chunk being applied, in the text without BOM
  long line_ = 0;
  std::unordered_map<std::string, size_t> blockByName_;
  size_t current_ = 0;
  bool open_ = false;
  bool nameTaken_ = false;  // the implicit object's name is in the scene
  std::string material_;    // the "usemtl" in force; empty: none yet
  bool materialChosen_ = false;
  uint32_t smoothing_ = 0;
  std::string group_;
  // The material and group indices of the last face, for the faces after it
  // in the same block while "usemtl", "o" and "g" leave them so.
  size_t indicesOf_ = SIZE_MAX;  // the block they are for; SIZE_MAX: none
  uint16_t lastMaterial_ = 0;
  uint32_t lastGroup_ = 0;
  bool anyStatement_ = false;
  bool known_ = false;  // a statement of the format seen
  StatementTally unused_;
};

// Whether groups make the objects: in a file with "g" lines and no "o"
// line. Where there is an "o", it makes objects and "g" groups inside them.
bool GroupsAsObjects(std::string_view text) {
  bool object = false, group = false;
  detail::ForEachLine(text, [&](std::string_view line) {
    std::string_view rest = line;
    const std::string_view key = NextToken(rest);
    object = key == "o";
    group = group || key == "g";
    return !object;
  });
  return group && !object;
}

bool Parser::StartBlock(const std::string& name, bool implicit) {
  if (const auto it = blockByName_.find(name); it != blockByName_.end()) {
    if (!groupsAsObjects) return Fail("a second object named '" + ForDisplay(name) + "'");
    current_ = it->second;  // a group named again goes on where it was
    open_ = true;
    return true;
  }
  if (FindObject(name)) {
    if (!implicit) return Fail("a second object named '" + ForDisplay(name) + "'");
    nameTaken_ = true;  // refused once the line is read, for its number
  }
  auto block = std::make_unique<Block>();
  block->name = name;
  block->implicit = implicit;
  block->vertexStart = static_cast<int64_t>(vertices.size());
  block->uvStart = static_cast<int64_t>(uvs.size());
  block->textAt = chunkAt_;
  blockByName_.emplace(name, blocks.size());
  current_ = blocks.size();
  blocks.push_back(std::move(block));
  open_ = true;
  return true;
}

Block& Parser::Current() {
  if (!open_) {
    // Geometry before any "o" line forms an object named after the file.
    std::string name = detail::CleanName(std::filesystem::path(file_).stem().string());
    if (name.empty()) name = "object";
    StartBlock(name, true);
  }
  return *blocks[current_];
}

bool Parser::ReadFloat(std::string_view& rest, float* out, bool required, const char* what) {
  const std::string_view token = NextToken(rest);
  if (token.empty()) {
    if (required) return Fail(std::string("missing ") + what);
    return true;
  }
  if (!detail::ReadFloatToken(token, out)) return Fail("malformed number '" + ForDisplay(token, 40) + "' in " + what);
  return true;
}

bool Parser::ParseVertex(std::string_view rest) {
  if (!groupsAsObjects) Current();
  CtsxVector3f v{};
  if (!ReadFloat(rest, &v.x, true, "vertex") || !ReadFloat(rest, &v.y, true, "vertex") ||
      !ReadFloat(rest, &v.z, true, "vertex")) {
    return false;
  }
  vertices.push_back(v);
  return true;
}

bool Parser::ParseUv(std::string_view rest) {
  if (!groupsAsObjects) Current();
  CtsxUV uv{};
  if (!ReadFloat(rest, &uv.u, true, "UV coordinate") || !ReadFloat(rest, &uv.v, false, "UV coordinate")) {
    return false;
  }
  uvs.push_back(uv);
  return true;
}

bool Parser::ParseNormal(std::string_view rest) {
  CtsxVector3f n{};
  if (!ReadFloat(rest, &n.x, true, "normal") || !ReadFloat(rest, &n.y, true, "normal") ||
      !ReadFloat(rest, &n.z, true, "normal")) {
    return false;
  }
  normals.push_back(n);
  return true;
}

bool Parser::ParseIndex(std::string_view token, int64_t count, int64_t* global, const char* what) {
  int64_t value = 0;
  if (!detail::ReadIndexToken(token, &value)) {
    return Fail(std::string("malformed ") + what + " index '" + ForDisplay(token, 40) + "'");
  }
  if (value == 0) return Fail(std::string(what) + " index 0 is out of range");
  return ResolveIndex(value, count, global, what);
}

// Negative indices count back from the last one read so far.
bool Parser::ResolveIndex(int64_t value, int64_t count, int64_t* global, const char* what) {
  *global = value > 0 ? value - 1 : count + value;
  if (*global < 0) return Fail(std::string(what) + " index " + std::to_string(value) + " is out of range");
  return true;
}

// One "v", "v/vt", "v//vn" or "v/vt/vn" corner.
bool Parser::ParseCorner(std::string_view token, Block& block) {
  const size_t slash = token.find('/');
  int64_t v = 0, t = kNone, n = kNone;
  if (!ParseIndex(token.substr(0, slash), static_cast<int64_t>(vertices.size()), &v, "vertex")) return false;
  if (slash != std::string_view::npos) {
    const std::string_view tail = token.substr(slash + 1);
    const size_t second = tail.find('/');
    const std::string_view uv = tail.substr(0, second);
    if (!uv.empty() && !ParseIndex(uv, static_cast<int64_t>(uvs.size()), &t, "UV")) return false;
    if (second != std::string_view::npos) {
      const std::string_view normal = tail.substr(second + 1);
      if (!normal.empty() && !ParseIndex(normal, static_cast<int64_t>(normals.size()), &n, "normal")) return false;
    }
  }
  return AddCorner(block, v, t, n);
}

// A corner whose indices are resolved (kNone: none); the normal must have been read.
bool Parser::AddCorner(Block& block, int64_t v, int64_t t, int64_t n) {
  if (n >= static_cast<int64_t>(normals.size())) {
    return Fail("normal index " + std::to_string(n + 1) + " is out of range");
  }
  const auto narrow = [&block](int64_t i, std::vector<std::pair<size_t, int64_t>>& beyond) {
    if (i < kBeyond) return static_cast<int32_t>(i);
    beyond.emplace_back(block.corners.size(), i);
    return kBeyond;
  };
  const int32_t vertex = narrow(v, block.beyondVertex), uv = narrow(t, block.beyondUv);
  block.corners.push_back({vertex, uv, static_cast<int32_t>(n)});
  block.hasNormals = block.hasNormals || n != kNone;
  return true;
}

uint16_t Parser::MaterialOf(Block& block) {
  const std::string& name = materialChosen_ ? material_ : std::string("default");
  return static_cast<uint16_t>(block.materialIndex.Of(block.materialNames, name));
}

bool Parser::ParseFace(std::string_view rest) {
  Block& block = Current();
  const size_t first = block.corners.size();
  size_t corners = 0;
  for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
    // Checked as the line is read, so a huge line is refused early.
    if (++corners > INT16_MAX) return Fail("face with more than 32767 corners");
    if (!ParseCorner(token, block)) return false;
  }
  if (corners < 3) return Fail("face with " + std::to_string(corners) + " corners (at least 3 needed)");
  return EndFace(block, first, corners);
}

// A face read ahead: its corners as written (0: none), three numbers each.
bool Parser::AddFace(const int32_t* written, uint32_t corners) {
  Block& block = Current();
  const size_t first = block.corners.size();
  for (uint32_t c = 0; c < corners; ++c, written += 3) {
    int64_t v = 0, t = kNone, n = kNone;
    if (!ResolveIndex(written[0], static_cast<int64_t>(vertices.size()), &v, "vertex") ||
        (written[1] != 0 && !ResolveIndex(written[1], static_cast<int64_t>(uvs.size()), &t, "UV")) ||
        (written[2] != 0 && !ResolveIndex(written[2], static_cast<int64_t>(normals.size()), &n, "normal")) ||
        !AddCorner(block, v, t, n)) {
      return false;
    }
  }
  return EndFace(block, first, corners);
}

// The face's material, smoothing, group and line, once its corners are in.
bool Parser::EndFace(Block& block, size_t first, size_t corners) {
  if (indicesOf_ != current_) {
    const std::string& material = materialChosen_ ? material_ : std::string("default");
    if (block.materialNames.size() > std::numeric_limits<uint16_t>::max() &&
        !block.materialIndex.Has(block.materialNames, material)) {
      return Fail("too many materials");
    }
    lastMaterial_ = MaterialOf(block);
    lastGroup_ = 0;
    if (!group_.empty() && !groupsAsObjects) {
      if (block.groups.empty()) block.groups.emplace_back();
      lastGroup_ = static_cast<uint32_t>(block.groupIndex.Of(block.groups, group_));
    }
    indicesOf_ = current_;
  }
  const size_t faces = block.faceLine.size();
  block.faceStart.push_back(static_cast<uint32_t>(first + corners));
  block.faceMaterial.push_back(lastMaterial_);
  AppendSparse(block.faceSmoothing, faces, smoothing_);
  AppendSparse(block.faceGroup, faces, lastGroup_);
  block.hasSmoothing = block.hasSmoothing || smoothing_ != 0;
  block.hasGroups = block.hasGroups || lastGroup_ != 0;
  block.faceLine.push_back(line_);
  return true;
}

bool Parser::OpenObject(std::string_view rest) {
  const std::string name = detail::CleanName(Trim(rest));
  if (name.empty()) return Fail("object without a name");
  // Each object starts with no material chosen, outside any group and
  // with smoothing off.
  materialChosen_ = false;
  group_.clear();
  indicesOf_ = SIZE_MAX;
  smoothing_ = 0;
  return StartBlock(name, false);
}

bool Parser::OpenGroup(std::string_view rest) {
  const std::string name = detail::CleanName(Trim(rest));
  if (!groupsAsObjects) {
    group_ = name;
    indicesOf_ = SIZE_MAX;
    return true;
  }
  if (name.empty()) return true;  // "g" alone: the group goes on
  return StartBlock(name, false);
}

void Parser::ChooseMaterial(std::string_view rest) {
  if (!groupsAsObjects) Current();  // a "usemtl" before any "o" belongs to the implicit object
  material_ = detail::CleanName(Trim(rest));
  materialChosen_ = true;
  indicesOf_ = SIZE_MAX;
}

void Parser::Smoothing(std::string_view rest) {
  const std::string_view value = Trim(rest);
  uint32_t group = 0;
  if (value != "off") {
    const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), group);
    if (ec != std::errc() || ptr != value.data() + value.size()) group = 0;
  }
  smoothing_ = group;
}

bool Parser::Statement(std::string_view key, std::string_view rest) {
  if (key == "v") return ParseVertex(rest);
  if (key == "vt") return ParseUv(rest);
  if (key == "vn") return ParseNormal(rest);
  if (key == "f") return ParseFace(rest);
  if (key == "o") return OpenObject(rest);
  if (key == "g") return OpenGroup(rest);
  if (key == "s") {
    Smoothing(rest);
  } else if (key == "usemtl") {
    ChooseMaterial(rest);
  } else if (key == "mtllib") {
    libraries.push_back({line_, std::string(Trim(rest))});
  } else {
    unused_.Add(key, line_);
  }
  return true;
}

bool Parser::Line(std::string_view line) {
  if (line.find('\0') != std::string_view::npos) return Fail("not an OBJ file (a NUL byte)");
  std::string_view rest = TrimLeft(line);
  if (rest.empty() || rest[0] == '#') return true;
  anyStatement_ = true;
  const std::string_view key = NextToken(rest);
  if (!Statement(key, rest)) return false;
  known_ = known_ || IsObjStatement(key);
  if (nameTaken_) return Fail("a second object named '" + ForDisplay(blocks[current_]->name) + "'");
  return true;
}

// Makes room in `v` for `adding` more, sized once for what the text left
// will bring at the rate seen over the `done` of `span` bytes: without it
// a large array would be copied and first touched again at each doubling.
// Room not used is never touched, so it costs address space only.
template <typename T>
void Expect(std::vector<T>& v, size_t adding, size_t done, size_t span) {
  if (v.capacity() - v.size() >= adding || done == 0) return;
  const size_t need = v.size() + adding;
  const double rate = static_cast<double>(need) / static_cast<double>(done);
  const double estimate = rate * static_cast<double>(span) * 1.02 + 16;
  // Every entry takes two bytes of text at least.
  const auto want = static_cast<size_t>(std::min(estimate, static_cast<double>(span / 2 + 16)));
  v.reserve(std::max({need, want, v.capacity() + v.capacity() / 2}));
}

void Parser::SizeFor(const detail::ObjChunk& chunk) {
  Expect(vertices, chunk.vertices.size(), chunkEnd_, textSize_);
  Expect(uvs, chunk.uvs.size(), chunkEnd_, textSize_);
  Expect(normals, chunk.normals.size(), chunkEnd_, textSize_);
  if (!open_ || chunk.faceCorners.empty()) return;
  Block& block = *blocks[current_];
  const size_t faces = chunk.faceCorners.size(), done = chunkEnd_ - block.textAt, span = textSize_ - block.textAt;
  Expect(block.corners, chunk.corners.size() / 3, done, span);
  Expect(block.faceStart, faces, done, span);
  Expect(block.faceMaterial, faces, done, span);
  if (block.hasSmoothing) Expect(block.faceSmoothing, faces, done, span);
  if (block.hasGroups) Expect(block.faceGroup, faces, done, span);
  Expect(block.faceLine, faces, done, span);
}

// A chunk's lines, as Line() would have read them from its text.
bool Parser::Apply(const detail::ObjChunk& chunk) {
  using detail::LineKind;
  SizeFor(chunk);
  size_t vertex = 0, uv = 0, normal = 0, face = 0, corner = 0, other = 0;
  for (const LineKind kind : chunk.kinds) {
    ++line_;
    if (kind == LineKind::kBlank) continue;
    if (kind == LineKind::kOther) {
      if (!Line(chunk.others[other++])) return false;
      continue;
    }
    anyStatement_ = true;
    known_ = true;
    if (kind == LineKind::kFace) {
      if (!AddFace(&chunk.corners[corner * 3], chunk.faceCorners[face])) return false;
      corner += chunk.faceCorners[face++];
    } else if (kind == LineKind::kNormal) {
      normals.push_back(chunk.normals[normal++]);
    } else {
      if (!groupsAsObjects) Current();
      if (kind == LineKind::kVertex) vertices.push_back(chunk.vertices[vertex++]);
      if (kind == LineKind::kUv) uvs.push_back(chunk.uvs[uv++]);
    }
    if (nameTaken_) return Fail("a second object named '" + ForDisplay(blocks[current_]->name) + "'");
  }
  // The lines that could not be read ahead.
  return detail::ForEachLineAt(chunk.text.substr(chunk.rest), [this](std::string_view line, size_t) {
    ++line_;
    return Line(line);
  });
}

bool Parser::Run(const ObjReadOptions& options) {
  groupsAsObjects = GroupsAsObjects(text_);
  const std::string_view text = detail::WithoutByteOrderMark(text_);
  const auto total = static_cast<int64_t>(text.size());
  textSize_ = text.size();
  // Between lines every so often, and between chunks.
  const auto goOn = [&](size_t at) {
    if (!options.progress || options.progress(static_cast<int64_t>(at), total)) return true;
    error = ForDisplay(file_) + ": " + kReadingStopped;
    return false;
  };
  constexpr long kLinesBetweenCalls = 16384;
  const bool ok =
      g_chunkBytes != 0 && text.size() > g_chunkBytes
          ? detail::ForEachChunk(text, g_chunkBytes,
                                 [&](const detail::ObjChunk& c) {
                                   chunkAt_ = static_cast<size_t>(c.text.data() - text.data());
                                   chunkEnd_ = chunkAt_ + c.text.size();
                                   return goOn(chunkAt_) && Apply(c);
                                 })
          : detail::ForEachLineAt(text, [&](std::string_view line, size_t at) {
              ++line_;
              return (line_ % kLinesBetweenCalls != 0 || goOn(at)) && Line(line);
            });
  if (!ok || !goOn(text.size())) return false;
  if (anyStatement_ && !known_) {
    error = ForDisplay(file_) + ": not an OBJ file (no statement it knows)";
    return false;
  }
  for (const std::string& w : unused_.Warnings()) warnings.push_back(ForDisplay(file_) + ": " + w);
  blockByName_ = {};  // every name is checked: its room goes to the objects built next
  return true;
}

// Builds a block's mesh from the file's arrays. "o" blocks keep the
// vertices and UVs read inside them, numbered from their start; groups read
// as objects take the ones their faces use, in file order.
class BlockBuilder {
 public:
  BlockBuilder(const Parser& p, std::string file) : p_(p), file_(std::move(file)) {}
  bool Build(Block& block, int64_t vertexEnd, int64_t uvEnd, FlatMesh* mesh);
  std::string error;

 private:
  bool FailAt(const Block& block, size_t corner, const std::string& what);
  template <typename T>
  static void Compact(std::vector<Corner>& corners, int32_t Corner::*index, const std::vector<T>& all,
                      std::vector<int32_t>& map, std::vector<T>* out);
  const Parser& p_;
  std::string file_;
  std::vector<int32_t> vertexMap_, uvMap_, normalMap_;
};

bool BlockBuilder::FailAt(const Block& block, size_t corner, const std::string& what) {
  const auto face = static_cast<size_t>(
      std::upper_bound(block.faceStart.begin(), block.faceStart.end(), static_cast<uint32_t>(corner)) -
      block.faceStart.begin() - 1);
  error = ForDisplay(file_) + ":" + std::to_string(block.faceLine[face]) + ": " + what;
  return false;
}

// Keeps the entries the corners use, in index order, and renumbers the
// corners' `index` to them; `map` is all -1 on entry and on return.
template <typename T>
void BlockBuilder::Compact(std::vector<Corner>& corners, int32_t Corner::*index, const std::vector<T>& all,
                           std::vector<int32_t>& map, std::vector<T>* out) {
  if (map.size() < all.size()) map.resize(all.size(), -1);
  std::vector<int32_t> used;
  for (const Corner& c : corners) {
    const int32_t i = c.*index;
    if (i >= 0 && map[static_cast<size_t>(i)] == -1) {
      map[static_cast<size_t>(i)] = 0;
      used.push_back(i);
    }
  }
  std::sort(used.begin(), used.end());
  out->reserve(used.size());
  for (int32_t i : used) {
    map[static_cast<size_t>(i)] = static_cast<int32_t>(out->size());
    out->push_back(all[static_cast<size_t>(i)]);
  }
  for (Corner& c : corners) {
    if (c.*index >= 0) c.*index = map[static_cast<size_t>(c.*index)];
  }
  for (int32_t i : used) map[static_cast<size_t>(i)] = -1;
}

// The corners' indices are renumbered in place and the corners handed on.
bool BlockBuilder::Build(Block& block, int64_t vertexEnd, int64_t uvEnd, FlatMesh* mesh) {
  std::vector<Corner>& corners = block.corners;
  const size_t n = corners.size();
  // The index as written back, where it did not fit in 32 bits.
  const auto value = [](int32_t i, size_t c, const std::vector<std::pair<size_t, int64_t>>& beyond) {
    if (i != kBeyond) return static_cast<int64_t>(i);
    return std::lower_bound(beyond.begin(), beyond.end(), std::pair<size_t, int64_t>{c, INT64_MIN})->second;
  };
  const std::string object = "' is outside object '" + ForDisplay(block.name) + "'";
  if (p_.groupsAsObjects) {
    for (size_t c = 0; c < n; ++c) {
      const int64_t vi = value(corners[c].vertex, c, block.beyondVertex), ti = value(corners[c].uv, c, block.beyondUv);
      if (vi >= static_cast<int64_t>(p_.vertices.size())) {
        return FailAt(block, c, "vertex index " + std::to_string(vi + 1) + " is out of range");
      }
      if (ti >= static_cast<int64_t>(p_.uvs.size())) {
        return FailAt(block, c, "UV index " + std::to_string(ti + 1) + " is out of range");
      }
    }
    Compact(corners, &Corner::vertex, p_.vertices, vertexMap_, &mesh->vertices);
    Compact(corners, &Corner::uv, p_.uvs, uvMap_, &mesh->uvs);
  } else {
    const auto vertexStart = static_cast<int32_t>(block.vertexStart), uvStart = static_cast<int32_t>(block.uvStart);
    for (size_t c = 0; c < n; ++c) {
      Corner& corner = corners[c];
      if (corner.vertex < vertexStart || corner.vertex >= vertexEnd) {
        const int64_t vi = value(corner.vertex, c, block.beyondVertex);
        return FailAt(block, c, "vertex index " + std::to_string(vi + 1) + object.substr(1));
      }
      if (corner.uv >= 0 && (corner.uv < uvStart || corner.uv >= uvEnd)) {
        const int64_t ti = value(corner.uv, c, block.beyondUv);
        return FailAt(block, c, "UV index " + std::to_string(ti + 1) + object.substr(1));
      }
      corner.vertex -= vertexStart;
      if (corner.uv >= 0) corner.uv -= uvStart;
    }
    mesh->vertices.assign(p_.vertices.begin() + block.vertexStart, p_.vertices.begin() + vertexEnd);
    mesh->uvs.assign(p_.uvs.begin() + block.uvStart, p_.uvs.begin() + uvEnd);
  }
  if (block.hasNormals) Compact(corners, &Corner::normal, p_.normals, normalMap_, &mesh->normals);
  mesh->corners = std::move(corners);
  mesh->faceStart = std::move(block.faceStart);
  mesh->faceMaterial = std::move(block.faceMaterial);
  if (block.hasSmoothing) mesh->faceSmoothing = std::move(block.faceSmoothing);
  if (block.hasGroups) mesh->faceGroup = std::move(block.faceGroup);
  if (!block.groups.empty()) mesh->groups = std::move(block.groups);
  return true;
}

// Reads the "mtllib" libraries; each one refused is a warning naming its line.
std::unordered_map<std::string, Material> ReadLibraries(const Parser& parser, const std::string& name,
                                                        const ObjReadOptions& options, ObjResult* result) {
  std::vector<std::string>* warnings = &result->warnings;
  auto read = [&](const std::string& file, const std::string& text, const std::string& folder,
                  std::unordered_map<std::string, Material>* library) {
    detail::ParseMtlText(text, folder, library);
    result->libraries.push_back((std::filesystem::path(folder) / std::filesystem::path(file).filename()).string());
  };
  std::unordered_map<std::string, Material> library;
  const MtlResolver resolve = options.mtlResolver ? options.mtlResolver : FileMtlResolver(name, options.resourcesAnywhere);
  for (const Library& entry : parser.libraries) {
    std::string text, folder, why;
    // One name with spaces, else several names.
    if (entry.file.find_first_of(" \t") != std::string::npos && resolve(entry.file, &text, &folder, &why)) {
      read(entry.file, text, folder, &library);
      continue;
    }
    std::string_view rest = entry.file;
    for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
      const std::string file(token);
      if (resolve(file, &text, &folder, &why)) {
        read(file, text, folder, &library);
      } else {
        warnings->push_back(ForDisplay(name) + ":" + std::to_string(entry.line) + ": cannot read material library '" +
                            ForDisplay(file) + "' (" + why + "); faces keep their material names");
      }
    }
  }
  return library;
}

// `release` (when given) lets the text go once it is parsed: nothing built
// from it points into it, and the objects built next need the memory.
ObjResult Load(std::string_view text, const std::string& name, const ObjReadOptions& options,
               const std::function<void()>& release) {
  ObjResult result;
  Parser parser(text, name);
  if (!parser.Run(options)) {
    result.error = parser.error;
    return result;
  }
  const auto total = static_cast<int64_t>(detail::WithoutByteOrderMark(text).size());
  if (release) release();
  result.warnings = parser.warnings;
  result.groupsAsObjects = parser.groupsAsObjects;
  const auto library = ReadLibraries(parser, name, options, &result);

  BlockBuilder builder(parser, name);
  std::vector<std::unique_ptr<detail::Object>> objects;
  objects.reserve(parser.blocks.size());
  for (size_t i = 0; i < parser.blocks.size(); ++i) {
    // Building many objects takes a while too: the caller may stop it.
    constexpr size_t kObjectsBetweenCalls = 1024;
    if (options.progress && i % kObjectsBetweenCalls == kObjectsBetweenCalls - 1 && !options.progress(total, total)) {
      result.error = ForDisplay(name) + ": " + kReadingStopped;
      return result;
    }
    Block& block = *parser.blocks[i];
    // "o" blocks end where the next one starts.
    const bool last = i + 1 == parser.blocks.size();
    const int64_t vEnd = last ? static_cast<int64_t>(parser.vertices.size()) : parser.blocks[i + 1]->vertexStart;
    const int64_t tEnd = last ? static_cast<int64_t>(parser.uvs.size()) : parser.blocks[i + 1]->uvStart;
    const bool empty = parser.groupsAsObjects ? block.faceLine.empty()
                                              : block.faceLine.empty() && vEnd == block.vertexStart && tEnd == block.uvStart;
    // A "usemtl" before the first object, or a group without faces, makes no object.
    if (empty && (block.implicit || parser.groupsAsObjects)) continue;
    FlatMesh mesh;
    if (!builder.Build(block, vEnd, tEnd, &mesh)) {
      result.error = builder.error;
      result.warnings.clear();
      return result;
    }
    for (const std::string& material : block.materialNames) {
      const auto it = library.find(material);
      Material m = it != library.end() ? it->second : Material{};
      m.name = material;
      mesh.materials.push_back(std::move(m));
    }
    objects.push_back(detail::BuildFlatPolyhedron(block.name, mesh, detail::BoundingBoxCentre(mesh.vertices)));
    if (!objects.back()) throw std::bad_alloc();
    parser.blocks[i].reset();  // its memory, no longer needed
  }
  result.objects = detail::AddToSceneAll(std::move(objects));
  result.ok = true;
  return result;
}

ObjResult OutOfMemory(const std::string& name) {
  ObjResult result;
  result.error = ForDisplay(name) + ": not enough memory";
  result.noMemory = true;
  return result;
}

}  // namespace

namespace testing {

size_t SetChunkedReading(size_t chunkBytes) { return std::exchange(g_chunkBytes, chunkBytes); }

}  // namespace testing

ObjResult LoadObjText(const std::string& text, const std::string& name, const ObjReadOptions& options) {
  try {
    return Load(text, name, options, nullptr);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(name);
  } catch (const std::length_error&) {
    return OutOfMemory(name);
  }
}

ObjResult LoadObj(const std::string& path, const ObjReadOptions& options) {
  try {
    detail::FileText text;
    std::string why;
    if (!detail::ReadRegularFile(path, std::numeric_limits<size_t>::max(), &text, &why)) {
      ObjResult result;
      result.error = ForDisplay(path) + ": cannot read the file: " + why;
      return result;
    }
    return Load(text.View(), path, options, [&text] { text = detail::FileText(); });
  } catch (const std::bad_alloc&) {
    return OutOfMemory(path);
  } catch (const std::length_error&) {
    return OutOfMemory(path);
  }
}

}  // namespace tsxhost
