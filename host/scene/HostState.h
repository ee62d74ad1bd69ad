// The stand-in host's in-memory state, shared by the files that implement
// tsxapi.h. Not part of any public interface.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/scene/FaceArena.h"
#include "host/scene/HostBlocks.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace tsxhost::detail {

// Every operation of tsxapi.h, for call counting and the call hook, in
// the header's order.
enum class Op : int {
#define TSXHOST_OP_ENUM(name) name,
  TSXAPI_OPERATIONS(TSXHOST_OP_ENUM)
#undef TSXHOST_OP_ENUM
  Count_
};
inline constexpr int kOpCount = static_cast<int>(Op::Count_);
const char* OpName(Op op);

// Polyhedron data in host-allocated blocks, as the interface hands it out.
struct Polyhedron {
  Polyhedron() = default;
  Polyhedron(const Polyhedron&) = delete;
  Polyhedron& operator=(const Polyhedron&) = delete;
  ~Polyhedron();

  void ReplaceVertices(int32_t count, CtsxVector3f* array);
  void ReplaceUVs(int32_t count, CtsxUV* array);
  void ReplaceFaces(int32_t count, CtsxFace** array);
  // A copy whose face records are this one's until either side needs them
  // as its own (see OwnFaces, UnshareFaces); the caller sets its `self`.
  // Null when memory fails (std::bad_alloc may also escape).
  std::unique_ptr<Polyhedron> Clone();

  // Before records are handed to a plug-in: afterwards they are this
  // polyhedron's own, where they stay until a replacing operation. A copy
  // that still reads its source's records makes its own. False when memory
  // fails (nothing changed then).
  bool OwnFaces();
  // Before the host writes into the records: afterwards no other polyhedron
  // reads them. False when memory fails.
  bool UnshareFaces();

  CtsxVector3f* vertices = nullptr;
  int32_t vertexCount = 0;
  CtsxUV* uvs = nullptr;
  int32_t uvCount = 0;
  CtsxFace** faces = nullptr;
  int32_t faceCount = 0;
  std::vector<Material> materials{Material{}};
  std::vector<std::string> groups{std::string()};  // face groups; 0: none
  std::unordered_set<int> unavailableMaterials;  // fault injection
  bool allMaterialsUnavailable = false;

  // Copies share face records instead of copying them at once: most copies
  // (a join's result) have their faces replaced before anyone looks at
  // them. A copy has a pointer array of its own that points to its
  // lender's records; the lender keeps them in place and knows its
  // borrowers. A record's owner (FaceExtra) is the polyhedron that frees it.
  // The table index the last material painted with was found at, while no
  // material record has been filled since (State::materialFills): faces are
  // painted in runs of one material.
  tsxMATERIAL paintedWith = 0;
  uint64_t paintedAt = 0;
  uint16_t paintedIndex = 0;

  tsxSOBJ self = 0;                     // a copy's handle: its own records' owner
  Polyhedron* lender = nullptr;         // whose records faces[] points to; null: its own
  std::vector<Polyhedron*> borrowers;   // copies that point to this one's records

 private:
  void ReleaseFaces();
};

struct Object {
  tsxSOBJ id = 0;
  std::string name;
  int32_t type = 0;
  bool inScene = false;
  CtsxTxmx3f transform = kIdentity;
  CtsxVector3f axes{0, 0, 0};
  std::unique_ptr<Polyhedron> poly;  // null unless a polyhedron
  tsxSOBJ copiedFrom = 0;             // the source of tsxGNodeCopy; 0 = none
};

struct State {
  std::unordered_map<tsxSOBJ, std::unique_ptr<Object>> objects;
  std::vector<tsxSOBJ> sceneOrder;
  tsxSOBJ nextObject = 1;
  tsxSOBJ selection = 0;

  std::unordered_map<tsxMATERIAL, Material> materials;
  tsxMATERIAL nextMaterial = 1;
  Material active{};
  uint64_t materialFills = 1;  // counts changes of a material record's value

  tsxHWND mainView = 0;
  int16_t version = 600;
  int16_t subVersion = 0;

  // Blocks handed out by tsxMalloc or tsxFaceCopy and not yet freed or
  // taken over by a replacing operation (each is tagged outstanding).
  long outstanding = 0;

  // Faults.
  int failAllocationIn = 0;
  int failFaceCopyIn = 0;
  int32_t faceCopyCode = 0;
  bool failNextObjectCopy = false;

  std::array<long, kOpCount> calls{};
  testing::CallHook hook = nullptr;
  void* hookUser = nullptr;
};

State& TheState();

// Counts the call and tells the hook; every tsxapi operation starts so.
inline void Enter(Op op) {
  State& s = TheState();
  ++s.calls[static_cast<int>(op)];
  if (s.hook) s.hook(OpName(op), s.hookUser);
}

Object* FindObject(tsxSOBJ id);
Polyhedron* FindPolyhedron(tsxSOBJ id);

// What the host keeps with a face beyond the plug-in's fields, at the end
// of the face's block (the block is freed whole with tsxFree, so it cannot
// live anywhere else). CtsxFace::hostData holds its offset in the block.
struct FaceExtra {
  tsxSOBJ owner = 0;        // the object whose space the normals are in
  uint32_t smoothing = 0;   // smoothing group; 0: off
  uint32_t group = 0;       // index into the owner's group table
  int32_t normalSlots = 0;  // 0, or the face's corner count
  // Followed by normalSlots normals and normalSlots "has a normal" bytes.
  CtsxVector3f* Normals() { return reinterpret_cast<CtsxVector3f*>(this + 1); }
  uint8_t* HasNormal() { return reinterpret_cast<uint8_t*>(Normals() + normalSlots); }
  const CtsxVector3f* Normals() const { return reinterpret_cast<const CtsxVector3f*>(this + 1); }
  const uint8_t* HasNormal() const { return reinterpret_cast<const uint8_t*>(Normals() + normalSlots); }
};
// Null for a record without one: a face with no normals, smoothing group or
// group, or a record the host did not make.
FaceExtra* FaceExtraOf(CtsxFace& face);
const FaceExtra* FaceExtraOf(const CtsxFace& face);

// Faces handed to `owner` from another object: normals re-expressed in the
// owner's space (where the two spaces differ), groups re-found by name.
void ClaimFaces(tsxSOBJ owner, CtsxFace** faces, int32_t count);
// The faces' normals are in `owner`'s space (a copy of an object).
void SetOwner(Polyhedron& poly, tsxSOBJ owner);
// The map that takes normals of `from`'s space into `to`'s; false when
// `from` is singular. MapNormal keeps the normal's length.
bool NormalMap(const CtsxTxmx3f& from, const CtsxTxmx3f& to, double out[3][3]);
CtsxVector3f MapNormal(const double m[3][3], const CtsxVector3f& n);

// Fills the corners' adjacency; true when every edge has one partner.
bool ComputeAdjacency(Polyhedron& poly);

// A polyhedron as flat arrays, the fast way in for file readers: face f
// has corners [faceStart[f], faceStart[f + 1]).
struct FlatMesh {
  std::vector<CtsxVector3f> vertices;
  std::vector<CtsxUV> uvs;
  std::vector<CtsxVector3f> normals;  // named by Corner::normal
  std::vector<uint32_t> faceStart{0};
  std::vector<Corner> corners;
  std::vector<uint16_t> faceMaterial;
  std::vector<uint32_t> faceSmoothing;  // empty: all off
  std::vector<uint32_t> faceGroup;      // empty: none; else into groups
  std::vector<Material> materials;
  std::vector<std::string> groups{std::string()};
};
// Builds an object outside the scene, with its handle already given; null
// when memory fails (std::bad_alloc may also escape).
std::unique_ptr<Object> BuildFlatPolyhedron(const std::string& name, const FlatMesh& mesh,
                                            const CtsxVector3f& axes);
// Adds built objects to the scene, all of them or (memory failing) none.
std::vector<tsxSOBJ> AddToSceneAll(std::vector<std::unique_ptr<Object>> objects);
tsxSOBJ AddFlatPolyhedron(const std::string& name, const FlatMesh& mesh,
                          const CtsxVector3f& axes);
// Where imported objects get their axes: the centre of the bounding box.
CtsxVector3f BoundingBoxCentre(std::span<const CtsxVector3f> vertices);
// The same from caller-owned arrays, already checked, each copied once.
tsxSOBJ AddArraysPolyhedron(const std::string& name, const MeshArrays& mesh,
                            const CtsxVector3f& axes);

// A block from tsxMalloc or tsxFaceCopy handed to the caller.
void HandOut(void* block);
// The host taking over a block that came from tsxMalloc or tsxFaceCopy
// (anything else, null included, is left alone).
void Adopt(void* block);

}  // namespace tsxhost::detail
