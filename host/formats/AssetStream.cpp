// The reader process's stream. Layout, after the 8-byte tag and the
// version: the refusal text, the warnings, then each object (name,
// positions, UVs, normals, materials, faces as corner count and material,
// corners as vertex, UV and normal index), then the end tag. Texts and
// lists carry their length first (32 bits).
#include "host/formats/AssetStream.h"

#include <cstring>
#include <type_traits>

namespace tsxhost::detail {
namespace {

constexpr char kTag[8] = {'S', 'P', 'L', 'A', 'S', 'S', 'E', 'T'};
constexpr char kEndTag[4] = {'E', 'N', 'D', '.'};

class Writer {
 public:
  template <class T>
  void Put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    out_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  template <class T>
  void PutAll(const std::vector<T>& values) {
    Put(static_cast<uint32_t>(values.size()));
    out_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
  }
  void Text(std::string_view text) {
    text = text.substr(0, kAssetTextLimit);
    Put(static_cast<uint32_t>(text.size()));
    out_.append(text);
  }
  void Raw(const char* bytes, size_t n) { out_.append(bytes, n); }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

void PutObject(Writer& w, const AssetObject& object) {
  const FlatMesh& m = object.mesh;
  w.Text(object.name);
  w.PutAll(m.vertices);
  w.PutAll(m.uvs);
  w.PutAll(m.normals);
  w.Put(static_cast<uint32_t>(m.materials.size()));
  for (const Material& material : m.materials) {
    w.Text(material.name);
    w.Put(material.diffuse);
    w.Put(material.opacity);
    w.Text(material.diffuseMap);
  }
  const size_t faces = m.faceStart.size() - 1;
  w.Put(static_cast<uint32_t>(faces));
  for (size_t f = 0; f < faces; ++f) {
    w.Put(static_cast<uint16_t>(m.faceStart[f + 1] - m.faceStart[f]));
    w.Put(m.faceMaterial[f]);
  }
  w.Put(static_cast<uint32_t>(m.corners.size()));
  for (const Corner& c : m.corners) {
    w.Put(c.vertex);
    w.Put(c.uv);
    w.Put(c.normal);
  }
}

// Reads from the front of the bytes; every read says whether there was
// enough left, so that no count can make it read or allocate past the end.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}

  template <class T>
  bool Get(T* value) {
    if (rest_.size() < sizeof(T)) return false;
    std::memcpy(value, rest_.data(), sizeof(T));
    rest_.remove_prefix(sizeof(T));
    return true;
  }
  // A count of elements of `size` bytes each that the rest can hold.
  bool Count(size_t size, uint32_t* n) { return Get(n) && *n <= rest_.size() / size; }
  template <class T>
  bool GetAll(std::vector<T>* values) {
    uint32_t n = 0;
    if (!Count(sizeof(T), &n)) return false;
    values->resize(n);
    return Bytes(values->data(), size_t{n} * sizeof(T));
  }
  bool Text(std::string* text) {
    uint32_t n = 0;
    if (!Count(1, &n) || n > kAssetTextLimit) return false;
    text->assign(rest_.substr(0, n));
    rest_.remove_prefix(n);
    return true;
  }
  bool Bytes(void* out, size_t n) {
    if (rest_.size() < n) return false;
    if (n > 0) std::memcpy(out, rest_.data(), n);
    rest_.remove_prefix(n);
    return true;
  }
  bool Tag(const char* tag, size_t n) {
    if (rest_.substr(0, n) != std::string_view(tag, n)) return false;
    rest_.remove_prefix(n);
    return true;
  }
  bool AtEnd() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// The smallest a material and a face take in the stream.
constexpr size_t kMaterialBytes = 4 + 12 + 4 + 4;
constexpr size_t kFaceBytes = 4;
constexpr size_t kCornerBytes = 12;

bool GetMaterials(Reader& r, FlatMesh* m, std::string* why) {
  uint32_t n = 0;
  if (!r.Count(kMaterialBytes, &n)) return false;
  if (n == 0 || n > UINT16_MAX + 1u) {
    *why = "an object with " + std::to_string(n) + " materials";
    return false;
  }
  m->materials.resize(n);
  for (Material& material : m->materials) {
    if (!r.Text(&material.name) || !r.Get(&material.diffuse) || !r.Get(&material.opacity) ||
        !r.Text(&material.diffuseMap)) {
      return false;
    }
  }
  return true;
}

bool GetFaces(Reader& r, FlatMesh* m, std::string* why) {
  uint32_t n = 0;
  if (!r.Count(kFaceBytes, &n)) return false;
  m->faceStart.assign(1, 0);
  m->faceStart.reserve(size_t{n} + 1);
  m->faceMaterial.resize(n);
  uint64_t corners = 0;
  for (uint32_t f = 0; f < n; ++f) {
    uint16_t count = 0;
    if (!r.Get(&count) || !r.Get(&m->faceMaterial[f])) return false;
    if (count < 3 || count > INT16_MAX) {
      *why = "a face with " + std::to_string(count) + " corners";
      return false;
    }
    if (m->faceMaterial[f] >= m->materials.size()) {
      *why = "a face's material " + std::to_string(m->faceMaterial[f]) + " does not exist";
      return false;
    }
    corners += count;
    if (corners > UINT32_MAX) return false;
    m->faceStart.push_back(static_cast<uint32_t>(corners));
  }
  uint32_t listed = 0;
  if (!r.Count(kCornerBytes, &listed)) return false;
  if (listed != corners) {
    *why = "the faces have " + std::to_string(corners) + " corners, the list " + std::to_string(listed);
    return false;
  }
  return true;
}

bool GetCorners(Reader& r, FlatMesh* m, std::string* why) {
  m->corners.resize(m->faceStart.back());
  const auto vertices = static_cast<int64_t>(m->vertices.size()), uvs = static_cast<int64_t>(m->uvs.size()),
             normals = static_cast<int64_t>(m->normals.size());
  for (Corner& c : m->corners) {
    if (!r.Get(&c.vertex) || !r.Get(&c.uv) || !r.Get(&c.normal)) return false;
    if (c.vertex < 0 || c.vertex >= vertices || c.uv < -1 || c.uv >= uvs || c.normal < -1 || c.normal >= normals) {
      *why = "a corner names a vertex, UV or normal that does not exist";
      return false;
    }
  }
  return true;
}

bool GetObject(Reader& r, AssetObject* object, std::string* why) {
  FlatMesh& m = object->mesh;
  return r.Text(&object->name) && r.GetAll(&m.vertices) && r.GetAll(&m.uvs) && r.GetAll(&m.normals) &&
         GetMaterials(r, &m, why) && GetFaces(r, &m, why) && GetCorners(r, &m, why);
}

bool GetScene(Reader& r, AssetScene* scene, std::string* why) {
  uint32_t version = 0, warnings = 0, objects = 0;
  if (!r.Tag(kTag, sizeof kTag) || !r.Get(&version)) {
    *why = "it does not start as a reader's answer";
    return false;
  }
  if (version != kAssetStreamVersion) {
    *why = "version " + std::to_string(version) + " instead of " + std::to_string(kAssetStreamVersion);
    return false;
  }
  if (!r.Text(&scene->refusal) || !r.Count(4, &warnings)) return false;
  scene->warnings.resize(warnings);
  for (std::string& warning : scene->warnings) {
    if (!r.Text(&warning)) return false;
  }
  // An object takes at least seven counts and one material.
  if (!r.Count(7 * 4 + kMaterialBytes, &objects)) return false;
  scene->objects.resize(objects);
  for (AssetObject& object : scene->objects) {
    if (!GetObject(r, &object, why)) return false;
  }
  return r.Tag(kEndTag, sizeof kEndTag) && r.AtEnd();
}

}  // namespace

std::string EncodeAssetScene(const AssetScene& scene) {
  Writer w;
  w.Raw(kTag, sizeof kTag);
  w.Put(kAssetStreamVersion);
  w.Text(scene.refusal);
  w.Put(static_cast<uint32_t>(scene.warnings.size()));
  for (const std::string& warning : scene.warnings) w.Text(warning);
  w.Put(static_cast<uint32_t>(scene.objects.size()));
  for (const AssetObject& object : scene.objects) PutObject(w, object);
  w.Raw(kEndTag, sizeof kEndTag);
  return w.Take();
}

bool DecodeAssetScene(std::string_view bytes, AssetScene* scene, std::string* why) {
  Reader r(bytes);
  *scene = AssetScene{};
  why->clear();
  if (GetScene(r, scene, why)) return true;
  if (why->empty()) *why = "it ends early or runs on past its end";
  *scene = AssetScene{};
  return false;
}

const char* FormatWord(FileFormat format) {
  switch (format) {
    case FileFormat::Gltf: return "gltf";
    case FileFormat::Glb: return "glb";
    case FileFormat::Ply: return "ply";
    case FileFormat::Stl: return "stl";
    default: return "";
  }
}

FileFormat FormatOfWord(const std::string& word) {
  for (FileFormat format : {FileFormat::Gltf, FileFormat::Glb, FileFormat::Ply, FileFormat::Stl}) {
    if (word == FormatWord(format)) return format;
  }
  return FileFormat::Unknown;
}

}  // namespace tsxhost::detail
