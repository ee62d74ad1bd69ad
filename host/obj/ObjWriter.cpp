// Wavefront OBJ writer: every float in the shortest text that reads back as
// the same single-precision value, bit for bit. Each object is
// written as it is seen, its vertex transform applied to vertices and
// normals. Holes have no form in OBJ and are left out.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <new>
#include <system_error>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "host/obj/MtlFile.h"
#include "host/obj/ObjFile.h"
#include "host/obj/ObjSave.h"
#include "host/obj/SafeFile.h"
#include "host/obj/TextLines.h"
#include "host/scene/HostState.h"

namespace tsxhost {
namespace {

// The sink refused the bytes: the write failed or was stopped.
struct SinkRefused {};

// Bytes handed on in pieces of about this size, and items (vertex or face
// lines) formatted per thread between two pieces.
size_t g_pieceBytes = size_t{16} << 20;
size_t g_chunkItems = size_t{1} << 19;

// Text formatted into a buffer. With a sink the buffer is handed on and
// reused whenever it is full, so the file is never held whole; without
// one it grows to hold everything. The buffer is not cleared first: pages
// it never reaches are never touched.
class Out {
 public:
  Out() = default;
  explicit Out(const TextSink& sink) : sink_(&sink) {}
  void Text(std::string_view s) {
    if (sink_ && s.size() >= g_pieceBytes) {
      Flush();
      Pass(s);
      return;
    }
    char* at = Room(s.size());
    std::memcpy(at, s.data(), s.size());
    used_ += s.size();
  }
  void Float(float f) {
    char* at = Room(32);
    used_ = static_cast<size_t>(std::to_chars(at, at + 32, f).ptr - buf_.get());
  }
  void Int(int64_t i) { Put(i); }
  std::string_view str() const { return {buf_.get(), used_}; }
  void Clear() { used_ = 0; }
  void Reserve(size_t n) {
    if (sink_) n = std::min(n, g_pieceBytes + 64);
    if (n > capacity_) Grow(n);
  }
  // Hands on what the buffer holds.
  void Flush() {
    if (!sink_ || used_ == 0) return;
    Pass(str());
    used_ = 0;
  }

 private:
  template <typename T>
  void Put(T value) {
    char* at = Room(32);
    used_ = static_cast<size_t>(std::to_chars(at, at + 32, value).ptr - buf_.get());
  }
  char* Room(size_t n) {
    if (sink_ && used_ + n > g_pieceBytes) Flush();
    if (used_ + n > capacity_) {
      const size_t wanted = std::max(capacity_ * 2, used_ + n + (size_t{1} << 16));
      Grow(sink_ ? std::max(std::min(wanted, g_pieceBytes + 64), used_ + n) : wanted);
    }
    return buf_.get() + used_;
  }
  void Grow(size_t capacity) {
    auto next = std::make_unique_for_overwrite<char[]>(capacity);
    if (used_ > 0) std::memcpy(next.get(), buf_.get(), used_);
    buf_ = std::move(next);
    capacity_ = capacity;
  }
  void Pass(std::string_view s) const {
    if (!(*sink_)(s)) throw SinkRefused{};
  }
  const TextSink* sink_ = nullptr;
  std::unique_ptr<char[]> buf_;
  size_t capacity_ = 0;
  size_t used_ = 0;
};

// Everything of a material but its name, hashed.
size_t ContentHash(const Material& m) {
  size_t h = std::hash<std::string>()(m.diffuseMap) ^ (std::hash<std::string>()(m.folder) << 1);
  auto mix = [&h](size_t v) { h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2); };
  for (const auto* colour : {&m.ambient, &m.diffuse, &m.specular}) {
    for (float c : *colour) mix(std::hash<float>()(c));
  }
  mix(std::hash<float>()(m.shininess));
  mix(std::hash<float>()(m.opacity));
  for (const std::string& s : m.statements) mix(std::hash<std::string>()(s));
  return h;
}

// MTL names are one namespace for the whole file, while each object's
// table is its own: two different materials that share a name get
// distinct names ("grey", "grey_2") so neither is lost. Each name keeps
// where its numbering stopped and its materials by content, so many
// materials of one name take linear time.
class MaterialNames {
 public:
  std::vector<std::string> ForTable(const std::vector<Material>& table) {
    std::vector<std::string> names;
    for (const Material& m : table) names.push_back(NameFor(m));
    return names;
  }
  const std::vector<Material>& Written() const { return written_; }

 private:
  struct Family {
    int next = 1;  // the number to try first for a new name
    std::unordered_map<size_t, std::vector<size_t>> byContent;  // hash -> written entries
  };

  std::string NameFor(const Material& m) {
    Family& family = families_[m.name];
    const size_t hash = ContentHash(m);
    std::vector<size_t>& same = family.byContent[hash];
    for (size_t i : same) {
      Material renamed = m;
      renamed.name = written_[i].name;
      if (written_[i] == renamed) return written_[i].name;
    }
    for (;; ++family.next) {
      const int n = family.next;
      std::string name = n == 1 ? m.name : m.name + "_" + std::to_string(n);
      if (byName_.count(name)) continue;
      Material entry = m;
      entry.name = name;
      byName_.insert(name);
      same.push_back(written_.size());
      written_.push_back(std::move(entry));
      ++family.next;
      return name;
    }
  }
  std::unordered_set<std::string> byName_;
  std::unordered_map<std::string, Family> families_;
  std::vector<Material> written_;
};

bool IsIdentity(const CtsxTxmx3f& t) {
  for (int i = 0; i < 12; ++i) {
    if (t.m[i] != kIdentity.m[i]) return false;
  }
  return true;
}

// The object as seen: its vertex transform applied to vertices and normals,
// so that the file reads back with the identity transform.
class Placement {
 public:
  explicit Placement(const CtsxTxmx3f& t) : t_(t), identity_(IsIdentity(t)) {
    if (!identity_ && !detail::NormalMap(t, kIdentity, normal_)) singular_ = true;
  }
  CtsxVector3f Vertex(const CtsxVector3f& v) const {
    if (identity_) return v;
    auto row = [&](int r) {
      return static_cast<float>(double(t_.m[r * 4]) * v.x + double(t_.m[r * 4 + 1]) * v.y +
                                double(t_.m[r * 4 + 2]) * v.z + double(t_.m[r * 4 + 3]));
    };
    return {row(0), row(1), row(2)};
  }
  CtsxVector3f Normal(const CtsxVector3f& n) const {
    return identity_ || singular_ ? n : detail::MapNormal(normal_, n);
  }

 private:
  CtsxTxmx3f t_;
  bool identity_;
  bool singular_ = false;
  double normal_[3][3]{};
};

void Vector(const char* key, const CtsxVector3f& v, Out& out) {
  out.Text(key);
  out.Float(v.x);
  out.Text(" ");
  out.Float(v.y);
  out.Text(" ");
  out.Float(v.z);
  out.Text("\n");
}

// Objects with this many vertices (faces) or more have their vertex (face)
// lines formatted by two threads, each into a buffer of its own, joined in
// order: the text is the same either way. 0: never.
size_t g_parallelFrom = size_t{1} << 16;

// format(from, to, out) for items [0, n). With enough of them, in chunks:
// the second half of each on a second thread into a buffer of its own,
// handed on after the first, so that the memory is bounded by the chunk.
template <typename Format>
void InTwoHalves(size_t n, size_t bytesPerItem, const Format& format, Out& out) {
  if (g_parallelFrom == 0 || n < g_parallelFrom) return format(0, n, out);
  const size_t step = 2 * std::max<size_t>(g_chunkItems, 1);
  Out second;
  second.Reserve(std::min(n, step) / 2 * bytesPerItem + bytesPerItem);
  for (size_t from = 0; from < n; from += step) {
    const size_t to = std::min(n, from + step);
    const size_t half = from + (to - from) / 2;
    second.Clear();
    std::future<void> later;  // waits for the second thread on every way out
    try {
      later = std::async(std::launch::async, [&] { format(half, to, second); });
    } catch (const std::system_error&) {
      format(from, to, out);  // no second thread to be had
      continue;
    }
    format(from, half, out);
    later.get();
    out.Text(second.str());
  }
}

void Vertices(const detail::Polyhedron& poly, const Placement& place, Out& out) {
  InTwoHalves(static_cast<size_t>(poly.vertexCount), 40, [&poly, &place](size_t from, size_t to, Out& into) {
    for (size_t i = from; i < to; ++i) Vector("v ", place.Vertex(poly.vertices[i]), into);
  }, out);
}

// Running totals of what the file holds so far, for global indices.
struct Bases {
  int64_t vertex = 0, uv = 0, normal = 0;
};

// Writes the object's normals once each (by their bits) and gives each
// corner its file index (0: none; empty: no corner has one).
std::vector<int64_t> WriteNormals(const detail::Polyhedron& poly, const Placement& place, Bases& bases, Out& out) {
  std::vector<int64_t> index;
  // None at all (the common case for large meshes): no index per corner.
  const auto hasNormals = [](const CtsxFace* face) {
    const detail::FaceExtra* extra = detail::FaceExtraOf(*face);
    return extra && extra->normalSlots > 0;
  };
  if (std::none_of(poly.faces, poly.faces + poly.faceCount, hasNormals)) return index;
  std::unordered_map<uint64_t, std::vector<std::pair<CtsxVector3f, int64_t>>> seen;
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const detail::FaceExtra* extra = detail::FaceExtraOf(*poly.faces[f]);
    for (int32_t c = 0; c < poly.faces[f]->nbrCorners; ++c) {
      if (!extra || c >= extra->normalSlots || !extra->HasNormal()[c]) {
        index.push_back(0);
        continue;
      }
      const CtsxVector3f n = place.Normal(extra->Normals()[c]);
      uint32_t bits[3];
      std::memcpy(bits, &n, sizeof bits);
      auto& bucket = seen[(uint64_t{bits[0]} * 0x9E3779B1u) ^ (uint64_t{bits[1]} << 21) ^ bits[2]];
      const auto it = std::find_if(bucket.begin(), bucket.end(),
                                   [&](const auto& e) { return std::memcmp(&e.first, &n, sizeof n) == 0; });
      if (it != bucket.end()) {
        index.push_back(it->second);
        continue;
      }
      bucket.emplace_back(n, ++bases.normal);
      index.push_back(bases.normal);
      Vector("vn ", n, out);
    }
  }
  return index;
}

// "usemtl", "g" and "s" lines where a face's differ from the one before.
class FaceState {
 public:
  FaceState(const detail::Polyhedron& poly, const std::vector<std::string>& materialNames)
      : poly_(poly), names_(materialNames) {}
  // As after writing `face`, without writing anything.
  void Seen(const CtsxFace& face) {
    if (!names_.empty()) material_ = MaterialOf(face);
    const detail::FaceExtra* extra = detail::FaceExtraOf(face);
    group_ = GroupOf(extra);
    smoothing_ = extra ? extra->smoothing : 0;
  }
  void Before(const CtsxFace& face, Out& out) {
    const int material = MaterialOf(face);
    if (!names_.empty() && material != material_) {
      material_ = material;
      out.Text("usemtl ");
      out.Text(names_[static_cast<size_t>(material)]);
      out.Text("\n");
    }
    const detail::FaceExtra* extra = detail::FaceExtraOf(face);
    const uint32_t group = GroupOf(extra);
    if (group != group_) {
      group_ = group;
      out.Text(group == 0 ? "g\n" : "g ");
      if (group != 0) {
        out.Text(poly_.groups[group]);
        out.Text("\n");
      }
    }
    const uint32_t smoothing = extra ? extra->smoothing : 0;
    if (smoothing != smoothing_) {
      smoothing_ = smoothing;
      out.Text("s ");
      if (smoothing == 0) out.Text("off");
      if (smoothing != 0) out.Int(smoothing);
      out.Text("\n");
    }
  }

 private:
  int MaterialOf(const CtsxFace& face) const {
    return face.materialIndex < poly_.materials.size() ? face.materialIndex : 0;
  }
  uint32_t GroupOf(const detail::FaceExtra* extra) const {
    return extra && extra->group < poly_.groups.size() ? extra->group : 0;
  }

  const detail::Polyhedron& poly_;
  const std::vector<std::string>& names_;
  int material_ = -1;
  uint32_t group_ = 0;
  uint32_t smoothing_ = 0;
};

// The face lines, with "usemtl", "g" and "s" lines where they change. A
// second half starts in the state the face before it leaves.
void Faces(const detail::Polyhedron& poly, const std::vector<std::string>& materialNames,
           const std::vector<int64_t>& normals, const Bases& bases, Out& out) {
  // Where every 4096th face's corners start, for the normals' indices.
  constexpr size_t kStride = 4096;
  std::vector<size_t> cornerAt;
  if (!normals.empty()) {
    size_t corner = 0;
    for (size_t f = 0; f < static_cast<size_t>(poly.faceCount); ++f) {
      if (f % kStride == 0) cornerAt.push_back(corner);
      corner += static_cast<size_t>(poly.faces[f]->nbrCorners);
    }
  }
  const auto format = [&](size_t from, size_t to, Out& into) {
    FaceState state(poly, materialNames);
    size_t corner = 0;
    if (!normals.empty()) {
      corner = cornerAt[from / kStride];
      for (size_t f = from / kStride * kStride; f < from; ++f) corner += static_cast<size_t>(poly.faces[f]->nbrCorners);
    }
    if (from > 0) state.Seen(*poly.faces[from - 1]);
    for (size_t f = from; f < to; ++f) {
      const CtsxFace& face = *poly.faces[f];
      state.Before(face, into);
      into.Text("f");
      for (int32_t c = 0; c < face.nbrCorners; ++c, ++corner) {
        into.Text(" ");
        into.Int(bases.vertex + face.corners[c].vindex + 1);
        const bool uv = face.corners[c].uvindex >= 0;
        const int64_t normal = normals.empty() ? 0 : normals[corner];
        if (uv || normal) into.Text("/");
        if (uv) into.Int(bases.uv + face.corners[c].uvindex + 1);
        if (normal) {
          into.Text("/");
          into.Int(normal);
        }
      }
      into.Text("\n");
    }
  };
  InTwoHalves(static_cast<size_t>(poly.faceCount), 48, format, out);
}

void WriteObject(const detail::Object& obj, const std::vector<std::string>& materialNames, Bases& bases, Out& out) {
  const detail::Polyhedron& poly = *obj.poly;
  out.Text("o ");
  out.Text(obj.name);
  out.Text("\n");
  const Placement place(obj.transform);
  Vertices(poly, place, out);
  for (int32_t i = 0; i < poly.uvCount; ++i) {
    out.Text("vt ");
    out.Float(poly.uvs[i].u);
    out.Text(" ");
    out.Float(poly.uvs[i].v);
    out.Text("\n");
  }
  const std::vector<int64_t> normals = WriteNormals(poly, place, bases, out);
  Faces(poly, materialNames, normals, bases, out);
  bases.vertex += poly.vertexCount;
  bases.uv += poly.uvCount;
}

// About the bytes the objects take as text, so that the buffer is mostly
// allocated once.
size_t TextEstimate(const std::vector<tsxSOBJ>& objects) {
  size_t bytes = size_t{1} << 12;
  for (tsxSOBJ id : objects) {
    const detail::Object* obj = detail::FindObject(id);
    if (!obj || !obj->poly) continue;
    const detail::Polyhedron& poly = *obj->poly;
    bytes += 40 * static_cast<size_t>(poly.vertexCount) + 28 * static_cast<size_t>(poly.uvCount);
    for (int32_t f = 0; f < poly.faceCount; ++f) bytes += 4 + 10 * static_cast<size_t>(std::max<int32_t>(poly.faces[f]->nbrCorners, 0));
  }
  return bytes;
}

// The OBJ text into `out`, the MTL's into `mtl`.
void Texts(const std::vector<tsxSOBJ>& objects, const std::string& mtlName, const std::string& mtlFolder, Out& out,
           std::string* mtl) {
  out.Reserve(TextEstimate(objects));
  out.Text("# written by the SPLICER-BOT stand-in host; vertex transforms applied\n");
  out.Text("mtllib ");
  out.Text(mtlName);
  out.Text("\n");
  MaterialNames materials;
  Bases bases;
  for (tsxSOBJ id : objects) {
    const detail::Object* object = detail::FindObject(id);
    if (!object || !object->poly) continue;
    WriteObject(*object, materials.ForTable(object->poly->materials), bases, out);
  }
  *mtl = detail::MtlText(materials.Written(), mtlFolder);
}

bool Save(const std::string& path, const std::vector<tsxSOBJ>& objects, std::string* error,
          const WriteProgress& progress, const std::vector<AlongsideFile>& alongside) {
  namespace fs = std::filesystem;
  const fs::path mtlPath = fs::path(path).replace_extension(".mtl");
  std::error_code ec;
  fs::path folder = fs::absolute(mtlPath, ec).parent_path();
  if (ec) folder = mtlPath.parent_path();
  // The OBJ is formatted while it is written, a piece at a time; the MTL,
  // known once every object is, after it.
  std::string mtl;
  FileText objFile{path, {}};
  objFile.estimate = static_cast<int64_t>(TextEstimate(objects));
  objFile.stream = [&](const TextSink& sink) {
    try {
      Out out(sink);
      Texts(objects, mtlPath.filename().string(), folder.lexically_normal().string(), out, &mtl);
      out.Flush();
      return true;
    } catch (const SinkRefused&) {
      return false;
    }
  };
  FileText mtlFile{mtlPath.string(), {}};
  mtlFile.stream = [&mtl](const TextSink& sink) { return sink(mtl); };
  return WriteFilesSafely({std::move(objFile), std::move(mtlFile)}, error, progress, alongside);
}

}  // namespace

namespace testing {

void SetParallelFormatting(size_t fromVertices) { g_parallelFrom = fromVertices; }

void SetWritePieces(size_t pieceBytes, size_t chunkItems) {
  g_pieceBytes = std::max<size_t>(pieceBytes, 1);
  g_chunkItems = std::max<size_t>(chunkItems, 1);
}

}  // namespace testing

bool ObjTexts(const std::vector<tsxSOBJ>& objects, const std::string& mtlName, std::string* obj, std::string* mtl) {
  try {
    Out out;
    Texts(objects, mtlName, std::string(), out, mtl);
    obj->assign(out.str());
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

namespace detail {

SaveResult SaveObjScene(const std::string& path, const std::vector<tsxSOBJ>& objects, const WriteProgress& progress,
                        const std::vector<AlongsideFile>& alongside) {
  SaveResult result;
  try {
    result.ok = Save(path, objects, &result.error, progress, alongside);
    return result;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  result.error = ForDisplay(path) + ": not enough memory";
  result.noMemory = true;
  return result;
}

}  // namespace detail

bool SaveObj(const std::string& path, const std::vector<tsxSOBJ>& objects, std::string* error,
             const WriteProgress& progress) {
  SaveResult result = detail::SaveObjScene(path, objects, progress, {});
  if (error) *error = std::move(result.error);
  return result.ok;
}

}  // namespace tsxhost
