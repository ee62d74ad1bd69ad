// The scene: object handles, selection, copies, and the host's C++ side.
#include <algorithm>
#include <cstdlib>

#include "HostState.h"

namespace tsxhost::detail {

State& TheState() {
  static State state;
  return state;
}

const char* OpName(Op op) {
  static const char* const kNames[kOpCount] = {
      "tsxGetCurrentSelection", "tsxSobjGetType", "tsxGNodeCopy", "tsxGNodeGetAxesPosition",
      "tsxSceneAddObject", "tsxSobjDelete", "tsxPolyhGetNbrVxs", "tsxPolyhGetNbrUV",
      "tsxPolyhGetNbrFaces", "tsxPolyhGetVxArray", "tsxPolyhGetUVArray",
      "tsxPolyhGetFaceptrArray", "tsxPolyhGetVxTxmx", "tsxPolyhSetVxs", "tsxPolyhSetUVArray",
      "tsxPolyhSetFaces", "tsxPolyhComputeFaceAdjacency", "tsxPolyhMarkTopologyChange",
      "tsxPolyhMarkGeomChange", "tsxPolyhInitializeMaterials", "tsxPolyhMarkMaterialChange",
      "tsxFaceCopy", "tsxFaceGetNbrHoles", "tsxFaceGetHoleptrArray", "tsxMaterialCreate",
      "tsxMaterialCreateCopyActive", "tsxMaterialDestroy", "tsxPolyhGetMaterial",
      "tsxPolyhPaintFace", "tsxUnMatrix3f", "tsxInvertMx3f", "tsxRotateVecs3f",
      "tsxGetMxTranslation3f", "tsxAddVec3f", "tsxMulScalar3f", "tsxDistanceToPoint3f",
      "tsxMalloc", "tsxFree", "tsxGetMainViewHwnd", "tsxGetTsVersionNbrs"};
  return kNames[static_cast<int>(op)];
}

Object* FindObject(tsxSOBJ id) {
  auto& objects = TheState().objects;
  const auto it = objects.find(id);
  return it == objects.end() ? nullptr : it->second.get();
}

Polyhedron* FindPolyhedron(tsxSOBJ id) {
  Object* obj = FindObject(id);
  return obj ? obj->poly.get() : nullptr;
}

namespace {

bool NameTaken(const std::string& name) {
  for (const auto& [id, obj] : TheState().objects) {
    if (obj->name == name) return true;
  }
  return false;
}

// Copies are named after their source with the lowest free ".N".
std::string CopyName(const std::string& source) {
  for (int n = 1;; ++n) {
    std::string name = source + "." + std::to_string(n);
    if (!NameTaken(name)) return name;
  }
}

tsxSOBJ Register(std::unique_ptr<Object> obj) {
  State& s = TheState();
  obj->id = s.nextObject++;
  const tsxSOBJ id = obj->id;
  s.objects.emplace(id, std::move(obj));
  return id;
}

void AddToScene(Object& obj) {
  obj.inScene = true;
  TheState().sceneOrder.push_back(obj.id);
}

// What a new polyhedron is made of, whichever way it comes in.
struct PolyhedronParts {
  const std::vector<CtsxVector3f>& vertices;
  const std::vector<CtsxUV>& uvs;
  size_t faceCount;
  const std::vector<Material>& materials;
};

// The steps every new polyhedron shares: its arrays as host blocks, face f
// from `makeFace(f)`, its materials (one default when it has none), a new
// handle and a place at the end of the scene.
template <typename MakeFace>
tsxSOBJ AddNewPolyhedron(const std::string& name, const CtsxTxmx3f& transform, const CtsxVector3f& axes,
                         const PolyhedronParts& parts, MakeFace makeFace) {
  auto obj = std::make_unique<Object>();
  obj->name = name;
  obj->type = e_tsxPOLYHEDRON;
  obj->transform = transform;
  obj->axes = axes;
  auto poly = std::make_unique<Polyhedron>();
  auto* vertices = static_cast<CtsxVector3f*>(AllocBlock(sizeof(CtsxVector3f) * parts.vertices.size()));
  auto* uvs = static_cast<CtsxUV*>(AllocBlock(sizeof(CtsxUV) * parts.uvs.size()));
  auto* faces = static_cast<CtsxFace**>(AllocZeroedBlock(sizeof(CtsxFace*) * parts.faceCount));
  if (!vertices || !uvs || !faces) std::abort();
  std::copy(parts.vertices.begin(), parts.vertices.end(), vertices);
  std::copy(parts.uvs.begin(), parts.uvs.end(), uvs);
  poly->ReplaceVertices(static_cast<int32_t>(parts.vertices.size()), vertices);
  poly->ReplaceUVs(static_cast<int32_t>(parts.uvs.size()), uvs);
  for (size_t f = 0; f < parts.faceCount; ++f) {
    faces[f] = makeFace(f);
    if (!faces[f]) std::abort();
  }
  poly->ReplaceFaces(static_cast<int32_t>(parts.faceCount), faces);
  poly->materials = parts.materials.empty() ? std::vector<Material>{Material{}} : parts.materials;
  obj->poly = std::move(poly);
  const tsxSOBJ id = Register(std::move(obj));
  AddToScene(*FindObject(id));
  return id;
}

}  // namespace

tsxSOBJ AddFlatPolyhedron(const std::string& name, const FlatMesh& mesh,
                          const CtsxVector3f& axes) {
  const size_t nf = mesh.faceStart.size() - 1;
  if (!ReserveFaces(nf * FaceBytes(0, nullptr, 0) + sizeof(CtsxCorner) * mesh.corners.size())) std::abort();
  const std::vector<int32_t> noHoles;
  return AddNewPolyhedron(name, kIdentity, axes, {mesh.vertices, mesh.uvs, nf, mesh.materials}, [&](size_t f) {
    const uint32_t begin = mesh.faceStart[f], end = mesh.faceStart[f + 1];
    CtsxFace* face = NewFace(static_cast<int32_t>(end - begin), noHoles);
    if (!face) return face;
    for (uint32_t c = begin; c < end; ++c) {
      face->corners[c - begin] = {mesh.corners[c].vertex, mesh.corners[c].uv, -1, -1};
    }
    face->materialIndex = mesh.faceMaterial[f];
    return face;
  });
}

}  // namespace tsxhost::detail

using namespace tsxhost::detail;

extern "C" {

TSXAPI tsxSOBJ TSXCALL tsxGetCurrentSelection(void) {
  Enter(Op::GetCurrentSelection);
  State& s = TheState();
  const Object* obj = FindObject(s.selection);
  return obj && obj->inScene ? s.selection : 0;
}

TSXAPI int32_t TSXCALL tsxSobjGetType(tsxSOBJ obj) {
  Enter(Op::SobjGetType);
  const Object* o = FindObject(obj);
  return o ? o->type : e_tsxSOBJ_NONE;
}

TSXAPI int32_t TSXCALL tsxGNodeCopy(tsxGNODE src, tsxGNODE* result) {
  Enter(Op::GNodeCopy);
  State& s = TheState();
  if (!result) return e_tsxNULL_POINTER;
  if (s.failNextObjectCopy) {
    s.failNextObjectCopy = false;
    return e_tsxFAILURE;
  }
  const Object* source = FindObject(src);
  if (!source) return e_tsxNOT_FOUND;
  auto copy = std::make_unique<Object>();
  copy->name = CopyName(source->name);
  copy->type = source->type;
  copy->transform = source->transform;
  copy->axes = source->axes;
  if (source->poly) {
    copy->poly = source->poly->Clone();
    if (!copy->poly) return e_tsxNO_MEMORY;
  }
  *result = Register(std::move(copy));
  return e_tsxOK;
}

TSXAPI void TSXCALL tsxGNodeGetAxesPosition(tsxGNODE obj, CtsxVector3f* out) {
  Enter(Op::GNodeGetAxesPosition);
  if (!out) return;
  const Object* o = FindObject(obj);
  *out = o ? o->axes : CtsxVector3f{0, 0, 0};
}

TSXAPI int32_t TSXCALL tsxSceneAddObject(tsxSOBJ obj, int32_t /*flags*/) {
  Enter(Op::SceneAddObject);
  Object* o = FindObject(obj);
  if (!o) return e_tsxNOT_FOUND;
  if (o->inScene) return e_tsxBAD_INPUT;
  AddToScene(*o);
  return e_tsxOK;
}

TSXAPI void TSXCALL tsxSobjDelete(tsxSOBJ obj) {
  Enter(Op::SobjDelete);
  State& s = TheState();
  if (!FindObject(obj)) return;
  s.sceneOrder.erase(std::remove(s.sceneOrder.begin(), s.sceneOrder.end(), obj), s.sceneOrder.end());
  if (s.selection == obj) s.selection = 0;
  s.objects.erase(obj);
}

TSXAPI tsxHWND TSXCALL tsxGetMainViewHwnd(void) {
  Enter(Op::GetMainViewHwnd);
  return TheState().mainView;
}

TSXAPI void TSXCALL tsxGetTsVersionNbrs(int16_t* version, int16_t* subVersion) {
  Enter(Op::GetTsVersionNbrs);
  if (version) *version = TheState().version;
  if (subVersion) *subVersion = TheState().subVersion;
}

}  // extern "C"

namespace tsxhost {

tsxSOBJ AddPolyhedron(const std::string& name, const Mesh& mesh, const CtsxTxmx3f& transform,
                      const CtsxVector3f& axes) {
  const detail::PolyhedronParts parts{mesh.vertices, mesh.uvs, mesh.faces.size(), mesh.materials};
  return detail::AddNewPolyhedron(name, transform, axes, parts, [&](size_t f) {
    const Face& src = mesh.faces[f];
    std::vector<int32_t> holeCorners;
    for (const auto& hole : src.holes) holeCorners.push_back(static_cast<int32_t>(hole.size()));
    CtsxFace* face = NewFace(static_cast<int32_t>(src.corners.size()), holeCorners);
    if (!face) return face;
    for (size_t c = 0; c < src.corners.size(); ++c) {
      face->corners[c] = {src.corners[c].vertex, src.corners[c].uv, -1, -1};
    }
    for (size_t h = 0; h < src.holes.size(); ++h) {
      for (size_t c = 0; c < src.holes[h].size(); ++c) {
        face->holes[h]->corners[c] = {src.holes[h][c].vertex, src.holes[h][c].uv, -1, -1};
      }
    }
    face->materialIndex = static_cast<uint16_t>(src.material);
    return face;
  });
}

tsxSOBJ AddObject(const std::string& name, int32_t type) {
  auto obj = std::make_unique<Object>();
  obj->name = name;
  obj->type = type;
  if ((type & 0xFF) == e_tsxPOLYHEDRON) obj->poly = std::make_unique<Polyhedron>();
  const tsxSOBJ id = Register(std::move(obj));
  AddToScene(*detail::FindObject(id));
  return id;
}

bool ReadMesh(tsxSOBJ obj, Mesh* out) {
  const Polyhedron* poly = FindPolyhedron(obj);
  if (!poly || !out) return false;
  out->vertices.assign(poly->vertices, poly->vertices + poly->vertexCount);
  out->uvs.assign(poly->uvs, poly->uvs + poly->uvCount);
  out->faces.clear();
  out->faces.reserve(static_cast<size_t>(poly->faceCount));
  for (int32_t f = 0; f < poly->faceCount; ++f) {
    const CtsxFace& src = *poly->faces[f];
    Face face;
    for (int32_t c = 0; c < src.nbrCorners; ++c) face.corners.push_back({src.corners[c].vindex, src.corners[c].uvindex});
    for (int32_t h = 0; h < src.nbrHoles; ++h) {
      std::vector<Corner> hole;
      for (int32_t c = 0; c < src.holes[h]->nbrCorners; ++c) {
        hole.push_back({src.holes[h]->corners[c].vindex, src.holes[h]->corners[c].uvindex});
      }
      face.holes.push_back(std::move(hole));
    }
    face.material = src.materialIndex;
    out->faces.push_back(std::move(face));
  }
  out->materials = poly->materials;
  return true;
}

std::vector<tsxSOBJ> SceneObjects() { return detail::TheState().sceneOrder; }

std::vector<tsxSOBJ> LiveObjects() {
  std::vector<tsxSOBJ> ids;
  for (const auto& [id, obj] : detail::TheState().objects) ids.push_back(id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

bool IsAlive(tsxSOBJ obj) { return detail::FindObject(obj) != nullptr; }

bool InScene(tsxSOBJ obj) {
  const Object* o = detail::FindObject(obj);
  return o && o->inScene;
}

tsxSOBJ FindObject(const std::string& name) {
  for (tsxSOBJ id : detail::TheState().sceneOrder) {
    if (detail::FindObject(id)->name == name) return id;
  }
  return 0;
}

std::string ObjectName(tsxSOBJ obj) {
  const Object* o = detail::FindObject(obj);
  return o ? o->name : std::string();
}

void SetObjectName(tsxSOBJ obj, const std::string& name) {
  if (Object* o = detail::FindObject(obj)) o->name = name;
}

void SetSelection(tsxSOBJ obj) { detail::TheState().selection = obj; }

CtsxTxmx3f GetTransform(tsxSOBJ obj) {
  const Object* o = detail::FindObject(obj);
  return o ? o->transform : kIdentity;
}

void SetTransform(tsxSOBJ obj, const CtsxTxmx3f& transform) {
  if (Object* o = detail::FindObject(obj)) o->transform = transform;
}

void SetAxesPosition(tsxSOBJ obj, const CtsxVector3f& axes) {
  if (Object* o = detail::FindObject(obj)) o->axes = axes;
}

void SetMainViewHwnd(tsxHWND hwnd) { detail::TheState().mainView = hwnd; }

void SetVersion(int16_t version, int16_t subVersion) {
  detail::TheState().version = version;
  detail::TheState().subVersion = subVersion;
}

void ResetScene() {
  State& s = detail::TheState();
  State fresh;
  // Handles keep counting up: a handle is never reused, not even after a
  // reset, so a stale handle from before can never name a new object.
  fresh.nextObject = s.nextObject;
  fresh.nextMaterial = s.nextMaterial;
  // Blocks already handed out stay the caller's, and stay counted.
  fresh.outstanding = s.outstanding;
  s.objects.clear();
  s = std::move(fresh);
}

namespace testing {

void FailNthAllocation(int n) { detail::TheState().failAllocationIn = n; }

void FailNthFaceCopy(int n, int32_t code) {
  detail::TheState().failFaceCopyIn = n;
  detail::TheState().faceCopyCode = code;
}

void FailNextObjectCopy() { detail::TheState().failNextObjectCopy = true; }

void MakeMaterialUnavailable(tsxSOBJ obj, int index) {
  detail::Polyhedron* poly = detail::FindPolyhedron(obj);
  if (!poly) return;
  if (index < 0) {
    poly->allMaterialsUnavailable = true;
  } else {
    poly->unavailableMaterials.insert(index);
  }
}

long CallCount(const std::string& name) {
  for (int i = 0; i < detail::kOpCount; ++i) {
    if (name == detail::OpName(static_cast<detail::Op>(i))) return detail::TheState().calls[static_cast<size_t>(i)];
  }
  return -1;
}

void ResetCallCounts() { detail::TheState().calls.fill(0); }

long OutstandingAllocations() { return detail::TheState().outstanding; }

long LiveHostBlocks() { return detail::LiveBlockCount(); }

void SetCallHook(CallHook hook, void* user) {
  detail::TheState().hook = hook;
  detail::TheState().hookUser = user;
}

}  // namespace testing
}  // namespace tsxhost
