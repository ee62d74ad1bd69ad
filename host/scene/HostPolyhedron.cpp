// Polyhedron arrays: reading them, replacing them, copying them.
#include <cstring>
#include <new>

#include "host/scene/HostState.h"

namespace tsxhost::detail {
namespace {

template <typename T>
T* CopyArray(const T* src, int32_t count) {
  auto* out = static_cast<T*>(AllocBlock(sizeof(T) * static_cast<size_t>(count > 0 ? count : 1)));
  if (out && count > 0) std::memcpy(out, src, sizeof(T) * static_cast<size_t>(count));
  return out;
}

void FreeFaces(CtsxFace** faces, int32_t count) {
  if (!faces) return;
  for (int32_t i = 0; i < count; ++i) FreeFace(faces[i]);
  FreeBlock(faces);
}

}  // namespace

Polyhedron::~Polyhedron() {
  FreeBlock(vertices);
  FreeBlock(uvs);
  ReleaseFaces();
}

void Polyhedron::ReplaceVertices(int32_t count, CtsxVector3f* array) {
  FreeBlock(vertices);
  vertices = array;
  vertexCount = array ? count : 0;
}

void Polyhedron::ReplaceUVs(int32_t count, CtsxUV* array) {
  FreeBlock(uvs);
  uvs = array;
  uvCount = array ? count : 0;
}

void Polyhedron::ReplaceFaces(int32_t count, CtsxFace** array) {
  ReleaseFaces();
  faces = array;
  faceCount = array ? count : 0;
}

// A borrower lets go of its pointer array only. A lender with borrowers
// hands its records to the first of them, which lends them to the rest:
// nothing is allocated, so this cannot fail.
void Polyhedron::ReleaseFaces() {
  if (lender) {
    std::erase(lender->borrowers, this);
    lender = nullptr;
    FreeBlock(faces);
  } else if (!borrowers.empty()) {
    Polyhedron* heir = borrowers.front();
    heir->lender = nullptr;
    heir->borrowers = std::move(borrowers);
    heir->borrowers.erase(heir->borrowers.begin());
    borrowers.clear();
    for (Polyhedron* other : heir->borrowers) other->lender = heir;
    SetOwner(*heir, heir->self);
    FreeBlock(faces);
  } else {
    FreeFaces(faces, faceCount);
  }
  faces = nullptr;
  faceCount = 0;
}

// The vertices and UVs are copied; the face records are borrowed.
std::unique_ptr<Polyhedron> Polyhedron::Clone() {
  auto copy = std::make_unique<Polyhedron>();
  copy->materials = materials;
  copy->groups = groups;
  copy->vertices = CopyArray(vertices, vertexCount);
  copy->uvs = CopyArray(uvs, uvCount);
  copy->faces = CopyArray(faces, faceCount);
  if (!copy->vertices || !copy->uvs || !copy->faces) return nullptr;
  copy->vertexCount = vertexCount;
  copy->uvCount = uvCount;
  if (faceCount > 0) {
    Polyhedron* owner = lender ? lender : this;
    owner->borrowers.push_back(copy.get());
    copy->lender = owner;
    copy->faceCount = faceCount;
  }
  return copy;
}

// Every record cloned into one chunk; all or nothing.
bool Polyhedron::OwnFaces() {
  if (!lender) return true;
  auto* own = static_cast<CtsxFace**>(AllocBlock(sizeof(CtsxFace*) * static_cast<size_t>(faceCount)));
  if (!own) return false;
  size_t bytes = 0;
  for (int32_t i = 0; i < faceCount; ++i) bytes += FaceBytes(*faces[i]);
  int32_t made = 0;
  try {
    if (ReserveFaces(bytes)) {
      for (; made < faceCount; ++made) {
        own[made] = CloneFace(*faces[made]);
        if (!own[made]) break;
        if (FaceExtra* extra = FaceExtraOf(*own[made])) extra->owner = self;
      }
    }
  } catch (const std::bad_alloc&) {
  }
  if (made < faceCount) {
    FreeFaces(own, made);
    return false;
  }
  std::erase(lender->borrowers, this);
  lender = nullptr;
  FreeBlock(faces);
  faces = own;
  return true;
}

bool Polyhedron::UnshareFaces() {
  if (!OwnFaces()) return false;
  while (!borrowers.empty()) {
    if (!borrowers.back()->OwnFaces()) return false;
  }
  return true;
}

}  // namespace tsxhost::detail

using namespace tsxhost::detail;

namespace {

// Arrays that are empty are reported as null, as the interface promises.
template <typename T>
T* OrNull(T* array, int32_t count) {
  return count > 0 ? array : nullptr;
}

// A replacing operation on a plain array: the array is taken over either
// way, and released here when refused.
template <typename T>
int32_t ReplaceArray(Op op, tsxPOLYHEDRON p, int32_t count, T* array, void (Polyhedron::*replace)(int32_t, T*)) {
  Enter(op);
  Adopt(array);
  Polyhedron* poly = FindPolyhedron(p);
  if (!poly || count < 0 || (count > 0 && !array)) {
    FreeBlock(array);
    return e_tsxBAD_INPUT;
  }
  (poly->*replace)(count, array);
  return e_tsxOK;
}

}  // namespace

extern "C" {

TSXAPI int32_t TSXCALL tsxPolyhGetNbrVxs(tsxPOLYHEDRON p) {
  Enter(Op::PolyhGetNbrVxs);
  const Polyhedron* poly = FindPolyhedron(p);
  return poly ? poly->vertexCount : 0;
}

TSXAPI int32_t TSXCALL tsxPolyhGetNbrUV(tsxPOLYHEDRON p) {
  Enter(Op::PolyhGetNbrUV);
  const Polyhedron* poly = FindPolyhedron(p);
  return poly ? poly->uvCount : 0;
}

TSXAPI int32_t TSXCALL tsxPolyhGetNbrFaces(tsxPOLYHEDRON p) {
  Enter(Op::PolyhGetNbrFaces);
  const Polyhedron* poly = FindPolyhedron(p);
  return poly ? poly->faceCount : 0;
}

TSXAPI CtsxVector3f* TSXCALL tsxPolyhGetVxArray(tsxPOLYHEDRON p) {
  Enter(Op::PolyhGetVxArray);
  Polyhedron* poly = FindPolyhedron(p);
  return poly ? OrNull(poly->vertices, poly->vertexCount) : nullptr;
}

TSXAPI CtsxUV* TSXCALL tsxPolyhGetUVArray(tsxPOLYHEDRON p) {
  Enter(Op::PolyhGetUVArray);
  Polyhedron* poly = FindPolyhedron(p);
  return poly ? OrNull(poly->uvs, poly->uvCount) : nullptr;
}

TSXAPI CtsxFace** TSXCALL tsxPolyhGetFaceptrArray(tsxPOLYHEDRON p) {
  Enter(Op::PolyhGetFaceptrArray);
  Polyhedron* poly = FindPolyhedron(p);
  // Records handed out stay where they are: a copy takes its own first.
  return poly && poly->OwnFaces() ? OrNull(poly->faces, poly->faceCount) : nullptr;
}

TSXAPI CtsxTxmx3f* TSXCALL tsxPolyhGetVxTxmx(tsxPOLYHEDRON p, CtsxTxmx3f* out) {
  Enter(Op::PolyhGetVxTxmx);
  const Object* obj = FindObject(p);
  if (!obj || !obj->poly || !out) return nullptr;
  *out = obj->transform;
  return out;
}

TSXAPI int32_t TSXCALL tsxPolyhSetVxs(tsxPOLYHEDRON p, int32_t count, CtsxVector3f* array) {
  return ReplaceArray(Op::PolyhSetVxs, p, count, array, &Polyhedron::ReplaceVertices);
}

TSXAPI int32_t TSXCALL tsxPolyhSetUVArray(tsxPOLYHEDRON p, int32_t count, CtsxUV* array) {
  return ReplaceArray(Op::PolyhSetUVArray, p, count, array, &Polyhedron::ReplaceUVs);
}

TSXAPI int32_t TSXCALL tsxPolyhSetFaces(tsxPOLYHEDRON p, int32_t count, CtsxFace** array) {
  Enter(Op::PolyhSetFaces);
  Adopt(array);
  bool sound = array || count == 0;
  for (int32_t i = 0; array && i < count; ++i) {
    Adopt(array[i]);
    sound = sound && array[i] && array[i]->nbrCorners >= 0 && (array[i]->nbrCorners == 0 || array[i]->corners);
  }
  Polyhedron* poly = FindPolyhedron(p);
  if (!poly || count < 0 || !sound) {
    // Taken over all the same: a refused array is released here.
    for (int32_t i = 0; array && i < count; ++i) FreeFace(array[i]);
    FreeBlock(array);
    return e_tsxBAD_INPUT;
  }
  poly->ReplaceFaces(count, array);
  ClaimFaces(p, array, count);
  return e_tsxOK;
}

TSXAPI int32_t TSXCALL tsxPolyhMarkTopologyChange(tsxPOLYHEDRON p) {
  Enter(Op::PolyhMarkTopologyChange);
  return FindPolyhedron(p) ? e_tsxOK : e_tsxNOT_FOUND;
}

TSXAPI int32_t TSXCALL tsxPolyhMarkGeomChange(tsxPOLYHEDRON p) {
  Enter(Op::PolyhMarkGeomChange);
  return FindPolyhedron(p) ? e_tsxOK : e_tsxNOT_FOUND;
}

TSXAPI int32_t TSXCALL tsxPolyhMarkMaterialChange(tsxPOLYHEDRON p) {
  Enter(Op::PolyhMarkMaterialChange);
  return FindPolyhedron(p) ? e_tsxOK : e_tsxNOT_FOUND;
}

}  // extern "C"
