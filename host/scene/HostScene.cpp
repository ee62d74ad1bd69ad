// The scene: object handles, selection, copies, and the host's C++ side.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <span>

#include "host/scene/HostState.h"

namespace tsxhost::detail {

State& TheState() {
  static State state;
  return state;
}

// Each name listed is an operation declared (a misspelt one does not
// compile), and each name is the function's own.
#define TSXHOST_OP_DECLARED(name) static_assert(sizeof(&tsx##name) > 0);
TSXAPI_OPERATIONS(TSXHOST_OP_DECLARED)
#undef TSXHOST_OP_DECLARED

const char* OpName(Op op) {
#define TSXHOST_OP_NAME(name) "tsx" #name,
  static const char* const kNames[kOpCount] = {TSXAPI_OPERATIONS(TSXHOST_OP_NAME)};
#undef TSXHOST_OP_NAME
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

std::unique_ptr<Object> NewPolyObject(const std::string& name, const CtsxTxmx3f& transform,
                                      const CtsxVector3f& axes, std::span<const CtsxVector3f> vertices,
                                      std::span<const CtsxUV> uvs, size_t faces) {
  auto obj = std::make_unique<Object>();
  obj->name = name;
  obj->type = e_tsxPOLYHEDRON;
  obj->transform = transform;
  obj->axes = axes;
  obj->poly = std::make_unique<Polyhedron>();
  Polyhedron& poly = *obj->poly;
  auto* v = static_cast<CtsxVector3f*>(AllocBlock(sizeof(CtsxVector3f) * vertices.size()));
  poly.ReplaceVertices(static_cast<int32_t>(vertices.size()), v);
  auto* t = static_cast<CtsxUV*>(AllocBlock(sizeof(CtsxUV) * uvs.size()));
  poly.ReplaceUVs(static_cast<int32_t>(uvs.size()), t);
  // Counted as faces are made, so that a failure frees only those.
  poly.ReplaceFaces(0, static_cast<CtsxFace**>(AllocZeroedBlock(sizeof(CtsxFace*) * faces)));
  if (!v || !t || !poly.faces) return nullptr;
  std::copy(vertices.begin(), vertices.end(), v);
  std::copy(uvs.begin(), uvs.end(), t);
  // Handles are given now, never reused: one lost to a failure is harmless.
  obj->id = TheState().nextObject++;
  return obj;
}

// Fills a new face's corners, normals, smoothing group and group.
// A face made without an extra has none of the three.
void FillFace(CtsxFace& face, tsxSOBJ owner, const Corner* corners, const std::vector<CtsxVector3f>& normals,
              uint32_t smoothing, uint32_t group) {
  FaceExtra* extra = FaceExtraOf(face);
  if (extra) *extra = {owner, smoothing, group, extra->normalSlots};
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    face.corners[c] = {corners[c].vertex, corners[c].uv, -1, -1};
    const int32_t n = corners[c].normal;
    if (!extra || extra->normalSlots == 0 || n < 0 || static_cast<size_t>(n) >= normals.size()) continue;
    extra->Normals()[c] = normals[static_cast<size_t>(n)];
    extra->HasNormal()[c] = 1;
  }
}

uint32_t GroupIndex(std::vector<std::string>& groups, const std::string& name) {
  for (size_t g = 1; g < groups.size(); ++g) {
    if (groups[g] == name) return static_cast<uint32_t>(g);
  }
  groups.push_back(name);
  return static_cast<uint32_t>(groups.size() - 1);
}

bool AnyNormal(const Corner* corners, size_t count) {
  for (size_t c = 0; c < count; ++c) {
    if (corners[c].normal >= 0) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<Object> BuildFlatPolyhedron(const std::string& name, const FlatMesh& mesh,
                                            const CtsxVector3f& axes) {
  const size_t nf = mesh.faceStart.size() - 1;
  auto obj = NewPolyObject(name, kIdentity, axes, mesh.vertices, mesh.uvs, nf);
  const auto extraOf = [&mesh](size_t f) {
    const uint32_t begin = mesh.faceStart[f], end = mesh.faceStart[f + 1];
    return ExtraFor(AnyNormal(mesh.corners.data() + begin, end - begin),
                    mesh.faceSmoothing.empty() ? 0 : mesh.faceSmoothing[f], mesh.faceGroup.empty() ? 0 : mesh.faceGroup[f]);
  };
  // Every face record in one chunk.
  size_t bytes = 0;
  for (size_t f = 0; f < nf; ++f) {
    bytes += FaceBytes(static_cast<int32_t>(mesh.faceStart[f + 1] - mesh.faceStart[f]), nullptr, 0, extraOf(f));
  }
  if (!obj || !ReserveFaces(bytes)) return nullptr;
  Polyhedron& poly = *obj->poly;
  const std::vector<int32_t> noHoles;
  for (size_t f = 0; f < nf; ++f) {
    const uint32_t begin = mesh.faceStart[f], end = mesh.faceStart[f + 1];
    const Corner* corners = mesh.corners.data() + begin;
    CtsxFace* face = NewFace(static_cast<int32_t>(end - begin), noHoles, extraOf(f));
    if (!face) return nullptr;
    poly.faces[f] = face;
    poly.faceCount = static_cast<int32_t>(f + 1);
    FillFace(*face, obj->id, corners, mesh.normals, mesh.faceSmoothing.empty() ? 0 : mesh.faceSmoothing[f],
             mesh.faceGroup.empty() ? 0 : mesh.faceGroup[f]);
    face->materialIndex = mesh.faceMaterial[f];
  }
  poly.materials = mesh.materials.empty() ? std::vector<Material>{Material{}} : mesh.materials;
  poly.groups = mesh.groups.empty() ? std::vector<std::string>{std::string()} : mesh.groups;
  return obj;
}

std::vector<tsxSOBJ> AddToSceneAll(std::vector<std::unique_ptr<Object>> objects) {
  State& s = TheState();
  std::vector<tsxSOBJ> ids;
  ids.reserve(objects.size());
  s.sceneOrder.reserve(s.sceneOrder.size() + objects.size());
  s.objects.reserve(s.objects.size() + objects.size());
  try {
    for (auto& obj : objects) {
      const tsxSOBJ id = obj->id;
      s.objects.emplace(id, std::move(obj));
      ids.push_back(id);
    }
  } catch (const std::bad_alloc&) {
    for (tsxSOBJ id : ids) s.objects.erase(id);
    throw;
  }
  // Nothing below allocates: the room was reserved above.
  for (tsxSOBJ id : ids) AddToScene(*FindObject(id));
  return ids;
}

tsxSOBJ AddFlatPolyhedron(const std::string& name, const FlatMesh& mesh, const CtsxVector3f& axes) {
  auto obj = BuildFlatPolyhedron(name, mesh, axes);
  if (!obj) throw std::bad_alloc();
  std::vector<std::unique_ptr<Object>> one;
  one.push_back(std::move(obj));
  return AddToSceneAll(std::move(one)).front();
}

tsxSOBJ AddArraysPolyhedron(const std::string& name, const MeshArrays& mesh, const CtsxVector3f& axes) {
  auto obj = NewPolyObject(name, kIdentity, axes, {mesh.vertices, mesh.vertexCount}, {mesh.uvs, mesh.uvCount},
                           mesh.faceCount);
  const auto hasNormal = [&](int32_t c) { return mesh.cornerNormal && !std::isnan(mesh.cornerNormal[c].x); };
  const auto faceHasNormals = [&](int32_t begin, int32_t end) {
    for (int32_t c = begin; c < end; ++c) {
      if (hasNormal(c)) return true;
    }
    return false;
  };
  size_t bytes = 0;
  for (size_t f = 0; f < mesh.faceCount; ++f) {
    const int32_t begin = mesh.faceStart[f], end = mesh.faceStart[f + 1];
    bytes += FaceBytes(end - begin, nullptr, 0, ExtraFor(faceHasNormals(begin, end), 0, 0));
  }
  if (!obj || !ReserveFaces(bytes)) throw std::bad_alloc();
  Polyhedron& poly = *obj->poly;
  const std::vector<int32_t> noHoles;
  for (size_t f = 0; f < mesh.faceCount; ++f) {
    const int32_t begin = mesh.faceStart[f], end = mesh.faceStart[f + 1];
    const bool normals = faceHasNormals(begin, end);
    CtsxFace* face = NewFace(end - begin, noHoles, ExtraFor(normals, 0, 0));
    if (!face) throw std::bad_alloc();
    poly.faces[f] = face;
    poly.faceCount = static_cast<int32_t>(f + 1);
    FaceExtra* extra = FaceExtraOf(*face);
    if (extra) extra->owner = obj->id;
    for (int32_t c = begin; c < end; ++c) {
      face->corners[c - begin] = {mesh.cornerVertex[c], mesh.cornerUv ? mesh.cornerUv[c] : -1, -1, -1};
      if (extra && hasNormal(c)) {
        extra->Normals()[c - begin] = mesh.cornerNormal[c];
        extra->HasNormal()[c - begin] = 1;
      }
    }
    face->materialIndex = static_cast<uint16_t>(mesh.faceMaterial ? mesh.faceMaterial[f] : 0);
  }
  poly.materials = mesh.materials;
  std::vector<std::unique_ptr<Object>> one;
  one.push_back(std::move(obj));
  return AddToSceneAll(std::move(one)).front();
}

CtsxVector3f BoundingBoxCentre(std::span<const CtsxVector3f> vertices) {
  if (vertices.empty()) return {0, 0, 0};
  CtsxVector3f lo = vertices[0], hi = vertices[0];
  for (const CtsxVector3f& v : vertices) {
    lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
  }
  return {(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
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
  Object* source = FindObject(src);
  if (!source) return e_tsxNOT_FOUND;
  // Until it is registered the copy is only ours: a failure on the way
  // frees it (and takes it off its lender's borrowers) and *result stays.
  try {
    auto copy = std::make_unique<Object>();
    copy->name = CopyName(source->name);
    copy->type = source->type;
    copy->transform = source->transform;
    copy->axes = source->axes;
    copy->copiedFrom = src;
    if (source->poly) {
      copy->poly = source->poly->Clone();
      if (!copy->poly) return e_tsxNO_MEMORY;
    }
    Polyhedron* poly = copy->poly.get();
    const tsxSOBJ id = Register(std::move(copy));
    // Records it borrows keep their lender as owner until it has its own.
    if (poly) poly->self = id;
    *result = id;
    return e_tsxOK;
  } catch (const std::bad_alloc&) {
    return e_tsxNO_MEMORY;
  }
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
  auto obj = detail::NewPolyObject(name, transform, axes, mesh.vertices, mesh.uvs, mesh.faces.size());
  if (!obj) throw std::bad_alloc();
  Polyhedron& poly = *obj->poly;
  for (size_t f = 0; f < mesh.faces.size(); ++f) {
    const Face& src = mesh.faces[f];
    std::vector<int32_t> holeCorners;
    for (const auto& hole : src.holes) holeCorners.push_back(static_cast<int32_t>(hole.size()));
    const uint32_t group = src.group.empty() ? 0 : detail::GroupIndex(poly.groups, src.group);
    CtsxFace* face = detail::NewFace(
        static_cast<int32_t>(src.corners.size()), holeCorners,
        detail::ExtraFor(detail::AnyNormal(src.corners.data(), src.corners.size()), src.smoothing, group));
    if (!face) throw std::bad_alloc();
    poly.faces[f] = face;
    poly.faceCount = static_cast<int32_t>(f + 1);
    detail::FillFace(*face, obj->id, src.corners.data(), mesh.normals, src.smoothing, group);
    for (size_t h = 0; h < src.holes.size(); ++h) {
      for (size_t c = 0; c < src.holes[h].size(); ++c) {
        face->holes[h]->corners[c] = {src.holes[h][c].vertex, src.holes[h][c].uv, -1, -1};
      }
    }
    face->materialIndex = static_cast<uint16_t>(src.material);
  }
  poly.materials = mesh.materials.empty() ? std::vector<Material>{Material{}} : mesh.materials;
  std::vector<std::unique_ptr<Object>> one;
  one.push_back(std::move(obj));
  return detail::AddToSceneAll(std::move(one)).front();
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
  out->normals.clear();
  out->faces.reserve(static_cast<size_t>(poly->faceCount));
  for (int32_t f = 0; f < poly->faceCount; ++f) {
    const CtsxFace& src = *poly->faces[f];
    Face face;
    const detail::FaceExtra* extra = detail::FaceExtraOf(src);
    for (int32_t c = 0; c < src.nbrCorners; ++c) {
      Corner corner{src.corners[c].vindex, src.corners[c].uvindex, -1};
      if (extra && c < extra->normalSlots && extra->HasNormal()[c]) {
        corner.normal = static_cast<int32_t>(out->normals.size());
        out->normals.push_back(extra->Normals()[c]);
      }
      face.corners.push_back(corner);
    }
    if (extra) {
      face.smoothing = extra->smoothing;
      if (extra->group > 0 && extra->group < poly->groups.size()) face.group = poly->groups[extra->group];
    }
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

bool ReadMaterials(tsxSOBJ obj, std::vector<Material>* out) {
  const Polyhedron* poly = FindPolyhedron(obj);
  if (!poly || !out) return false;
  *out = poly->materials;
  return true;
}

bool ReadCornerNormals(tsxSOBJ obj, std::vector<CtsxVector3f>* normals, std::vector<uint8_t>* has) {
  const Polyhedron* poly = FindPolyhedron(obj);
  if (!poly || !normals || !has) return false;
  size_t corners = 0;
  for (int32_t f = 0; f < poly->faceCount; ++f) corners += static_cast<size_t>(poly->faces[f]->nbrCorners);
  normals->assign(corners, CtsxVector3f{0, 0, 0});
  has->assign(corners, 0);
  size_t at = 0;
  for (int32_t f = 0; f < poly->faceCount; ++f) {
    const CtsxFace& face = *poly->faces[f];
    const detail::FaceExtra* extra = detail::FaceExtraOf(face);
    for (int32_t c = 0; c < face.nbrCorners; ++c, ++at) {
      if (extra && c < extra->normalSlots && extra->HasNormal()[c]) {
        (*normals)[at] = extra->Normals()[c];
        (*has)[at] = 1;
      }
    }
  }
  return true;
}

std::vector<tsxSOBJ> SceneObjects() { return detail::TheState().sceneOrder; }

void ReleaseSpareMemory() { detail::ReleaseCachedMappings(); }

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

tsxSOBJ CopiedFrom(tsxSOBJ obj) {
  const Object* o = detail::FindObject(obj);
  return o ? o->copiedFrom : 0;
}

void SetObjectName(tsxSOBJ obj, const std::string& name) {
  if (Object* o = detail::FindObject(obj)) o->name = name;
}

void RemoveFromScene(tsxSOBJ obj) {
  Object* o = detail::FindObject(obj);
  if (!o || !o->inScene) return;
  State& s = detail::TheState();
  s.sceneOrder.erase(std::remove(s.sceneOrder.begin(), s.sceneOrder.end(), obj), s.sceneOrder.end());
  if (s.selection == obj) s.selection = 0;
  o->inScene = false;
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
  detail::FailNthBlock(0);
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

void FailNthHostAllocation(int n) { detail::FailNthBlock(n); }

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
