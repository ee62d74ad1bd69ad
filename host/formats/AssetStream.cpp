// The reader process's stream. Layout, after the 8-byte tag and the
// version: the refusal text, the warnings, the number of objects, then each
// object after its length in bytes (64 bits): name, positions, UVs,
// normals, materials, faces as corner count and material, corners as
// vertex, UV and normal index; then the end tag. Texts and lists carry
// their length first (32 bits).
#include "host/formats/AssetStream.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

namespace tsxhost::detail {
namespace {

constexpr char kTag[8] = {'S', 'P', 'L', 'A', 'S', 'S', 'E', 'T'};
constexpr char kEndTag[4] = {'E', 'N', 'D', '.'};

// Appends to a string whose room, made beforehand, an object's bytes fit.
class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
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
  size_t Size() const { return out_.size(); }
  // Writes `value` over the bytes at `at`, written before as a placeholder.
  void PutAt(size_t at, uint64_t value) { std::memcpy(out_.data() + at, &value, sizeof value); }

 private:
  std::string& out_;
};

size_t TextBytes(std::string_view text) { return 4 + std::min<size_t>(text.size(), kAssetTextLimit); }

// A corner in the stream is its three indices, as the host holds them.
static_assert(sizeof(Corner) == 12 && offsetof(Corner, vertex) == 0 && offsetof(Corner, uv) == 4 &&
              offsetof(Corner, normal) == 8);

void PutObject(Writer& w, const AssetObject& object) {
  const FlatMesh& m = object.mesh;
  const size_t start = w.Size();
  w.Put(uint64_t{0});  // the object's length, once it is known
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
  w.PutAll(m.corners);
  w.PutAt(start, w.Size() - start - sizeof(uint64_t));
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
  size_t Left() const { return rest_.size(); }

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
  if (!r.Bytes(m->corners.data(), m->corners.size() * kCornerBytes)) return false;
  const auto vertices = static_cast<int64_t>(m->vertices.size()), uvs = static_cast<int64_t>(m->uvs.size()),
             normals = static_cast<int64_t>(m->normals.size());
  for (const Corner& c : m->corners) {
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

constexpr const char* kNotAnAnswer = "it does not start as a reader's answer";

// The smallest an object takes: seven counts and one material.
constexpr size_t kObjectBytes = 7 * 4 + kMaterialBytes;
// A header that has not fitted in this many bytes is not one.
constexpr size_t kHeaderLimit = size_t{64} << 20;

// The header: false with `why` when it is wrong, false without when the
// bytes end before it does.
bool GetHeader(Reader& r, std::string* refusal, std::vector<std::string>* warnings, uint32_t* objects,
               std::string* why) {
  uint32_t version = 0, count = 0;
  if (!r.Tag(kTag, sizeof kTag)) {
    // Said as soon as the first bytes differ, or when no more will come.
    const size_t n = std::min(r.Left(), sizeof kTag);
    std::string head(n, '\0');
    r.Bytes(head.data(), n);
    if (head != std::string_view(kTag, n)) *why = kNotAnAnswer;
    return false;
  }
  if (!r.Get(&version)) return false;
  if (version != kAssetStreamVersion) {
    *why = "version " + std::to_string(version) + " instead of " + std::to_string(kAssetStreamVersion);
    return false;
  }
  if (!r.Text(refusal) || !r.Get(&count)) return false;
  if (count > kAssetWarningLimit) {
    *why = std::to_string(count) + " warnings";
    return false;
  }
  warnings->clear();
  for (uint32_t i = 0; i < count; ++i) {
    if (!r.Text(&warnings->emplace_back())) return false;
  }
  return r.Get(objects);
}

}  // namespace

bool AssetStreamDecoder::Fail(std::string why) {
  why_ = why.empty() ? "it ends early or runs on past its end" : std::move(why);
  state_ = State::Failed;
  buffer_.clear();
  return false;
}

// Decodes what the buffer holds; false when it needs more bytes or failed.
bool AssetStreamDecoder::Step() {
  Reader r(std::string_view(buffer_).substr(used_));
  switch (state_) {
    case State::Header: {
      // Tried again only once the buffer has doubled, so that a long header
      // arriving in small pieces is not read over and over.
      if (buffer_.size() < 2 * headerAttempt_) return false;
      std::string why;
      if (!GetHeader(r, &refusal_, &warnings_, &objectsLeft_, &why)) {
        if (!why.empty()) return Fail(std::move(why));
        if (buffer_.size() > kHeaderLimit) return Fail("its header is longer than " + std::to_string(kHeaderLimit));
        headerAttempt_ = buffer_.size();
        return false;
      }
      used_ = buffer_.size() - r.Left();
      state_ = objectsLeft_ > 0 ? State::Length : State::End;
      return true;
    }
    case State::Length:
      if (!r.Get(&objectBytes_)) return false;
      if (objectBytes_ < kObjectBytes) return Fail("an object of " + std::to_string(objectBytes_) + " bytes");
      used_ += sizeof objectBytes_;
      state_ = State::Object;
      return true;
    case State::Object: {
      if (r.Left() < objectBytes_) return false;
      Reader object(std::string_view(buffer_).substr(used_, objectBytes_));
      AssetObject decoded;
      std::string why;
      if (!GetObject(object, &decoded, &why) || !object.AtEnd()) return Fail(std::move(why));
      used_ += objectBytes_;
      // The decoded bytes (and the room they took) go before the object is
      // built and the next one's arrive.
      {
        std::string rest = buffer_.substr(used_);
        buffer_.swap(rest);
      }
      used_ = 0;
      if (!sink_(std::move(decoded))) {
        state_ = State::Failed;
        return false;
      }
      state_ = --objectsLeft_ > 0 ? State::Length : State::End;
      return true;
    }
    case State::End:
      if (r.Left() < sizeof kEndTag) return false;
      if (!r.Tag(kEndTag, sizeof kEndTag)) return Fail("");
      used_ += sizeof kEndTag;
      state_ = State::Done;
      return true;
    case State::Done:
      return r.AtEnd() ? false : Fail("");
    case State::Failed:
      return false;
  }
  return false;
}

bool AssetStreamDecoder::Feed(std::string_view bytes) {
  if (state_ == State::Failed) return false;
  buffer_.append(bytes);
  while (Step()) {
  }
  return state_ != State::Failed;
}

bool AssetStreamDecoder::Finish() {
  if (state_ == State::Failed) return false;
  if (state_ == State::Header && buffer_.size() < sizeof kTag) return Fail(kNotAnAnswer);
  if (state_ != State::Done) return Fail("");
  return true;
}

size_t EncodedObjectSize(const AssetObject& object) {
  const FlatMesh& m = object.mesh;
  size_t bytes = 8 + TextBytes(object.name) + 4 + m.vertices.size() * sizeof(CtsxVector3f) + 4 +
                 m.uvs.size() * sizeof(CtsxUV) + 4 + m.normals.size() * sizeof(CtsxVector3f) + 4;
  for (const Material& material : m.materials) {
    bytes += TextBytes(material.name) + sizeof material.diffuse + sizeof material.opacity +
             TextBytes(material.diffuseMap);
  }
  return bytes + 4 + (m.faceStart.size() - 1) * kFaceBytes + 4 + m.corners.size() * kCornerBytes;
}

void EncodeAssetObject(const AssetObject& object, std::string& out) {
  out.clear();
  Writer w(out);
  PutObject(w, object);
}

std::string EncodeAssetHeader(const AssetScene& scene) {
  std::string out;
  Writer w(out);
  w.Raw(kTag, sizeof kTag);
  w.Put(kAssetStreamVersion);
  w.Text(scene.refusal);
  const size_t warnings = std::min<size_t>(scene.warnings.size(), kAssetWarningLimit);
  w.Put(static_cast<uint32_t>(warnings));
  for (size_t i = 0; i < warnings; ++i) w.Text(scene.warnings[i]);
  w.Put(static_cast<uint32_t>(scene.objects.size()));
  return out;
}

std::string_view AssetStreamEnd() { return {kEndTag, sizeof kEndTag}; }

std::string EncodeAssetScene(const AssetScene& scene) {
  size_t bytes = 0;
  for (const AssetObject& object : scene.objects) bytes += EncodedObjectSize(object);
  std::string out = EncodeAssetHeader(scene);
  out.reserve(out.size() + bytes + sizeof kEndTag);
  Writer w(out);
  for (const AssetObject& object : scene.objects) PutObject(w, object);
  w.Raw(kEndTag, sizeof kEndTag);
  return out;
}

bool DecodeAssetScene(std::string_view bytes, AssetScene* scene, std::string* why) {
  *scene = AssetScene{};
  AssetStreamDecoder decoder([scene](AssetObject&& object) {
    scene->objects.push_back(std::move(object));
    return true;
  });
  if (decoder.Feed(bytes) && decoder.Finish()) {
    scene->refusal = decoder.refusal();
    scene->warnings = decoder.warnings();
    why->clear();
    return true;
  }
  *why = decoder.why();
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
