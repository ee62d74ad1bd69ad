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
#include <utility>

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

// One mesh of the file: the faces of one material, with split vertices.
struct MeshOut {
  std::vector<aiVector3D> positions;
  std::vector<aiVector3D> uvs;
  std::vector<aiVector3D> normals;
  std::vector<unsigned> indices;          // the faces' corners, one face after another
  std::vector<unsigned> faceStart{0};     // face f: indices [faceStart[f], faceStart[f + 1])
  unsigned material = 0;
};

// The written vertices of one mesh by the host vertex, UV and normal (by
// its bits) each stands for. With `vertexCount`, each host vertex's first
// written vertex is found by its number, in step with the faces' order;
// the rest (UV and normal seams, all of them without) in an
// open-addressing table over their numbers, its keys read back from the
// mesh's own arrays and the host vertex and UV kept here.
class CornerTable {
 public:
  CornerTable(size_t expected, int32_t vertexCount) : byVertex_(static_cast<size_t>(vertexCount), 0) {
    size_t capacity = 64;
    while (capacity < 2 * expected) capacity *= 2;
    slots_.assign(capacity, 0);
  }

  // The written vertex for the corner, added to `mesh` when new.
  unsigned Find(MeshOut& mesh, const Polyhedron& poly, int32_t vertex, int32_t uv, bool withUvs,
                const aiVector3D* normal) {
    uint32_t n[3] = {0, 0, 0};
    if (normal) std::memcpy(n, normal, sizeof n);
    const auto same = [&](unsigned w) {
      return keys_[w].first == vertex && keys_[w].second == uv &&
             (!normal || std::memcmp(&mesh.normals[w], n, sizeof n) == 0);
    };
    if (!byVertex_.empty()) {
      uint32_t& first = byVertex_[static_cast<size_t>(vertex)];
      if (first == 0) {
        const unsigned added = Add(mesh, poly, vertex, uv, withUvs, normal);
        first = added + 1;
        return added;
      }
      if (same(first - 1)) return first - 1;
    }
    for (size_t at = Slot(vertex, uv, n);; at = (at + 1) & (slots_.size() - 1)) {
      const uint32_t slot = slots_[at];
      if (slot == 0) {
        const unsigned added = Add(mesh, poly, vertex, uv, withUvs, normal);
        slots_[at] = added + 1;
        if (2 * ++inTable_ > slots_.size()) Grow(mesh);
        return added;
      }
      if (same(slot - 1)) return slot - 1;
    }
  }

 private:
  unsigned Add(MeshOut& mesh, const Polyhedron& poly, int32_t vertex, int32_t uv, bool withUvs,
               const aiVector3D* normal) {
    keys_.push_back({vertex, uv});
    const CtsxVector3f& v = poly.vertices[vertex];
    mesh.positions.emplace_back(v.x, v.y, v.z);
    if (withUvs) mesh.uvs.emplace_back(uv >= 0 ? poly.uvs[uv].u : 0.0f, uv >= 0 ? poly.uvs[uv].v : 0.0f, 0.0f);
    if (normal) mesh.normals.push_back(*normal);
    return static_cast<unsigned>(mesh.positions.size() - 1);
  }

  size_t Slot(int32_t vertex, int32_t uv, const uint32_t (&n)[3]) const {
    uint64_t h = (uint64_t(uint32_t(vertex)) << 32) | uint32_t(uv + 1);
    for (uint32_t bits : n) h = (h ^ bits) * 0x100000001B3ull;
    h ^= h >> 33;  // the high bits mixed into the low ones the mask keeps
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return static_cast<size_t>(h) & (slots_.size() - 1);
  }

  void Grow(const MeshOut& mesh) {
    slots_.assign(slots_.size() * 2, 0);
    uint32_t n[3] = {0, 0, 0};
    for (size_t w = 0; w < keys_.size(); ++w) {
      const auto [vertex, uv] = keys_[w];
      if (!byVertex_.empty() && byVertex_[static_cast<size_t>(vertex)] == w + 1) continue;
      if (!mesh.normals.empty()) std::memcpy(n, &mesh.normals[w], sizeof n);
      size_t at = Slot(vertex, uv, n);
      while (slots_[at] != 0) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = static_cast<uint32_t>(w + 1);
    }
  }

  std::vector<uint32_t> byVertex_;                  // a host vertex's first written vertex + 1; 0: none
  std::vector<uint32_t> slots_;                     // written vertex + 1; 0: empty
  size_t inTable_ = 0;
  std::vector<std::pair<int32_t, int32_t>> keys_;  // host vertex and UV of each written vertex
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

// A corner's own normal, if it has one.
const CtsxVector3f* OwnNormal(const CtsxFace& face, int32_t c) {
  const FaceExtra* extra = FaceExtraOf(face);
  return extra && c < extra->normalSlots && extra->HasNormal()[c] ? &extra->Normals()[c] : nullptr;
}

aiVector3D PlaneNormal(const Polyhedron& poly, const CtsxFace& face) {
  aiVector3D n(0, 0, 0);  // Newell's method: sound for any planar polygon
  for (int32_t i = 0; i < face.nbrCorners; ++i) {
    const CtsxVector3f& a = poly.vertices[face.corners[i].vindex];
    const CtsxVector3f& b = poly.vertices[face.corners[(i + 1) % face.nbrCorners].vindex];
    n += aiVector3D((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
  }
  return n.NormalizeSafe();
}

// A corner's normal as written: its own, else its face's plane normal.
aiVector3D CornerNormal(const Polyhedron& poly, const CtsxFace& face, int32_t c) {
  const CtsxVector3f* own = OwnNormal(face, c);
  return own ? aiVector3D(own->x, own->y, own->z) : PlaneNormal(poly, face);
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
  auto out = std::make_unique<aiMaterial>();
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
  return out.release();
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
  const auto materialOf = [&](const CtsxFace& face) -> uint16_t {
    return traits_.materials && face.materialIndex < poly.materials.size() ? face.materialIndex : 0;
  };
  const auto uvOf = [&](int32_t uv) { return withUvs && uv >= 0 && uv < poly.uvCount ? uv : -1; };
  // Corners written per material, to size each mesh's arrays once.
  std::vector<size_t> corners(std::max<size_t>(poly.materials.size(), 1), 0);
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const CtsxFace& face = *poly.faces[f];
    const auto n = static_cast<size_t>(face.nbrCorners);
    corners[materialOf(face)] += traits_.polygons || n <= 3 ? n : 3 * (n - 2);
  }
  std::vector<MeshOut> groups;
  std::vector<CornerTable> tables;
  std::vector<int32_t> groupOf(corners.size(), -1);
  std::vector<unsigned> fan;
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const CtsxFace& face = *poly.faces[f];
    const uint16_t material = materialOf(face);
    if (groupOf[material] < 0) {
      groupOf[material] = static_cast<int32_t>(groups.size());
      const bool first = groups.empty();
      // Mostly one written vertex per host vertex; a seam of UVs or
      // normals adds a few, found as they come. The first mesh has every
      // host vertex: found by its number.
      const size_t expected = first ? corners[material] / 24 : corners[material] / 6 + 16;
      MeshOut& mesh = groups.emplace_back();
      mesh.material = material;
      const size_t written = expected + (first ? static_cast<size_t>(poly.vertexCount) : 0);
      mesh.positions.reserve(written);
      if (withUvs) mesh.uvs.reserve(written);
      if (withNormals) mesh.normals.reserve(written);
      mesh.indices.reserve(corners[material]);
      tables.emplace_back(expected, first ? poly.vertexCount : 0);
      if (first) {
        // Every vertex in order first, each with the UV and normal of its
        // first corner in this mesh, so that the weld on reading restores
        // the table.
        std::vector<std::pair<int32_t, int32_t>> firstCorner(static_cast<size_t>(poly.vertexCount), {-1, -1});
        for (int32_t g = poly.faceCount - 1; g >= f; --g) {
          const CtsxFace& other = *poly.faces[g];
          if (materialOf(other) != material) continue;
          for (int32_t c = other.nbrCorners - 1; c >= 0; --c) firstCorner[other.corners[c].vindex] = {g, c};
        }
        for (int32_t v = 0; v < poly.vertexCount; ++v) {
          const auto [g, c] = firstCorner[v];
          const aiVector3D n = withNormals && g >= 0 ? CornerNormal(poly, *poly.faces[g], c) : aiVector3D(0, 0, 1);
          tables.back().Find(mesh, poly, v, uvOf(g >= 0 ? poly.faces[g]->corners[c].uvindex : -1), withUvs,
                             withNormals ? &n : nullptr);
        }
      }
    }
    MeshOut& mesh = groups[static_cast<size_t>(groupOf[material])];
    CornerTable& table = tables[static_cast<size_t>(groupOf[material])];
    fan.clear();
    bool planeKnown = false;
    aiVector3D plane;
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      aiVector3D n;
      if (withNormals) {
        const CtsxVector3f* own = OwnNormal(face, c);
        if (!own && !planeKnown) {
          plane = PlaneNormal(poly, face);
          planeKnown = true;
        }
        n = own ? aiVector3D(own->x, own->y, own->z) : plane;
      }
      fan.push_back(table.Find(mesh, poly, face.corners[c].vindex, uvOf(face.corners[c].uvindex), withUvs,
                               withNormals ? &n : nullptr));
    }
    if (traits_.polygons || fan.size() == 3) {
      mesh.indices.insert(mesh.indices.end(), fan.begin(), fan.end());
      mesh.faceStart.push_back(static_cast<unsigned>(mesh.indices.size()));
      continue;
    }
    for (size_t c = 1; c + 1 < fan.size(); ++c) {
      mesh.indices.insert(mesh.indices.end(), {fan[0], fan[c], fan[c + 1]});
      mesh.faceStart.push_back(static_cast<unsigned>(mesh.indices.size()));
    }
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

// The library's mesh; `in`'s arrays are let go as they are copied.
aiMesh* ToAiMesh(MeshOut& in) {
  auto mesh = std::make_unique<aiMesh>();
  mesh->mMaterialIndex = in.material;
  const auto copy = [](std::vector<aiVector3D>& from) {
    auto* to = new aiVector3D[from.size()];
    std::copy(from.begin(), from.end(), to);
    std::vector<aiVector3D>().swap(from);
    return to;
  };
  mesh->mNumVertices = static_cast<unsigned>(in.positions.size());
  mesh->mVertices = copy(in.positions);
  if (!in.normals.empty()) mesh->mNormals = copy(in.normals);
  if (!in.uvs.empty()) {
    mesh->mTextureCoords[0] = copy(in.uvs);
    mesh->mNumUVComponents[0] = 2;
  }
  mesh->mNumFaces = static_cast<unsigned>(in.faceStart.size() - 1);
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    aiFace& face = mesh->mFaces[f];
    face.mNumIndices = in.faceStart[f + 1] - in.faceStart[f];
    face.mIndices = new unsigned[face.mNumIndices];
    std::copy_n(in.indices.begin() + in.faceStart[f], face.mNumIndices, face.mIndices);
    mesh->mPrimitiveTypes |= face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_POLYGON;
  }
  std::vector<unsigned>().swap(in.indices);
  std::vector<unsigned>().swap(in.faceStart);
  return mesh.release();
}

aiNode* ToAiNode(const std::string& name, const CtsxTxmx3f& t, const std::vector<unsigned>& meshes) {
  auto node = std::make_unique<aiNode>(name);
  const float* m = t.m;
  node->mTransformation = aiMatrix4x4(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], 0, 0, 0, 1);
  node->mNumMeshes = static_cast<unsigned>(meshes.size());
  node->mMeshes = new unsigned[meshes.size()];
  std::copy(meshes.begin(), meshes.end(), node->mMeshes);
  return node.release();
}

std::unique_ptr<aiScene> SceneBuilder::Finish() {
  auto scene = std::make_unique<aiScene>();
  if (!traits_.objects) {
    // One mesh for the whole file; each object's faces follow the last's.
    if (materials_.empty()) materials_.push_back(Material{});
    std::vector<MeshOut> merged(1);
    MeshOut& all = merged[0];
    for (MeshOut& mesh : meshes_) {
      const auto base = static_cast<unsigned>(all.positions.size());
      const auto start = static_cast<unsigned>(all.indices.size());
      all.positions.insert(all.positions.end(), mesh.positions.begin(), mesh.positions.end());
      all.uvs.insert(all.uvs.end(), mesh.uvs.begin(), mesh.uvs.end());
      all.normals.insert(all.normals.end(), mesh.normals.begin(), mesh.normals.end());
      for (unsigned i : mesh.indices) all.indices.push_back(i + base);
      for (size_t f = 1; f < mesh.faceStart.size(); ++f) all.faceStart.push_back(start + mesh.faceStart[f]);
      mesh = MeshOut{};
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
  // Each count grows only with the entries filled in: when memory runs out
  // part way, the library's destructors free what was made and nothing else.
  scene->mRootNode = new aiNode("root");
  scene->mRootNode->mChildren = new aiNode*[nodes_.size()];
  for (size_t n = 0; n < nodes_.size(); ++n) {
    scene->mRootNode->mChildren[n] = ToAiNode(nodes_[n].name, nodes_[n].transform, nodes_[n].meshes);
    scene->mRootNode->mChildren[n]->mParent = scene->mRootNode;
    ++scene->mRootNode->mNumChildren;
  }
  scene->mMeshes = new aiMesh*[meshes_.size()];
  for (size_t m = 0; m < meshes_.size(); ++m) {
    scene->mMeshes[m] = ToAiMesh(meshes_[m]);
    ++scene->mNumMeshes;
  }
  if (materials_.empty()) materials_.push_back(Material{});
  scene->mMaterials = new aiMaterial*[materials_.size()];
  for (size_t m = 0; m < materials_.size(); ++m) {
    scene->mMaterials[m] = ToAiMaterial(materials_[m]);
    ++scene->mNumMaterials;
  }
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
    // The library swallows what it meets inside, memory running out
    // included, and then may give no reason at all.
    const std::string why = exporter.GetErrorString();
    result.error = path + ": " + (why.empty() ? "the format library could not write it and gave no reason "
                                                "(most often, memory ran out)"
                                              : why);
    return result;
  }
  if (!WriteBlobs(path, format, *blob, &result.error, progress, alongside)) return result;
  result.warnings = notes.Take();
  result.ok = true;
  return result;
}

}  // namespace tsxhost::detail
