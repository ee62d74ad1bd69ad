// glTF 2.0 out. The asset library's exporter always runs steps of its own
// first (a weld of identical vertices over a copy of the whole scene, an
// aiFace per triangle, twice): they cost more than all the rest of a
// large join, and cannot be switched off through its interface. The
// format is simple to write from the arrays the scene builder makes: the
// JSON, then each array of the binary buffer as it lies, never copied
// into one.
#include "host/formats/GltfWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <string_view>

#include "host/obj/SafeFile.h"

namespace tsxhost::detail {
namespace {

constexpr int kFloat = 5126, kUnsignedInt = 5125;
constexpr int kVertexData = 34962, kIndexData = 34963;
constexpr int kTriangles = 4;

// The format's conventions: V runs down from the top of the image, and
// normals are of unit length. Done as the library's exporter did, so
// that a file reads back as before, bit for bit.
void ToFileConventions(MeshOut& mesh) {
  for (UvOut& t : mesh.uvs) t.v = 1.0f - t.v;
  for (Vec3Out& n : mesh.normals) {
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(length > 0.0f)) continue;
    const float inverse = 1.0f / length;
    n = {n.x * inverse, n.y * inverse, n.z * inverse};
  }
}

// JSON text, written as it goes: the document is small and of a fixed
// shape. The JSON library's trees free themselves through an allocation,
// which ends the program when memory runs out just then; its escaping of
// texts (UTF-8 checked, anything not UTF-8 replaced) is used.
class JsonText {
 public:
  explicit JsonText(bool pretty) : pretty_(pretty) {}

  JsonText& Begin(char bracket) {
    Value();
    text_ += bracket;
    empty_.push_back(true);
    return *this;
  }
  JsonText& End(char bracket) {
    const bool empty = empty_.back();
    empty_.pop_back();
    if (!empty) NewLine();
    text_ += bracket;
    return *this;
  }
  JsonText& Key(const char* key) {
    Separator();
    (text_ += '"').append(key) += '"';
    text_ += pretty_ ? ": " : ":";
    afterKey_ = true;
    return *this;
  }
  JsonText& String(const std::string& value) {
    Value();
    text_ += nlohmann::json(value).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return *this;
  }
  // Floats as the shortest text of their double: it reads back exactly,
  // as a double or as a float.
  JsonText& Number(double value) {
    Value();
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text_.append(digits, end);
    return *this;
  }
  JsonText& Whole(uint64_t value) {
    Value();
    text_ += std::to_string(value);
    return *this;
  }
  std::string& text() { return text_; }

 private:
  void Value() {
    if (afterKey_) {
      afterKey_ = false;
    } else if (!empty_.empty()) {
      Separator();
    }
  }
  void Separator() {
    if (!empty_.back()) text_ += ',';
    empty_.back() = false;
    NewLine();
  }
  void NewLine() {
    if (!pretty_) return;
    text_ += '\n';
    text_.append(2 * empty_.size(), ' ');
  }

  bool pretty_;
  bool afterKey_ = false;
  std::vector<bool> empty_;  // per open bracket: nothing in it yet
  std::string text_;
};

struct Accessor {
  uint64_t offset, bytes;  // its buffer view
  int target;
  int componentType;
  size_t count;
  const char* type;
  bool bounds = false;  // positions: the format requires their bounds
  float min[3] = {}, max[3] = {};
};

struct Primitive {
  size_t position, indices;
  long normal = -1, uv = -1;
  unsigned material;
};

// The binary buffer: its arrays in order, each where it lies. Every
// element is 4 bytes, so the arrays need no padding between them.
class Buffer {
 public:
  template <typename T>
  size_t Add(const std::vector<T>& values, const char* type, int componentType, int target) {
    static_assert(sizeof(T) % 4 == 0);
    const uint64_t bytes = values.size() * sizeof(T);
    accessors_.push_back({size_, bytes, target, componentType, values.size(), type});
    pieces_.emplace_back(reinterpret_cast<const char*>(values.data()), bytes);
    size_ += bytes;
    return accessors_.size() - 1;
  }
  Accessor& operator[](size_t accessor) { return accessors_[accessor]; }
  const std::vector<Accessor>& accessors() const { return accessors_; }
  uint64_t size() const { return size_; }
  const std::vector<std::string_view>& pieces() const { return pieces_; }

 private:
  std::vector<Accessor> accessors_;
  std::vector<std::string_view> pieces_;
  uint64_t size_ = 0;
};

void AddBounds(const std::vector<Vec3Out>& positions, Accessor& accessor) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  accessor.bounds = true;
  std::fill_n(accessor.min, 3, kInf);
  std::fill_n(accessor.max, 3, -kInf);
  for (const Vec3Out& p : positions) {
    const float c[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
      accessor.min[i] = std::min(accessor.min[i], c[i]);
      accessor.max[i] = std::max(accessor.max[i], c[i]);
    }
  }
}

Primitive AddPrimitive(MeshOut& mesh, Buffer& buffer) {
  ToFileConventions(mesh);
  Primitive out{};
  out.position = buffer.Add(mesh.positions, "VEC3", kFloat, kVertexData);
  AddBounds(mesh.positions, buffer[out.position]);
  if (!mesh.normals.empty()) out.normal = static_cast<long>(buffer.Add(mesh.normals, "VEC3", kFloat, kVertexData));
  if (!mesh.uvs.empty()) out.uv = static_cast<long>(buffer.Add(mesh.uvs, "VEC2", kFloat, kVertexData));
  out.indices = buffer.Add(mesh.indices, "SCALAR", kUnsignedInt, kIndexData);
  out.material = mesh.material;
  return out;
}

void PutPrimitive(JsonText& json, const Primitive& p) {
  json.Begin('{').Key("attributes").Begin('{').Key("POSITION").Whole(p.position);
  if (p.normal >= 0) json.Key("NORMAL").Whole(static_cast<uint64_t>(p.normal));
  if (p.uv >= 0) json.Key("TEXCOORD_0").Whole(static_cast<uint64_t>(p.uv));
  json.End('}').Key("indices").Whole(p.indices).Key("material").Whole(p.material);
  json.Key("mode").Whole(kTriangles).End('}');
}

bool IsIdentity(const CtsxTxmx3f& t) {
  for (int i = 0; i < 12; ++i) {
    if (t.m[i] != kIdentity.m[i]) return false;
  }
  return true;
}

void PutNode(JsonText& json, const NodeOut& node, size_t mesh) {
  json.Begin('{').Key("name").String(node.name).Key("mesh").Whole(mesh);
  if (!IsIdentity(node.transform)) {
    // The host's 3x4 by rows; the format's 4x4 by columns.
    const float* m = node.transform.m;
    json.Key("matrix").Begin('[');
    for (int column = 0; column < 4; ++column) {
      for (int row = 0; row < 3; ++row) json.Number(m[4 * row + column]);
      json.Number(column == 3 ? 1 : 0);
    }
    json.End(']');
  }
  json.End('}');
}

// Base colour with the opacity as its alpha, and the texture: what the
// host's materials and glTF's have in common. The host's materials are
// not metallic; the format's default is. Each texture file once.
void PutMaterials(JsonText& json, const std::vector<Material>& materials) {
  std::vector<std::string> images;
  json.Key("materials").Begin('[');
  for (const Material& m : materials) {
    json.Begin('{').Key("name").String(m.name).Key("pbrMetallicRoughness").Begin('{');
    const float base[4] = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.opacity};
    if (std::any_of(base, base + 4, [](float c) { return c != 1.0f; })) {
      json.Key("baseColorFactor").Begin('[');
      for (float c : base) json.Number(c);
      json.End(']');
    }
    if (!m.diffuseMap.empty()) {
      const auto at = std::find(images.begin(), images.end(), m.diffuseMap);
      json.Key("baseColorTexture").Begin('{').Key("index").Whole(static_cast<uint64_t>(at - images.begin()));
      json.End('}');
      if (at == images.end()) images.push_back(m.diffuseMap);
    }
    json.Key("metallicFactor").Number(0).End('}').End('}');
  }
  json.End(']');
  if (images.empty()) return;
  json.Key("images").Begin('[');
  for (const std::string& uri : images) json.Begin('{').Key("uri").String(uri).End('}');
  json.End(']').Key("samplers").Begin('[').Begin('{').End('}').End(']').Key("textures").Begin('[');
  for (size_t i = 0; i < images.size(); ++i) json.Begin('{').Key("sampler").Whole(0).Key("source").Whole(i).End('}');
  json.End(']');
}

void PutAccessors(JsonText& json, const Buffer& buffer) {
  json.Key("accessors").Begin('[');
  for (size_t i = 0; i < buffer.accessors().size(); ++i) {
    const Accessor& a = buffer.accessors()[i];
    json.Begin('{').Key("bufferView").Whole(i).Key("componentType").Whole(static_cast<uint64_t>(a.componentType));
    json.Key("count").Whole(a.count).Key("type").String(a.type);
    if (a.bounds) {
      json.Key("min").Begin('[');
      for (float c : a.min) json.Number(c);
      json.End(']').Key("max").Begin('[');
      for (float c : a.max) json.Number(c);
      json.End(']');
    }
    json.End('}');
  }
  json.End(']').Key("bufferViews").Begin('[');
  for (const Accessor& a : buffer.accessors()) {
    json.Begin('{').Key("buffer").Whole(0).Key("byteOffset").Whole(a.offset).Key("byteLength").Whole(a.bytes);
    json.Key("target").Whole(static_cast<uint64_t>(a.target)).End('}');
  }
  json.End(']');
}

// The JSON of the scene, its binary buffer laid out in `buffer`; `binName`
// is the buffer's file, or empty when it follows in the same file.
std::string Document(SceneOut& scene, Buffer& buffer, bool pretty, const std::string& binName) {
  std::vector<std::vector<Primitive>> meshes;
  for (const NodeOut& node : scene.nodes) {
    std::vector<Primitive>& primitives = meshes.emplace_back();
    for (unsigned m : node.meshes) primitives.push_back(AddPrimitive(scene.meshes[m], buffer));
  }
  JsonText json(pretty);
  json.Begin('{').Key("asset").Begin('{').Key("generator").String("SPLICER-BOT").Key("version").String("2.0");
  json.End('}').Key("scene").Whole(0).Key("scenes").Begin('[').Begin('{');
  if (!scene.nodes.empty()) {  // a scene lists at least one node, when it lists any
    json.Key("nodes").Begin('[');
    for (size_t n = 0; n < scene.nodes.size(); ++n) json.Whole(n);
    json.End(']');
  }
  json.End('}').End(']');
  if (!scene.nodes.empty()) {
    json.Key("nodes").Begin('[');
    for (size_t n = 0; n < scene.nodes.size(); ++n) PutNode(json, scene.nodes[n], n);
    json.End(']').Key("meshes").Begin('[');
    for (const std::vector<Primitive>& primitives : meshes) {
      json.Begin('{').Key("primitives").Begin('[');
      for (const Primitive& p : primitives) PutPrimitive(json, p);
      json.End(']').End('}');
    }
    json.End(']');
  }
  if (!scene.materials.empty()) PutMaterials(json, scene.materials);
  if (buffer.size() > 0) {
    PutAccessors(json, buffer);
    json.Key("buffers").Begin('[').Begin('{').Key("byteLength").Whole(buffer.size());
    if (!binName.empty()) json.Key("uri").String(binName);
    json.End('}').End(']');
  }
  json.End('}');
  return std::move(json.text());
}

void PutLittleEndian32(std::string& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

}  // namespace

bool WriteGltf(const std::string& path, bool binary, SceneOut& scene, std::string* error,
               const WriteProgress& progress, const std::vector<AlongsideFile>& alongside) {
  Buffer buffer;
  std::filesystem::path binPath = path;
  binPath.replace_extension(".bin");
  std::string text = Document(scene, buffer, !binary, binary ? std::string() : binPath.filename().string());
  if (!binary) {
    std::vector<FileText> files{{path, text}};
    if (buffer.size() > 0) files.push_back({binPath.string(), {}, buffer.pieces()});
    return WriteFilesSafely(files, error, progress, alongside);
  }
  // The container: header, the JSON chunk padded with spaces to 4 bytes,
  // the binary chunk (a multiple of 4 bytes already).
  text.append((4 - text.size() % 4) % 4, ' ');
  const uint64_t total = 12 + 8 + text.size() + (buffer.size() > 0 ? 8 + buffer.size() : 0);
  if (total > UINT32_MAX) {
    *error = path + ": cannot write the file: a binary glTF holds at most 4 GiB (this scene takes " +
             std::to_string(total >> 20) + " MiB); write it as .gltf";
    return false;
  }
  std::string head = "glTF";
  head.reserve(28 + text.size());
  PutLittleEndian32(head, 2);
  PutLittleEndian32(head, static_cast<uint32_t>(total));
  PutLittleEndian32(head, static_cast<uint32_t>(text.size()));
  head += "JSON";
  head += text;
  if (buffer.size() > 0) {
    PutLittleEndian32(head, static_cast<uint32_t>(buffer.size()));
    head.append("BIN\0", 4);
  }
  return WriteFilesSafely({{path, head, buffer.pieces()}}, error, progress, alongside);
}

}  // namespace tsxhost::detail
