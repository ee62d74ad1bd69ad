// Wavefront OBJ reader. Numbers are read with std::from_chars, which rounds
// correctly to single precision (as strtof does) and needs no locale; the
// whole file is parsed in memory before anything enters the scene, so a
// refused file leaves the scene as it was.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "HostState.h"
#include "MtlFile.h"
#include "ObjFile.h"

namespace tsxhost {
namespace {

using detail::FlatMesh;

struct Block {
  std::string name;
  long line = 0;
  bool implicit = false;  // geometry before any "o" line
  int64_t vertexStart = 0, uvStart = 0;  // global index of the block's first v / vt
  FlatMesh mesh;
  std::vector<std::string> materialNames;  // per table entry, first use first
  std::unordered_map<std::string, uint16_t> materialIndex;
  uint16_t currentMaterial = 0;
  bool materialChosen = false;
  std::vector<long> faceLine;  // for errors found when the block ends
  std::vector<int64_t> rawVertex, rawUv;  // global indices, checked at the end
};

// A material library named by an "mtllib" line.
struct Library {
  long line = 0;
  std::string file;
};

class Parser {
 public:
  Parser(std::string_view text, std::string file) : text_(text), file_(std::move(file)) {}

  bool Run(std::vector<Block>* blocks, std::vector<Library>* libraries, std::string* error);

 private:
  bool Fail(const std::string& what) {
    error_ = file_ + ":" + std::to_string(line_) + ": " + what;
    return false;
  }
  bool ParseVertex(std::string_view rest);
  bool ParseUv(std::string_view rest);
  bool ParseFace(std::string_view rest);
  bool ParseIndex(std::string_view token, int64_t count, int64_t* global, const char* what);
  bool CloseBlock();
  void OpenBlock(std::string name, bool implicit);
  Block& Current();
  bool UseMaterial(const std::string& name);
  bool ReadFloat(std::string_view& rest, float* out, bool required, const char* what);

  std::string_view text_;
  std::string file_;
  long line_ = 0;
  std::string error_;
  std::vector<Block> blocks_;
  std::unordered_set<std::string> names_;
  std::vector<Library> libraries_;
  int64_t vertexCount_ = 0, uvCount_ = 0;
  bool openBlock_ = false;
  bool nameTaken_ = false;  // the implicit object's name is in the scene
};

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view NextToken(std::string_view& rest) {
  rest = TrimLeft(rest);
  size_t end = 0;
  while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t' && rest[end] != '\r') ++end;
  std::string_view token = rest.substr(0, end);
  rest = rest.substr(end);
  return token;
}

void Parser::OpenBlock(std::string name, bool implicit) {
  Block block;
  block.name = std::move(name);
  block.line = line_;
  block.implicit = implicit;
  block.vertexStart = vertexCount_;
  block.uvStart = uvCount_;
  names_.insert(block.name);
  blocks_.push_back(std::move(block));
  openBlock_ = true;
}

Block& Parser::Current() {
  if (!openBlock_) {
    // Geometry before any "o" line forms an object named after the file.
    std::string name = std::filesystem::path(file_).stem().string();
    if (name.empty()) name = "object";
    if (FindObject(name)) nameTaken_ = true;
    OpenBlock(std::move(name), true);
  }
  return blocks_.back();
}

// Faces from here on take material `name`; a face's material is an index
// into the block's table, so a block holds at most 65,536 names.
bool Parser::UseMaterial(const std::string& name) {
  Block& block = Current();
  auto it = block.materialIndex.find(name);
  if (it == block.materialIndex.end()) {
    if (block.materialNames.size() > std::numeric_limits<uint16_t>::max()) return Fail("too many materials");
    it = block.materialIndex.emplace(name, static_cast<uint16_t>(block.materialNames.size())).first;
    block.materialNames.push_back(name);
  }
  block.currentMaterial = it->second;
  block.materialChosen = true;
  return true;
}

bool Parser::ReadFloat(std::string_view& rest, float* out, bool required, const char* what) {
  std::string_view token = NextToken(rest);
  if (token.empty()) {
    if (required) return Fail(std::string("missing ") + what);
    return true;
  }
  const char* first = token.data();
  const char* last = token.data() + token.size();
  if (*first == '+') ++first;  // strtof takes a plus sign, from_chars does not
  const auto [ptr, ec] = std::from_chars(first, last, *out);
  if (ec == std::errc::result_out_of_range) {
    // strtof's answer for an out-of-range number: infinity or zero.
    const double d = std::strtod(std::string(token).c_str(), nullptr);
    *out = static_cast<float>(d);
    return true;
  }
  if (ec != std::errc() || ptr != last || first == last) {
    return Fail("malformed number '" + std::string(token) + "' in " + what);
  }
  return true;
}

bool Parser::ParseVertex(std::string_view rest) {
  Block& block = Current();
  CtsxVector3f v{};
  if (!ReadFloat(rest, &v.x, true, "vertex") || !ReadFloat(rest, &v.y, true, "vertex") ||
      !ReadFloat(rest, &v.z, true, "vertex")) {
    return false;
  }
  block.mesh.vertices.push_back(v);
  ++vertexCount_;
  return true;
}

bool Parser::ParseUv(std::string_view rest) {
  Block& block = Current();
  CtsxUV uv{};
  if (!ReadFloat(rest, &uv.u, true, "UV coordinate") || !ReadFloat(rest, &uv.v, false, "UV coordinate")) {
    return false;
  }
  block.mesh.uvs.push_back(uv);
  ++uvCount_;
  return true;
}

bool Parser::ParseIndex(std::string_view token, int64_t count, int64_t* global, const char* what) {
  int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec != std::errc() || ptr != token.data() + token.size()) {
    return Fail(std::string("malformed ") + what + " index '" + std::string(token) + "'");
  }
  if (value == 0) return Fail(std::string(what) + " index 0 is out of range");
  // Negative indices count back from the last one read so far.
  *global = value > 0 ? value - 1 : count + value;
  if (*global < 0) return Fail(std::string(what) + " index " + std::to_string(value) + " is out of range");
  return true;
}

bool Parser::ParseFace(std::string_view rest) {
  Block& block = Current();
  int corners = 0;
  for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
    const size_t slash = token.find('/');
    int64_t v = 0, t = -1;
    if (!ParseIndex(token.substr(0, slash), vertexCount_, &v, "vertex")) return false;
    if (slash != std::string_view::npos) {
      std::string_view tail = token.substr(slash + 1);
      const std::string_view uv = tail.substr(0, tail.find('/'));
      if (!uv.empty() && !ParseIndex(uv, uvCount_, &t, "UV")) return false;
    }
    block.rawVertex.push_back(v);
    block.rawUv.push_back(t);
    ++corners;
  }
  if (corners < 3) return Fail("face with " + std::to_string(corners) + " corners (at least 3 needed)");
  if (corners > INT16_MAX) return Fail("face with " + std::to_string(corners) + " corners (at most 32767)");
  // Faces before any "usemtl" of their object take "default".
  if (!block.materialChosen && !UseMaterial("default")) return false;
  block.mesh.faceStart.push_back(static_cast<uint32_t>(block.rawVertex.size()));
  block.mesh.faceMaterial.push_back(block.currentMaterial);
  block.faceLine.push_back(line_);
  return true;
}

// Resolves the block's corners now that its vertex and UV ranges are known.
bool Parser::CloseBlock() {
  if (!openBlock_) return true;
  openBlock_ = false;
  Block& block = blocks_.back();
  const int64_t vEnd = vertexCount_, tEnd = uvCount_;
  block.mesh.corners.resize(block.rawVertex.size());
  size_t face = 0;
  for (size_t c = 0; c < block.rawVertex.size(); ++c) {
    while (block.mesh.faceStart[face + 1] <= c) ++face;
    const int64_t v = block.rawVertex[c], t = block.rawUv[c];
    if (v < block.vertexStart || v >= vEnd) {
      line_ = block.faceLine[face];
      return Fail("vertex index " + std::to_string(v + 1) + " is outside object '" + block.name + "'");
    }
    if (t >= 0 && (t < block.uvStart || t >= tEnd)) {
      line_ = block.faceLine[face];
      return Fail("UV index " + std::to_string(t + 1) + " is outside object '" + block.name + "'");
    }
    block.mesh.corners[c] = {static_cast<int32_t>(v - block.vertexStart),
                             t < 0 ? -1 : static_cast<int32_t>(t - block.uvStart)};
  }
  std::vector<int64_t>().swap(block.rawVertex);
  std::vector<int64_t>().swap(block.rawUv);
  return true;
}

bool Parser::Run(std::vector<Block>* blocks, std::vector<Library>* libraries, std::string* error) {
  size_t at = 0;
  bool ok = true;
  while (ok && at < text_.size()) {
    size_t end = text_.find('\n', at);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view line = text_.substr(at, end - at);
    at = end + 1;
    ++line_;
    std::string_view rest = TrimLeft(line);
    if (rest.empty() || rest[0] == '#') continue;
    const std::string_view key = NextToken(rest);
    if (key == "v") {
      ok = ParseVertex(rest);
    } else if (key == "vt") {
      ok = ParseUv(rest);
    } else if (key == "f") {
      ok = ParseFace(rest);
    } else if (key == "o") {
      ok = CloseBlock();
      const std::string name(Trim(rest));
      if (ok && name.empty()) ok = Fail("object without a name");
      if (ok && (names_.count(name) || FindObject(name))) ok = Fail("a second object named '" + name + "'");
      if (ok) OpenBlock(name, false);
    } else if (key == "usemtl") {
      ok = UseMaterial(std::string(Trim(rest)));
    } else if (key == "mtllib") {
      for (std::string_view lib = NextToken(rest); !lib.empty(); lib = NextToken(rest)) {
        libraries_.push_back({line_, std::string(lib)});
      }
    }
    // vn, s, g, l and anything else carry nothing this host keeps.
    if (ok && nameTaken_) ok = Fail("a second object named '" + blocks_.back().name + "'");
  }
  ok = ok && CloseBlock();
  if (!ok) {
    *error = error_;
    return false;
  }
  // A "usemtl" before the first object opens no object of its own.
  std::erase_if(blocks_, [](const Block& b) {
    return b.implicit && b.mesh.vertices.empty() && b.mesh.uvs.empty() && b.faceLine.empty();
  });
  *blocks = std::move(blocks_);
  *libraries = std::move(libraries_);
  return true;
}

CtsxVector3f BoundingBoxCentre(const std::vector<CtsxVector3f>& vertices) {
  if (vertices.empty()) return {0, 0, 0};
  CtsxVector3f lo = vertices[0], hi = vertices[0];
  for (const CtsxVector3f& v : vertices) {
    lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
  }
  return {(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
}

}  // namespace

ObjResult LoadObjText(const std::string& text, const std::string& name) {
  ObjResult result;
  std::vector<Block> blocks;
  std::vector<Library> libraries;
  Parser parser(text, name);
  if (!parser.Run(&blocks, &libraries, &result.error)) return result;

  std::unordered_map<std::string, Material> library;
  const std::filesystem::path dir = std::filesystem::path(name).parent_path();
  for (const Library& entry : libraries) {
    if (!detail::ReadMtlFile((dir / entry.file).string(), &library)) {
      result.warnings.push_back(name + ":" + std::to_string(entry.line) + ": cannot read material library '" +
                                entry.file + "'; faces keep their material names");
    }
  }

  for (Block& block : blocks) {
    block.mesh.materials.clear();
    for (const std::string& material : block.materialNames) {
      const auto it = library.find(material);
      Material m = it != library.end() ? it->second : Material{};
      m.name = material;
      block.mesh.materials.push_back(std::move(m));
    }
    const CtsxVector3f axes = BoundingBoxCentre(block.mesh.vertices);
    result.objects.push_back(detail::AddFlatPolyhedron(block.name, block.mesh, axes));
  }
  result.ok = true;
  return result;
}

ObjResult LoadObj(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string text;
  if (file) {
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size >= 0) {
      text.resize(static_cast<size_t>(size));
      file.seekg(0);
      file.read(text.data(), size);
    }
  }
  if (!file) {
    ObjResult result;
    result.error = path + ": cannot read the file";
    return result;
  }
  return LoadObjText(text, path);
}

}  // namespace tsxhost
