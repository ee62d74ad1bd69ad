// glTF, PLY and STL in, through the asset library, in the reader process.
// The library hands over split vertices (one per position, normal and UV
// combination); the host keeps positions, UVs and normals in separate
// tables, so bit-identical positions of one object are welded back into one
// vertex, and likewise UVs and normals. Without that weld, no two faces of
// an imported object would share a corner and a join could not close the
// seam. Node transforms are baked into the vertices and normals, so
// imported objects keep the identity transform.
#include "host/reader/AssetImport.h"

#include <assimp/DefaultLogger.hpp>
#include <assimp/Importer.hpp>
#include <assimp/LogStream.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "host/formats/OnceNotes.h"
#include "host/reader/AssetResources.h"
#include "host/reader/FirstOfBits.h"

namespace tsxhost::detail {
namespace {

// The library checks indices and counts before we see the scene.
constexpr unsigned kImportSteps = aiProcess_ValidateDataStructure;

bool IsExactIdentity(const aiMatrix4x4& m) {
  const aiMatrix4x4 one;
  for (unsigned r = 0; r < 4; ++r) {
    for (unsigned c = 0; c < 4; ++c) {
      if (m[r][c] != one[r][c]) return false;
    }
  }
  return true;
}

// Base colour, opacity and texture: what glTF's materials and the host's
// have in common.
Material ToHostMaterial(const aiMaterial& in, OnceNotes& notes) {
  Material out;
  aiString name;
  if (in.Get(AI_MATKEY_NAME, name) == AI_SUCCESS && name.length > 0) out.name = name.C_Str();
  if (out.name == AI_DEFAULT_MATERIAL_NAME) return Material{};
  aiColor4D colour;
  if (in.Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS || in.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS) {
    out.diffuse = {colour.r, colour.g, colour.b};
    out.opacity = colour.a;
  }
  // glTF has no ambient or specular colour; what the library derives for
  // them from the metal-roughness model is not taken.
  aiString texture;
  if (in.GetTexture(aiTextureType_BASE_COLOR, 0, &texture) == AI_SUCCESS ||
      in.GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS) {
    if (texture.length > 0 && texture.data[0] == '*') {
      notes.Add("the texture embedded for material '" + out.name + "' is not kept (the host names texture files)");
    } else {
      out.diffuseMap = texture.C_Str();
    }
  }
  return out;
}

// How one node's transform acts on its meshes.
struct Placement {
  aiMatrix4x4 points;
  aiMatrix3x3 normals;  // the inverse transpose of the linear part
  bool identity = true;
  bool mirrored = false;
  bool singular = false;

  explicit Placement(const aiMatrix4x4& m) : points(m), identity(IsExactIdentity(m)) {
    if (identity) return;
    const float det = m.Determinant();
    // A mirroring transform turns faces inside out; reversing the corners
    // keeps them facing outwards.
    mirrored = det < 0;
    singular = det == 0 || !std::isfinite(det);
    if (!singular) normals = aiMatrix3x3(m).Inverse().Transpose();
  }
};

// One object being read: the meshes of one node, welded into host tables.
class ObjectBuilder {
 public:
  ObjectBuilder(std::string name, const aiScene& scene, bool withMaterials)
      : scene_(scene), withMaterials_(withMaterials) {
    object_.name = std::move(name);
  }

  bool AddMesh(const aiMesh& mesh, const Placement& place, OnceNotes& notes, std::string* error);
  AssetObject Take() {
    if (object_.mesh.materials.empty()) object_.mesh.materials.push_back(Material{});
    return std::move(object_);
  }

 private:
  uint16_t MaterialSlot(unsigned sceneIndex, OnceNotes& notes);

  const aiScene& scene_;
  bool withMaterials_;
  AssetObject object_;
  FirstOfBits<CtsxVector3f> vertexIndex_, normalIndex_;
  FirstOfBits<CtsxUV> uvIndex_;
  std::unordered_map<unsigned, uint16_t> materialIndex_;
};

uint16_t ObjectBuilder::MaterialSlot(unsigned sceneIndex, OnceNotes& notes) {
  auto& materials = object_.mesh.materials;
  if (!withMaterials_ || sceneIndex >= scene_.mNumMaterials) {
    if (materials.empty()) materials.push_back(Material{});
    return 0;
  }
  const auto it = materialIndex_.find(sceneIndex);
  if (it != materialIndex_.end()) return it->second;
  const auto slot = static_cast<uint16_t>(materials.size());
  materials.push_back(ToHostMaterial(*scene_.mMaterials[sceneIndex], notes));
  materialIndex_.emplace(sceneIndex, slot);
  return slot;
}

// Room for `more` further elements, growing at least twofold so that many
// small meshes in one object still cost linear time.
template <typename T>
void RoomFor(std::vector<T>& v, size_t more) {
  if (v.capacity() - v.size() < more) v.reserve(std::max(v.size() + more, 2 * v.capacity()));
}

// Each of the file's vertices welded into `list` by its bits (positions,
// UVs, normals alike); `index[i]` is vertex i's entry. The table's slots
// are asked for a few vertices ahead of their lookups.
template <typename T, typename Value>
void Weld(FirstOfBits<T>& weld, std::vector<T>& list, unsigned count, Value value, std::vector<int32_t>& index) {
  constexpr unsigned kAhead = 8;
  weld.Reserve(list, list.size() + count);
  for (unsigned i = 0; i < count; ++i) {
    if (i + kAhead < count) weld.Prefetch(value(i + kAhead));
    index[i] = weld.Index(list, value(i));
  }
}

bool ObjectBuilder::AddMesh(const aiMesh& mesh, const Placement& place, OnceNotes& notes, std::string* error) {
  const bool withUvs = mesh.HasTextureCoords(0), withNormals = mesh.HasNormals();
  if (mesh.HasVertexColors(0)) notes.Add("vertex colours are not kept (the host has no vertex colours)");
  const unsigned count = mesh.mNumVertices;
  std::vector<int32_t> vertex(count), uv(count, -1), normal(count, -1);
  {
    // Placed first when the node moves them, so that each is worked out once.
    std::vector<aiVector3D> placed;
    if (!place.identity) {
      placed.resize(count);
      for (unsigned i = 0; i < count; ++i) placed[i] = place.points * mesh.mVertices[i];
    }
    const aiVector3D* points = place.identity ? mesh.mVertices : placed.data();
    Weld(vertexIndex_, object_.mesh.vertices, count,
         [points](unsigned i) { return CtsxVector3f{points[i].x, points[i].y, points[i].z}; }, vertex);
    if (withNormals && !place.singular) {
      if (!place.identity) {
        for (unsigned i = 0; i < count; ++i) placed[i] = (place.normals * mesh.mNormals[i]).NormalizeSafe();
      }
      const aiVector3D* normals = place.identity ? mesh.mNormals : placed.data();
      Weld(normalIndex_, object_.mesh.normals, count,
           [normals](unsigned i) { return CtsxVector3f{normals[i].x, normals[i].y, normals[i].z}; }, normal);
    }
  }
  if (withUvs) {
    const aiVector3D* uvs = mesh.mTextureCoords[0];
    Weld(uvIndex_, object_.mesh.uvs, count, [uvs](unsigned i) { return CtsxUV{uvs[i].x, uvs[i].y}; }, uv);
  }
  if (object_.mesh.materials.size() == UINT16_MAX + size_t{1} && !materialIndex_.count(mesh.mMaterialIndex)) {
    *error = "more than 65536 materials in one object";
    return false;
  }
  const uint16_t material = MaterialSlot(mesh.mMaterialIndex, notes);
  FlatMesh& out = object_.mesh;
  // Room made for the whole mesh at once: growing by doubling would hold up
  // to twice the corners (an object of one mesh is sized exactly).
  size_t corners = 0, faces = 0;
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    if (mesh.mFaces[f].mNumIndices < 3) continue;
    corners += mesh.mFaces[f].mNumIndices;
    ++faces;
  }
  RoomFor(out.corners, corners);
  RoomFor(out.faceStart, faces);
  RoomFor(out.faceMaterial, faces);
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    const aiFace& face = mesh.mFaces[f];
    if (face.mNumIndices < 3) {
      notes.Add("points and lines are left out (the host holds faces only)");
      continue;
    }
    if (face.mNumIndices > INT16_MAX) {
      *error = "a face with " + std::to_string(face.mNumIndices) + " corners (at most 32767)";
      return false;
    }
    for (unsigned c = 0; c < face.mNumIndices; ++c) {
      const unsigned i = face.mIndices[place.mirrored ? face.mNumIndices - 1 - c : c];
      if (i >= mesh.mNumVertices) {
        *error = "vertex index " + std::to_string(i) + " is out of range";
        return false;
      }
      out.corners.push_back({vertex[i], uv[i], normal[i]});
    }
    out.faceStart.push_back(static_cast<uint32_t>(out.corners.size()));
    out.faceMaterial.push_back(material);
  }
  return true;
}

class SceneWalker {
 public:
  // Each mesh is let go once the last node that places it is read: the
  // library's copy of a large mesh need not outlive its conversion.
  SceneWalker(aiScene& scene, FileFormat format, unsigned long long maxFaces)
      : scene_(scene), singleObject_(format == FileFormat::Ply || format == FileFormat::Stl), maxFaces_(maxFaces),
        placements_(scene.mNumMeshes, 0) {}

  bool Run(std::string* error) {
    if (!scene_.mRootNode) return true;
    Count(*scene_.mRootNode);
    return Visit(*scene_.mRootNode, aiMatrix4x4(), error);
  }
  AssetScene Take();

 private:
  void Count(const aiNode& node);
  bool Visit(const aiNode& node, const aiMatrix4x4& parent, std::string* error);
  std::string ObjectName(const aiNode& node) const;

  aiScene& scene_;
  bool singleObject_;  // PLY and STL: one object, no materials, named after the file
  unsigned long long maxFaces_;
  unsigned long long faces_ = 0;  // so far, every placement of a mesh counted
  std::vector<size_t> placements_;  // per mesh: the nodes still to read that place it
  std::vector<ObjectBuilder> objects_;
  OnceNotes notes_;
};

void SceneWalker::Count(const aiNode& node) {
  for (unsigned m = 0; m < node.mNumMeshes; ++m) ++placements_[node.mMeshes[m]];
  for (unsigned c = 0; c < node.mNumChildren; ++c) Count(*node.mChildren[c]);
}

bool SceneWalker::Visit(const aiNode& node, const aiMatrix4x4& parent, std::string* error) {
  const aiMatrix4x4 transform = parent * node.mTransformation;
  if (node.mNumMeshes > 0) {
    if (!singleObject_ || objects_.empty()) objects_.emplace_back(ObjectName(node), scene_, !singleObject_);
    const Placement place(transform);
    for (unsigned m = 0; m < node.mNumMeshes; ++m) {
      const aiMesh& mesh = *scene_.mMeshes[node.mMeshes[m]];
      // A mesh placed by many nodes is copied for each: bounded before it is.
      faces_ += mesh.mNumFaces;
      if (faces_ > maxFaces_) {
        *error = "more than " + std::to_string(maxFaces_) + " faces with every mesh counted at each node that places it"
                 " (--max-faces raises the limit)";
        return false;
      }
      if (!objects_.back().AddMesh(mesh, place, notes_, error)) return false;
      if (--placements_[node.mMeshes[m]] == 0) {
        delete scene_.mMeshes[node.mMeshes[m]];
        scene_.mMeshes[node.mMeshes[m]] = nullptr;
      }
    }
  }
  for (unsigned c = 0; c < node.mNumChildren; ++c) {
    if (!Visit(*node.mChildren[c], transform, error)) return false;
  }
  return true;
}

// glTF: the node's name, else its first mesh's.
std::string SceneWalker::ObjectName(const aiNode& node) const {
  if (singleObject_) return {};
  std::string name = node.mName.C_Str();
  if (name.empty()) name = scene_.mMeshes[node.mMeshes[0]]->mName.C_Str();
  return name;
}

AssetScene SceneWalker::Take() {
  AssetScene out;
  for (ObjectBuilder& object : objects_) out.objects.push_back(object.Take());
  out.warnings = notes_.Take();
  return out;
}

AssetScene Convert(aiScene* scene, FileFormat format, const std::string& libraryError,
                   unsigned long long maxFaces = kDefaultMaxFaces) {
  AssetScene out;
  if (!scene) {
    // The library's own words, but never its bare "no reader" for a file
    // whose content is not of the format its name says.
    if (libraryError.empty()) {
      out.refusal = "the file could not be read as " + std::string(FormatWord(format));
    } else if (libraryError.rfind("No suitable reader found", 0) == 0) {
      out.refusal = "not a " + std::string(FormatWord(format)) + " file (its content is of no format the reader knows)";
    } else {
      out.refusal = libraryError;
    }
    return out;
  }
  SceneWalker walker(*scene, format, maxFaces);
  std::string error;
  if (!walker.Run(&error)) {
    out.refusal = error;
    return out;
  }
  return walker.Take();
}

// The library drops a face whose index is out of range and only logs it;
// such a file is damaged, and refused rather than read short.
class DroppedFaceListener : public Assimp::LogStream {
 public:
  explicit DroppedFaceListener(bool* seen) : seen_(seen) {}
  void write(const char* message) override {
    if (message && std::strstr(message, "out-of-range indices")) *seen_ = true;
  }

 private:
  bool* seen_;
};

constexpr const char* kDroppedFaces = "a face's vertex index is out of range";

AssetScene Refusal(const std::string& why) {
  AssetScene out;
  out.refusal = why;
  return out;
}

// Listens to the library's warnings for as long as it lives.
class LibraryWarnings {
 public:
  LibraryWarnings() {
    Assimp::Logger* logger = Assimp::DefaultLogger::create(nullptr, Assimp::Logger::NORMAL, 0);
    logger->attachStream(new DroppedFaceListener(&droppedFaces_), Assimp::Logger::Warn | Assimp::Logger::Err);
  }
  ~LibraryWarnings() { Assimp::DefaultLogger::kill(); }
  LibraryWarnings(const LibraryWarnings&) = delete;
  LibraryWarnings& operator=(const LibraryWarnings&) = delete;
  bool DroppedFaces() const { return droppedFaces_; }

 private:
  bool droppedFaces_ = false;
};

}  // namespace

AssetScene ImportAsset(const std::string& path, FileFormat format, const ResourceRules& rules) {
  LibraryWarnings warnings;
  Assimp::Importer importer;
  auto* files = new ResourceFiles(path, rules.anywhere, rules.grant);
  importer.SetIOHandler(files);  // the importer owns it from here
  // The scene is taken over from the library, to be let go mesh by mesh.
  const std::unique_ptr<aiScene> scene(importer.ReadFile(path, kImportSteps) ? importer.GetOrphanedScene() : nullptr);
  // A refused resource refuses the scene, whatever the library made of it.
  if (!files->Refusal().empty()) return Refusal(files->Refusal());
  if (scene && warnings.DroppedFaces()) return Refusal(kDroppedFaces);
  return Convert(scene.get(), format, importer.GetErrorString(), rules.maxFaces);
}

AssetScene ImportAssetBytes(const void* data, std::size_t size, FileFormat format) {
  LibraryWarnings warnings;
  Assimp::Importer importer;
  // No folder: whatever the bytes refer to is refused, under the same rules.
  auto* files = new ResourceFiles("", false);
  importer.SetIOHandler(files);
  const bool read = size > 0 && importer.ReadFileFromMemory(data, size, kImportSteps, FormatWord(format));
  const std::unique_ptr<aiScene> scene(read ? importer.GetOrphanedScene() : nullptr);
  if (!files->Refusal().empty()) return Refusal(files->Refusal());
  if (scene && warnings.DroppedFaces()) return Refusal(kDroppedFaces);
  return Convert(scene.get(), format, size == 0 ? "the file is empty" : importer.GetErrorString());
}

}  // namespace tsxhost::detail
