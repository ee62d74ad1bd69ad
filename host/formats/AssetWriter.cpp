// glTF, PLY and STL out: glTF by its own writer, PLY and STL through the
// asset library. The files hold one UV per vertex, so a host vertex used
// with several UVs is written once per UV. Each object's first mesh lists
// the host vertices it uses in order before any repeat, so that the
// reader's weld gives back the same vertex table.
// glTF and STL hold triangles only: polygons are written as fans. Normals
// are per vertex in glTF and PLY, all or none: a face without normals of
// its own gives its corners its plane's normal.
#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <utility>

#include "host/formats/AssetFiles.h"
#include "host/formats/GltfWriter.h"
#include "host/formats/OnceNotes.h"
#include "host/formats/SceneOut.h"
#include "host/obj/SafeFile.h"
#include "host/scene/HostState.h"

namespace tsxhost::detail {
namespace {

struct FormatTraits {
  const char* exporterId;  // the library's, for the formats it writes
  const char* label;
  bool objects;    // several named objects with transforms
  bool materials;  // per-face materials
  bool uvs;
  bool polygons;   // faces of more than three corners
  bool normals;    // per-vertex normals
  bool unused;     // the first mesh lists the vertices no face of it uses too (the library's PLY keeps them)
};

FormatTraits TraitsOf(FileFormat format) {
  switch (format) {
    case FileFormat::Gltf:
    case FileFormat::Glb: return {nullptr, "glTF", true, true, true, false, true, false};
    case FileFormat::Ply: return {"plyb", "PLY", false, false, true, true, true, true};
    default: return {"stlb", "STL", false, false, false, false, false, true};
  }
}

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
                const Vec3Out* normal) {
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
               const Vec3Out* normal) {
    keys_.push_back({vertex, uv});
    const CtsxVector3f& v = poly.vertices[vertex];
    mesh.positions.push_back({v.x, v.y, v.z});
    if (withUvs) mesh.uvs.push_back({uv >= 0 ? poly.uvs[uv].u : 0.0f, uv >= 0 ? poly.uvs[uv].v : 0.0f});
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

Vec3Out PlaneNormal(const Polyhedron& poly, const CtsxFace& face) {
  aiVector3D n(0, 0, 0);  // Newell's method: sound for any planar polygon
  for (int32_t i = 0; i < face.nbrCorners; ++i) {
    const CtsxVector3f& a = poly.vertices[face.corners[i].vindex];
    const CtsxVector3f& b = poly.vertices[face.corners[(i + 1) % face.nbrCorners].vindex];
    n += aiVector3D((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
  }
  n.NormalizeSafe();
  return {n.x, n.y, n.z};
}

// A corner's normal as written: its own, else its face's plane normal.
Vec3Out CornerNormal(const Polyhedron& poly, const CtsxFace& face, int32_t c) {
  const CtsxVector3f* own = OwnNormal(face, c);
  return own ? Vec3Out{own->x, own->y, own->z} : PlaneNormal(poly, face);
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

// Builds the scene as the file will hold it from host objects, noting
// what the format cannot hold.
class SceneBuilder {
 public:
  SceneBuilder(const FormatTraits& traits, OnceNotes& notes) : traits_(traits), notes_(notes) {}

  void AddObject(const Object& obj);
  SceneOut Take() { return std::move(scene_); }

 private:
  void CheckFits(const Object& obj, bool withUvs);
  std::vector<MeshOut> Split(const Polyhedron& poly, bool withUvs, bool withNormals) const;

  const FormatTraits& traits_;
  OnceNotes& notes_;
  SceneOut scene_;
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
      if (traits_.polygons) mesh.faceStart.push_back(0);
      tables.emplace_back(expected, first ? poly.vertexCount : 0);
      if (first) {
        // Every vertex its faces use in order first, each with the UV and
        // normal of its first corner in this mesh, so that the weld on
        // reading restores the table. A vertex no face of it uses is left
        // to the mesh that does (glTF, as the library's writer did).
        std::vector<std::pair<int32_t, int32_t>> firstCorner(static_cast<size_t>(poly.vertexCount), {-1, -1});
        for (int32_t g = poly.faceCount - 1; g >= f; --g) {
          const CtsxFace& other = *poly.faces[g];
          if (materialOf(other) != material) continue;
          for (int32_t c = other.nbrCorners - 1; c >= 0; --c) firstCorner[other.corners[c].vindex] = {g, c};
        }
        for (int32_t v = 0; v < poly.vertexCount; ++v) {
          const auto [g, c] = firstCorner[v];
          if (g < 0 && !traits_.unused) continue;
          const Vec3Out n = withNormals && g >= 0 ? CornerNormal(poly, *poly.faces[g], c) : Vec3Out{0, 0, 1};
          tables.back().Find(mesh, poly, v, uvOf(g >= 0 ? poly.faces[g]->corners[c].uvindex : -1), withUvs,
                             withNormals ? &n : nullptr);
        }
      }
    }
    MeshOut& mesh = groups[static_cast<size_t>(groupOf[material])];
    CornerTable& table = tables[static_cast<size_t>(groupOf[material])];
    fan.clear();
    bool planeKnown = false;
    Vec3Out plane{};
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      Vec3Out n{};
      if (withNormals) {
        const CtsxVector3f* own = OwnNormal(face, c);
        if (!own && !planeKnown) {
          plane = PlaneNormal(poly, face);
          planeKnown = true;
        }
        n = own ? Vec3Out{own->x, own->y, own->z} : plane;
      }
      fan.push_back(table.Find(mesh, poly, face.corners[c].vindex, uvOf(face.corners[c].uvindex), withUvs,
                               withNormals ? &n : nullptr));
    }
    if (traits_.polygons) {
      mesh.indices.insert(mesh.indices.end(), fan.begin(), fan.end());
      mesh.faceStart.push_back(static_cast<unsigned>(mesh.indices.size()));
      continue;
    }
    for (size_t c = 1; c + 1 < fan.size(); ++c) mesh.indices.insert(mesh.indices.end(), {fan[0], fan[c], fan[c + 1]});
  }
  return groups;
}

void SceneBuilder::AddObject(const Object& obj) {
  const Polyhedron& poly = *obj.poly;
  const bool withUvs = traits_.uvs && HasUvs(poly);
  CheckFits(obj, traits_.uvs);
  if (poly.faceCount == 0) return;
  if (!traits_.objects && !scene_.nodes.empty()) {
    notes_.Add(std::string(traits_.label) + " holds one object: the objects are written as one");
  }
  NodeOut node{obj.name, obj.transform, {}};
  for (MeshOut& mesh : Split(poly, withUvs, traits_.normals && HasNormals(poly))) {
    if (traits_.materials) {
      // Each material once in the file, however many objects use it.
      const Material& material = poly.materials[mesh.material];
      std::vector<Material>& materials = scene_.materials;
      const auto same = std::find(materials.begin(), materials.end(), material);
      mesh.material = static_cast<unsigned>(same - materials.begin());
      if (same == materials.end()) materials.push_back(material);
    } else {
      mesh.material = 0;
    }
    node.meshes.push_back(static_cast<unsigned>(scene_.meshes.size()));
    scene_.meshes.push_back(std::move(mesh));
  }
  scene_.nodes.push_back(std::move(node));
}

// The library's mesh; `in`'s arrays are let go as they are copied.
aiMesh* ToAiMesh(MeshOut& in) {
  auto mesh = std::make_unique<aiMesh>();
  mesh->mMaterialIndex = in.material;
  const auto copy = [](auto& from, auto toVector) {
    auto* to = new aiVector3D[from.size()];
    std::transform(from.begin(), from.end(), to, toVector);
    std::decay_t<decltype(from)>().swap(from);
    return to;
  };
  const auto point = [](const Vec3Out& p) { return aiVector3D(p.x, p.y, p.z); };
  mesh->mNumVertices = static_cast<unsigned>(in.positions.size());
  mesh->mVertices = copy(in.positions, point);
  if (!in.normals.empty()) mesh->mNormals = copy(in.normals, point);
  if (!in.uvs.empty()) {
    mesh->mTextureCoords[0] = copy(in.uvs, [](const UvOut& t) { return aiVector3D(t.u, t.v, 0); });
    mesh->mNumUVComponents[0] = 2;
  }
  const bool triangles = in.faceStart.empty();
  mesh->mNumFaces = static_cast<unsigned>(triangles ? in.indices.size() / 3 : in.faceStart.size() - 1);
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    aiFace& face = mesh->mFaces[f];
    const unsigned start = triangles ? 3 * f : in.faceStart[f];
    face.mNumIndices = triangles ? 3 : in.faceStart[f + 1] - start;
    face.mIndices = new unsigned[face.mNumIndices];
    std::copy_n(in.indices.begin() + start, face.mNumIndices, face.mIndices);
    mesh->mPrimitiveTypes |= face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_POLYGON;
  }
  std::vector<unsigned>().swap(in.indices);
  std::vector<unsigned>().swap(in.faceStart);
  return mesh.release();
}

// The library's scene of a one-object format (PLY, STL): one mesh for the
// whole file, each object's faces after the last's.
std::unique_ptr<aiScene> ToAiScene(SceneOut& scene, const FormatTraits& traits, OnceNotes& notes) {
  MeshOut all;
  if (!scene.meshes.empty() && !scene.meshes[0].faceStart.empty()) all.faceStart.push_back(0);
  for (MeshOut& mesh : scene.meshes) {
    const auto base = static_cast<unsigned>(all.positions.size());
    const auto start = static_cast<unsigned>(all.indices.size());
    all.positions.insert(all.positions.end(), mesh.positions.begin(), mesh.positions.end());
    all.uvs.insert(all.uvs.end(), mesh.uvs.begin(), mesh.uvs.end());
    all.normals.insert(all.normals.end(), mesh.normals.begin(), mesh.normals.end());
    for (unsigned i : mesh.indices) all.indices.push_back(i + base);
    for (size_t f = 1; f < mesh.faceStart.size(); ++f) all.faceStart.push_back(start + mesh.faceStart[f]);
    mesh = MeshOut{};
  }
  if (all.uvs.size() != all.positions.size()) all.uvs.clear();
  if (all.normals.size() != all.positions.size() && !all.normals.empty()) {
    all.normals.clear();
    notes.Add(std::string(traits.label) + " holds normals for all vertices or none: some objects have none, so "
              "they are left out");
  }
  // Each count grows only with the entries filled in: when memory runs out
  // part way, the library's destructors free what was made and nothing else.
  auto out = std::make_unique<aiScene>();
  out->mRootNode = new aiNode("root");
  out->mRootNode->mChildren = new aiNode*[1];
  aiNode* node = out->mRootNode->mChildren[0] = new aiNode("root");
  node->mParent = out->mRootNode;
  ++out->mRootNode->mNumChildren;
  node->mMeshes = new unsigned[1]{0};
  node->mNumMeshes = 1;
  out->mMeshes = new aiMesh*[1];
  out->mMeshes[0] = ToAiMesh(all);
  ++out->mNumMeshes;
  // The formats hold no materials; the library's scene needs one.
  out->mMaterials = new aiMaterial*[1];
  out->mMaterials[0] = new aiMaterial();
  ++out->mNumMaterials;
  return out;
}

// Writes the library's file (in memory) whole or not at all.
SaveResult ExportWithLibrary(const std::string& path, SceneOut& built, const FormatTraits& traits, OnceNotes& notes,
                             const WriteProgress& progress, const std::vector<AlongsideFile>& alongside) {
  const std::unique_ptr<aiScene> scene = ToAiScene(built, traits, notes);
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
  const std::string_view bytes(static_cast<const char*>(blob->data), blob->size);
  result.ok = WriteFilesSafely({{path, bytes}}, &result.error, progress, alongside);
  return result;
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
  SceneOut scene = builder.Take();
  SaveResult result;
  if (format == FileFormat::Gltf || format == FileFormat::Glb) {
    result.ok = WriteGltf(path, format == FileFormat::Glb, scene, &result.error, progress, alongside);
  } else {
    result = ExportWithLibrary(path, scene, traits, notes, progress, alongside);
  }
  if (result.ok) result.warnings = notes.Take();
  return result;
}

}  // namespace tsxhost::detail
