// The stand-in host's own C++ interface: building, reading and resetting the
// in-memory scene behind tsxapi.h. Programs that play the host (the
// command-line tool, the host program, tests) use it; a plug-in never does.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tsxapi.h"

namespace tsxhost {

// A material as a value record: the usual MTL fields.
struct Material {
  std::string name = "default";
  std::array<float, 3> ambient{0.2f, 0.2f, 0.2f};   // Ka
  std::array<float, 3> diffuse{0.8f, 0.8f, 0.8f};   // Kd
  std::array<float, 3> specular{0.0f, 0.0f, 0.0f};  // Ks
  float shininess = 0.0f;                           // Ns
  float opacity = 1.0f;                             // d
  std::string diffuseMap;                           // map_Kd
  // As read from an MTL file: every statement after "newmtl", in order,
  // known or not, as its text; empty for a material made otherwise. The
  // fields above mirror the known ones.
  std::vector<std::string> statements;
  std::string folder;  // the MTL file's folder, for relative texture paths
  bool operator==(const Material&) const = default;
};

struct Corner {
  int32_t vertex = 0;
  int32_t uv = -1;
  int32_t normal = -1;  // index into Mesh::normals; -1: none (hole corners: always none)
};

struct Face {
  std::vector<Corner> corners;
  std::vector<std::vector<Corner>> holes;
  int32_t material = 0;   // index into Mesh::materials
  uint32_t smoothing = 0;  // smoothing group; 0: off
  std::string group{};     // group inside the object; empty: none
};

// A polyhedron as plain values, for building and for reading back.
struct Mesh {
  std::vector<CtsxVector3f> vertices;
  std::vector<CtsxUV> uvs;
  std::vector<Face> faces;
  std::vector<Material> materials{Material{}};
  std::vector<CtsxVector3f> normals;  // in the object's own space
};

inline constexpr CtsxTxmx3f kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}};

// Adds a polyhedron to the scene and returns its handle.
TSXHOST_API tsxSOBJ AddPolyhedron(const std::string& name, const Mesh& mesh,
                                  const CtsxTxmx3f& transform = kIdentity,
                                  const CtsxVector3f& axes = {0, 0, 0});
// A polyhedron as flat arrays owned by the caller (NumPy's, say): face f
// has the corners [faceStart[f], faceStart[f + 1]) of cornerVertex and, when
// not null, cornerUv (-1: no UV). faceMaterial (null: all 0) indexes
// `materials`, which must not be empty.
struct MeshArrays {
  const CtsxVector3f* vertices = nullptr;
  size_t vertexCount = 0;
  const CtsxUV* uvs = nullptr;
  size_t uvCount = 0;
  const int32_t* faceStart = nullptr;  // faceCount + 1 entries
  size_t faceCount = 0;
  const int32_t* cornerVertex = nullptr;
  const int32_t* cornerUv = nullptr;
  const int32_t* faceMaterial = nullptr;
  // When not null: a normal per corner, in the object's own space; a corner
  // whose three components are all NaN has none.
  const CtsxVector3f* cornerNormal = nullptr;
  std::vector<Material> materials{Material{}};
};

// Adds a polyhedron from arrays, copying each array once into the host's
// blocks, with its axes at the centre of its bounding box. Every index is
// checked first, and every coordinate must be finite: on a fault, or a name
// that is empty or taken, nothing is added, `error` says why and 0 is
// returned.
TSXHOST_API tsxSOBJ AddPolyhedronArrays(const std::string& name, const MeshArrays& mesh,
                                        std::string* error);

// Adds an object of another type (a light, say) with no geometry.
TSXHOST_API tsxSOBJ AddObject(const std::string& name, int32_t type);

// Reads a polyhedron back as values; false for a dead handle.
TSXHOST_API bool ReadMesh(tsxSOBJ obj, Mesh* out);
// Only the materials of a polyhedron (without walking its faces); false for
// a dead handle.
TSXHOST_API bool ReadMaterials(tsxSOBJ obj, std::vector<Material>* out);
// The normal of every corner, faces in order (as tsxPolyhGetFaceptrArray
// lists them), in the object's own space: `has[c]` is 0 where corner c has
// none (its normal is then left 0). False for a dead handle.
TSXHOST_API bool ReadCornerNormals(tsxSOBJ obj, std::vector<CtsxVector3f>* normals, std::vector<uint8_t>* has);
// The same for one face: its corners' normals. False for a dead handle or a
// face out of range.
TSXHOST_API bool ReadFaceNormals(tsxSOBJ obj, int32_t face, std::vector<CtsxVector3f>* normals,
                                 std::vector<uint8_t>* has);
// For face `face` of `obj`, made anew by a plug-in from face `sourceFace` of
// `source` (what is left of a face cut, a face with corners added): gives it
// what the host keeps of a face beyond the interface, the source's smoothing
// group and group, and a normal per corner (`count` of them, the face's
// corner count; `has[c]` 0: none), given in `source`'s space and kept in
// `obj`'s. False, with nothing changed, for a dead handle, an index out of
// range, a count that is not the face's, or memory running out.
TSXHOST_API bool SetFaceFrom(tsxSOBJ obj, int32_t face, tsxSOBJ source, int32_t sourceFace,
                             const CtsxVector3f* normals, const uint8_t* has, int32_t count);

// Objects of the scene, in the order they were added.
TSXHOST_API std::vector<tsxSOBJ> SceneObjects();
// Every live handle, in the scene or not (copies not yet added).
TSXHOST_API std::vector<tsxSOBJ> LiveObjects();
TSXHOST_API bool IsAlive(tsxSOBJ obj);
TSXHOST_API bool InScene(tsxSOBJ obj);
// 0 when no scene object has that name.
TSXHOST_API tsxSOBJ FindObject(const std::string& name);
TSXHOST_API std::string ObjectName(tsxSOBJ obj);
TSXHOST_API void SetObjectName(tsxSOBJ obj, const std::string& name);
// The object that tsxGNodeCopy made `obj` from (it may be gone since); 0
// when `obj` was not made by a copy.
TSXHOST_API tsxSOBJ CopiedFrom(tsxSOBJ obj);
// Takes an object out of the scene without deleting it (it stays alive and
// tsxSceneAddObject puts it back, at the end of the scene's order).
TSXHOST_API void RemoveFromScene(tsxSOBJ obj);
// Gives the memory of released arrays back to the system; the host keeps
// it otherwise for the next large array (a program about to hold other
// memory, e.g. a writer's buffers, after deleting objects).
TSXHOST_API void ReleaseSpareMemory();

TSXHOST_API void SetSelection(tsxSOBJ obj);

TSXHOST_API CtsxTxmx3f GetTransform(tsxSOBJ obj);
TSXHOST_API void SetTransform(tsxSOBJ obj, const CtsxTxmx3f& transform);
TSXHOST_API void SetAxesPosition(tsxSOBJ obj, const CtsxVector3f& axes);

// The host's active material, copied by tsxMaterialCreateCopyActive.
TSXHOST_API void SetActiveMaterial(const Material& material);
// The settings of a material handle; false for a dead handle.
TSXHOST_API bool ReadMaterial(tsxMATERIAL mat, Material* out);
TSXHOST_API int LiveMaterialCount();

// Whether every edge of every face has exactly one neighbouring edge
// running the other way (after tsxPolyhComputeFaceAdjacency).
TSXHOST_API bool IsClosed(tsxSOBJ obj);

namespace detail {
struct Object;
struct ObjectDeleter {
  TSXHOST_API void operator()(Object* obj) const;
};
}  // namespace detail

// An object taken out of the scene whole, for the host's undo: while held
// its handle is dead to the interface (a plug-in sees it as deleted), and
// putting it back revives the same handle with the very same arrays.
// Destroying the holder frees the object.
struct HeldObject {
  std::unique_ptr<detail::Object, detail::ObjectDeleter> object;
  tsxSOBJ id = 0;
  size_t scenePosition = 0;  // where it stood in the scene's order
  explicit operator bool() const { return object != nullptr; }
};

// Takes a scene object out (clearing the selection if it was selected);
// an empty holder for a handle that is not in the scene.
TSXHOST_API HeldObject TakeOut(tsxSOBJ obj);
// Puts a held object back at its place in the scene's order and returns
// its handle; 0 (and the holder keeps it) when the handle is taken.
TSXHOST_API tsxSOBJ PutBack(HeldObject& held);

// Native id of the main view (0: no window) and version numbers.
TSXHOST_API void SetMainViewHwnd(tsxHWND hwnd);
TSXHOST_API void SetVersion(int16_t version, int16_t subVersion);

// Deletes every object and material and restores the defaults (version
// 600.0, no window, no selection, no faults, zero call counts).
TSXHOST_API void ResetScene();

// Told now and then how far writing a file has got: `done` of `total`
// bytes of all the files written. Returning false stops the write, which
// then fails with "PATH: writing stopped" (kWritingStopped) and leaves
// every old file as it was.
using WriteProgress = std::function<bool(int64_t done, int64_t total)>;
inline constexpr const char* kWritingStopped = "writing stopped";

// A file written with a save's own files and replaced only when they all
// are: its text is made once theirs are written, so that it can tell how
// the run went (a report).
struct AlongsideFile {
  std::string path;
  std::function<std::string()> text;
};

}  // namespace tsxhost
