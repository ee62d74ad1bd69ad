// glTF, PLY and STL out, through the asset library. The files hold one UV
// per vertex, so a host vertex used with several UVs is written once per
// UV. Each object's first mesh lists every host vertex in order before any
// repeat, so that the reader's weld gives back the same vertex table.
// glTF and STL hold triangles only: polygons are written as fans. Normals
// are per vertex in glTF and PLY, all or none: a face without normals of
// its own gives its corners its plane's normal.
#include <assimp/BlobIOSystem.h>
#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "host/formats/AssetFiles.h"
#include "host/formats/OnceNotes.h"
#include "host/obj/SafeFile.h"
#include "host/scene/HostState.h"

namespace tsxhost::detail {
namespace {

struct FormatTraits {
  const char* exporterId;
  const char* label;
  bool objects;    // several named objects with transforms
  bool materials;  // per-face materials
  bool uvs;
  bool polygons;   // faces of more than three corners
  bool normals;    // per-vertex normals
};

FormatTraits TraitsOf(FileFormat format) {
  switch (format) {
    case FileFormat::Gltf: return {"gltf2", "glTF", true, true, true, false, true};
    case FileFormat::Glb: return {"glb2", "glTF", true, true, true, false, true};
    case FileFormat::Ply: return {"plyb", "PLY", false, false, true, true, true};
    default: return {"stlb", "STL", false, false, false, false, false};
  }
}

// A written vertex: the host vertex, UV and normal (by its bits) it stands for.
struct CornerKey {
  int32_t vertex = 0, uv = -1;
  uint32_t normal[3] = {0, 0, 0};
  bool operator==(const CornerKey&) const = default;
};
struct CornerKeyHash {
  size_t operator()(const CornerKey& k) const {
    uint64_t h = (uint64_t(uint32_t(k.vertex)) << 32) | uint32_t(k.uv + 1);
    for (uint32_t n : k.normal) h = (h ^ n) * 0x100000001B3ull;
    return std::hash<uint64_t>()(h);
  }
};

// One mesh of the file: the faces of one material, with split vertices.
struct MeshOut {
  std::vector<aiVector3D> positions;
  std::vector<aiVector3D> uvs;
  std::vector<aiVector3D> normals;
  std::vector<std::vector<unsigned>> faces;
  std::unordered_map<CornerKey, unsigned, CornerKeyHash> index;
  unsigned material = 0;

  unsigned Corner(const Polyhedron& poly, const CtsxCorner& c, bool withUvs, const aiVector3D* normal) {
    CornerKey key;
    key.vertex = c.vindex;
    key.uv = withUvs && c.uvindex >= 0 && c.uvindex < poly.uvCount ? c.uvindex : -1;
    if (normal) std::memcpy(key.normal, normal, sizeof key.normal);
    const auto [it, added] = index.try_emplace(key, static_cast<unsigned>(positions.size()));
    if (added) {
      const CtsxVector3f& v = poly.vertices[c.vindex];
      positions.emplace_back(v.x, v.y, v.z);
      const int32_t uv = key.uv;
      if (withUvs) uvs.emplace_back(uv >= 0 ? poly.uvs[uv].u : 0.0f, uv >= 0 ? poly.uvs[uv].v : 0.0f, 0.0f);
      if (normal) normals.push_back(*normal);
    }
    return it->second;
  }
};

bool HasNormals(const Polyhedron& poly) {
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const FaceExtra* extra = FaceExtraOf(*poly.faces[f]);
    if (!extra) continue;
    for (int32_t c = 0; c < extra->normalSlots; ++c) {
      if (extra->HasNormal()[c]) return true;
    }
  }
  return false;
}

// A corner's normal as written: its own, else its face's plane normal.
aiVector3D CornerNormal(const Polyhedron& poly, const CtsxFace& face, int32_t c) {
  const FaceExtra* extra = FaceExtraOf(face);
  if (extra && c < extra->normalSlots && extra->HasNormal()[c]) {
    const CtsxVector3f& n = extra->Normals()[c];
    return {n.x, n.y, n.z};
  }
  aiVector3D n(0, 0, 0);  // Newell's method: sound for any planar polygon
  for (int32_t i = 0; i < face.nbrCorners; ++i) {
    const CtsxVector3f& a = poly.vertices[face.corners[i].vindex];
    const CtsxVector3f& b = poly.vertices[face.corners[(i + 1) % face.nbrCorners].vindex];
    n += aiVector3D((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
  }
  return n.NormalizeSafe();
}

bool HasUvs(const Polyhedron& poly) {
  if (poly.uvCount == 0) return false;
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    for (int32_t c = 0; c < poly.faces[f]->nbrCorners; ++c) {
      if (poly.faces[f]->corners[c].uvindex >= 0) return true;
    }
  }
  return false;
}

bool IsIdentity(const CtsxTxmx3f& t) { return std::equal(t.m, t.m + 12, kIdentity.m); }

aiMaterial* ToAiMaterial(const Material& m) {
  auto* out = new aiMaterial;
  const aiString name(m.name);
  out->AddProperty(&name, AI_MATKEY_NAME);
  // The opacity travels as the base colour's alpha only: glTF writers
  // multiply a separate opacity into it.
  const aiColor4D base(m.diffuse[0], m.diffuse[1], m.diffuse[2], m.opacity);
  out->AddProperty(&base, 1, AI_MATKEY_BASE_COLOR);
  const aiColor3D diffuse(m.diffuse[0], m.diffuse[1], m.diffuse[2]);
  out->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
  if (!m.diffuseMap.empty()) {
    const aiString map(m.diffuseMap);
    out->AddProperty(&map, AI_MATKEY_TEXTURE(aiTextureType_DIFFUSE, 0));
    out->AddProperty(&map, AI_MATKEY_TEXTURE(aiTextureType_BASE_COLOR, 0));
  }
  return out;
}

// Builds the library's scene from host objects, noting what the format
// cannot hold.
class SceneBuilder {
 public:
  SceneBuilder(const FormatTraits& traits, OnceNotes& notes) : traits_(traits), notes_(notes) {}

  void AddObject(const Object& obj);
  std::unique_ptr<aiScene> Finish();

 private:
  void CheckFits(const Object& obj, bool withUvs);
  std::vector<MeshOut> Split(const Polyhedron& poly, bool withUvs, bool withNormals) const;

  const FormatTraits& traits_;
  OnceNotes& notes_;
  std::vector<MeshOut> meshes_;
  std::vector<Material> materials_;
  struct NodeOut {
    std::string name;
    CtsxTxmx3f transform;
    std::vector<unsigned> meshes;
  };
  std::vector<NodeOut> nodes_;
};

void SceneBuilder::CheckFits(const Object& obj, bool withUvs) {
  const Polyhedron& poly = *obj.poly;
  const std::string label = traits_.label;
  if (HasUvs(poly) && !withUvs) notes_.Add(label + " cannot hold UV coordinates: they are left out");
  if (!traits_.materials) {
    for (int32_t f = 0; f < poly.faceCount; ++f) {
      const uint16_t m = poly.faces[f]->materialIndex;
      if (m < poly.materials.size() && poly.materials[m] == Material{}) continue;
      notes_.Add(label + " cannot hold per-face materials: they are left out");
      break;
    }
  }
  if (traits_.materials) {
    const Material plain;
    for (const Material& m : poly.materials) {
      if (m.ambient == plain.ambient && m.specular == plain.specular && m.shininess == plain.shininess) continue;
      notes_.Add(label + " cannot hold ambient and specular colours or shininess: they are left out");
      break;
    }
  }
  if (!traits_.objects && !IsIdentity(obj.transform)) {
    notes_.Add(label + " cannot hold transforms: vertices are written in each object's own space");
  }
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    if (poly.faces[f]->nbrHoles > 0) {
      notes_.Add(label + " cannot hold holes in faces: they are left out");
      break;
    }
  }
  if (!traits_.normals && HasNormals(poly)) {
    notes_.Add(label + " holds one normal per face: the corners' normals are left out");
  }
  if (poly.faceCount == 0) notes_.Add("objects without faces are left out ('" + obj.name + "')");
}

std::vector<MeshOut> SceneBuilder::Split(const Polyhedron& poly, bool withUvs, bool withNormals) const {
  std::vector<MeshOut> groups;
  std::unordered_map<uint16_t, size_t> byMaterial;
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const CtsxFace& face = *poly.faces[f];
    const uint16_t material = traits_.materials && face.materialIndex < poly.materials.size() ? face.materialIndex : 0;
    const auto [it, added] = byMaterial.try_emplace(material, groups.size());
    if (added) {
      groups.emplace_back();
      groups.back().material = material;
      if (groups.size() == 1) {
        // Every vertex in order first, each with the UV and normal of its
        // first corner in this mesh, so that the weld on reading restores
        // the table.
        std::vector<std::pair<int32_t, int32_t>> first(static_cast<size_t>(poly.vertexCount), {-1, -1});
        for (int32_t g = poly.faceCount - 1; g >= f; --g) {
          const CtsxFace& other = *poly.faces[g];
          const uint16_t m = traits_.materials && other.materialIndex < poly.materials.size() ? other.materialIndex : 0;
          if (m != material) continue;
          for (int32_t c = other.nbrCorners - 1; c >= 0; --c) first[other.corners[c].vindex] = {g, c};
        }
        for (int32_t v = 0; v < poly.vertexCount; ++v) {
          const auto [g, c] = first[v];
          const aiVector3D n = withNormals && g >= 0 ? CornerNormal(poly, *poly.faces[g], c) : aiVector3D(0, 0, 1);
          groups.back().Corner(poly, {v, g >= 0 ? poly.faces[g]->corners[c].uvindex : -1, -1, -1}, withUvs,
                               withNormals ? &n : nullptr);
        }
      }
    }
    MeshOut& mesh = groups[it->second];
    std::vector<unsigned> corners;
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const aiVector3D n = withNormals ? CornerNormal(poly, face, c) : aiVector3D();
      corners.push_back(mesh.Corner(poly, face.corners[c], withUvs, withNormals ? &n : nullptr));
    }
    if (traits_.polygons || corners.size() == 3) {
      mesh.faces.push_back(std::move(corners));
      continue;
    }
    for (size_t c = 1; c + 1 < corners.size(); ++c) mesh.faces.push_back({corners[0], corners[c], corners[c + 1]});
  }
  return groups;
}

void SceneBuilder::AddObject(const Object& obj) {
  const Polyhedron& poly = *obj.poly;
  const bool withUvs = traits_.uvs && HasUvs(poly);
  CheckFits(obj, traits_.uvs);
  if (poly.faceCount == 0) return;
  if (!traits_.objects && !nodes_.empty()) {
    notes_.Add(std::string(traits_.label) + " holds one object: the objects are written as one");
  }
  NodeOut node{obj.name, obj.transform, {}};
  for (MeshOut& mesh : Split(poly, withUvs, traits_.normals && HasNormals(poly))) {
    if (traits_.materials) {
      // Each material once in the file, however many objects use it.
      const Material& material = poly.materials[mesh.material];
      const auto same = std::find(materials_.begin(), materials_.end(), material);
      mesh.material = static_cast<unsigned>(same - materials_.begin());
      if (same == materials_.end()) materials_.push_back(material);
    } else {
      mesh.material = 0;
    }
    node.meshes.push_back(static_cast<unsigned>(meshes_.size()));
    meshes_.push_back(std::move(mesh));
  }
  nodes_.push_back(std::move(node));
}

aiMesh* ToAiMesh(const MeshOut& in) {
  auto* mesh = new aiMesh;
  mesh->mMaterialIndex = in.material;
  mesh->mNumVertices = static_cast<unsigned>(in.positions.size());
  mesh->mVertices = new aiVector3D[in.positions.size()];
  std::copy(in.positions.begin(), in.positions.end(), mesh->mVertices);
  if (!in.normals.empty()) {
    mesh->mNormals = new aiVector3D[in.normals.size()];
    std::copy(in.normals.begin(), in.normals.end(), mesh->mNormals);
  }
  if (!in.uvs.empty()) {
    mesh->mTextureCoords[0] = new aiVector3D[in.uvs.size()];
    std::copy(in.uvs.begin(), in.uvs.end(), mesh->mTextureCoords[0]);
    mesh->mNumUVComponents[0] = 2;
  }
  mesh->mNumFaces = static_cast<unsigned>(in.faces.size());
  mesh->mFaces = new aiFace[in.faces.size()];
  for (size_t f = 0; f < in.faces.size(); ++f) {
    aiFace& face = mesh->mFaces[f];
    face.mNumIndices = static_cast<unsigned>(in.faces[f].size());
    face.mIndices = new unsigned[face.mNumIndices];
    std::copy(in.faces[f].begin(), in.faces[f].end(), face.mIndices);
    mesh->mPrimitiveTypes |= face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_POLYGON;
  }
  return mesh;
}

aiNode* ToAiNode(const std::string& name, const CtsxTxmx3f& t, const std::vector<unsigned>& meshes) {
  auto* node = new aiNode(name);
  const float* m = t.m;
  node->mTransformation = aiMatrix4x4(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], 0, 0, 0, 1);
  node->mNumMeshes = static_cast<unsigned>(meshes.size());
  node->mMeshes = new unsigned[meshes.size()];
  std::copy(meshes.begin(), meshes.end(), node->mMeshes);
  return node;
}

std::unique_ptr<aiScene> SceneBuilder::Finish() {
  auto scene = std::make_unique<aiScene>();
  if (!traits_.objects) {
    // One mesh for the whole file; each object's faces follow the last's.
    if (materials_.empty()) materials_.push_back(Material{});
    std::vector<MeshOut> merged(1);
    for (const MeshOut& mesh : meshes_) {
      const auto base = static_cast<unsigned>(merged[0].positions.size());
      merged[0].positions.insert(merged[0].positions.end(), mesh.positions.begin(), mesh.positions.end());
      merged[0].uvs.insert(merged[0].uvs.end(), mesh.uvs.begin(), mesh.uvs.end());
      merged[0].normals.insert(merged[0].normals.end(), mesh.normals.begin(), mesh.normals.end());
      for (std::vector<unsigned> face : mesh.faces) {
        for (unsigned& i : face) i += base;
        merged[0].faces.push_back(std::move(face));
      }
    }
    if (merged[0].uvs.size() != merged[0].positions.size()) merged[0].uvs.clear();
    if (merged[0].normals.size() != merged[0].positions.size() && !merged[0].normals.empty()) {
      merged[0].normals.clear();
      notes_.Add(std::string(traits_.label) + " holds normals for all vertices or none: some objects have none, so "
                 "they are left out");
    }
    meshes_ = std::move(merged);
    nodes_ = {NodeOut{"root", kIdentity, {0}}};
  }
  scene->mRootNode = new aiNode("root");
  scene->mRootNode->mNumChildren = static_cast<unsigned>(nodes_.size());
  scene->mRootNode->mChildren = new aiNode*[nodes_.size()];
  for (size_t n = 0; n < nodes_.size(); ++n) {
    scene->mRootNode->mChildren[n] = ToAiNode(nodes_[n].name, nodes_[n].transform, nodes_[n].meshes);
    scene->mRootNode->mChildren[n]->mParent = scene->mRootNode;
  }
  scene->mNumMeshes = static_cast<unsigned>(meshes_.size());
  scene->mMeshes = new aiMesh*[meshes_.size()];
  for (size_t m = 0; m < meshes_.size(); ++m) scene->mMeshes[m] = ToAiMesh(meshes_[m]);
  if (materials_.empty()) materials_.push_back(Material{});
  scene->mNumMaterials = static_cast<unsigned>(materials_.size());
  scene->mMaterials = new aiMaterial*[materials_.size()];
  for (size_t m = 0; m < materials_.size(); ++m) scene->mMaterials[m] = ToAiMaterial(materials_[m]);
  return scene;
}

std::string JsonEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// The library writes its scene's root as a node of its own, above the
// objects; the scene lists the objects themselves instead.
void DropRootNode(nlohmann::json& gltf) {
  if (!gltf.contains("nodes") || !gltf.contains("scenes")) return;
  nlohmann::json& nodes = gltf["nodes"];
  for (nlohmann::json& scene : gltf["scenes"]) {
    nlohmann::json& roots = scene["nodes"];
    if (roots.size() != 1) continue;
    const auto root = roots[0].get<size_t>();
    if (root >= nodes.size() || nodes[root].contains("mesh") || nodes[root].value("name", "") != "root") continue;
    roots = nodes[root].value("children", nlohmann::json::array());
    nodes.erase(root);
    const auto renumber = [root](nlohmann::json& list) {
      for (nlohmann::json& n : list) {
        if (n.get<size_t>() > root) n = n.get<size_t>() - 1;
      }
    };
    for (nlohmann::json& node : nodes) {
      if (node.contains("children")) renumber(node["children"]);
    }
    for (nlohmann::json& other : gltf["scenes"]) renumber(other["nodes"]);
    return;  // one scene written
  }
}

std::string WithoutRootNode(std::string_view text) {
  nlohmann::json gltf = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (gltf.is_discarded()) return std::string(text);
  DropRootNode(gltf);
  return gltf.dump(2);
}

uint32_t LittleEndian32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void PutLittleEndian32(std::string& bytes, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// A file as a rewritten head and the rest of the library's bytes as they lie.
struct Rewritten {
  std::string head;
  std::string_view tail;
};

// A binary glTF: its JSON chunk (the first) rewritten, padded with spaces
// to four bytes as the container requires, and the lengths put right; the
// binary chunk after it is not copied.
Rewritten GlbWithoutRootNode(std::string_view glb) {
  constexpr size_t kHeader = 12, kChunkHeader = 8;
  if (glb.size() < kHeader + kChunkHeader || glb.substr(0, 4) != "glTF") return {{}, glb};
  const size_t jsonLength = LittleEndian32(glb, kHeader);
  if (LittleEndian32(glb, kHeader + 4) != 0x4E4F534Au || jsonLength > glb.size() - kHeader - kChunkHeader) {
    return {{}, glb};
  }
  std::string json = WithoutRootNode(glb.substr(kHeader + kChunkHeader, jsonLength));
  json.append((4 - json.size() % 4) % 4, ' ');
  Rewritten out{std::string(glb.substr(0, kHeader + kChunkHeader)) + json,
                glb.substr(kHeader + kChunkHeader + jsonLength)};
  PutLittleEndian32(out.head, kHeader, static_cast<uint32_t>(json.size()));
  PutLittleEndian32(out.head, 8, static_cast<uint32_t>(out.head.size() + out.tail.size()));
  return out;
}

// The library's files in memory, written whole or not at all. A .gltf's
// buffer comes second and is named after the .gltf; the library names it
// after its in-memory stand-in, which the JSON's reference is turned from.
bool WriteBlobs(const std::string& path, FileFormat format, const aiExportDataBlob& blob, std::string* error,
                const WriteProgress& progress, const std::vector<AlongsideFile>& alongside) {
  const std::string_view bytes(static_cast<const char*>(blob.data), blob.size);
  Rewritten first{{}, bytes};
  if (format == FileFormat::Gltf) first = {WithoutRootNode(bytes), {}};
  if (format == FileFormat::Glb) first = GlbWithoutRootNode(bytes);
  std::vector<FileText> files;
  std::filesystem::path binPath = path;
  binPath.replace_extension(".bin");
  if (blob.next && format == FileFormat::Gltf) {
    // Built by appending: GCC 12 warns falsely of overlap on `"literal" + string`.
    std::string stub = "\"";
    stub.append(AI_BLOBIO_MAGIC).append(".bin\"");
    const size_t at = first.head.find(stub);
    if (at != std::string::npos) {
      std::string quoted = "\"";
      quoted.append(JsonEscaped(binPath.filename().string())).push_back('"');
      first.head.replace(at, stub.size(), quoted);
    }
  }
  files.push_back({path, first.head, first.tail});
  if (blob.next) {
    files.push_back({binPath.string(), {static_cast<const char*>(blob.next->data), blob.next->size}});
  }
  return WriteFilesSafely(files, error, progress, alongside);
}

}  // namespace

SaveResult SaveAsset(const std::string& path, FileFormat format, const std::vector<tsxSOBJ>& objects,
                     const WriteProgress& progress, const std::vector<AlongsideFile>& alongside) {
  const FormatTraits traits = TraitsOf(format);
  OnceNotes notes;
  SceneBuilder builder(traits, notes);
  for (tsxSOBJ id : objects) {
    const Object* obj = FindObject(id);
    if (obj && obj->poly) builder.AddObject(*obj);
  }
  const std::unique_ptr<aiScene> scene = builder.Finish();
  SaveResult result;
  Assimp::Exporter exporter;
  const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), traits.exporterId);
  if (!blob) {
    result.error = path + ": " + exporter.GetErrorString();
    return result;
  }
  if (!WriteBlobs(path, format, *blob, &result.error, progress, alongside)) return result;
  result.warnings = notes.Take();
  result.ok = true;
  return result;
}

}  // namespace tsxhost::detail
