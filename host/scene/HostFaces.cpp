// The face operations, and what the host keeps with a face beyond the
// plug-in's fields; the records themselves live in FaceArena.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "host/scene/HostState.h"

namespace tsxhost::detail {

FaceExtra* FaceExtraOf(CtsxFace& face) {
  if (face.hostData == 0) return nullptr;
  return reinterpret_cast<FaceExtra*>(reinterpret_cast<unsigned char*>(&face) + face.hostData);
}

const FaceExtra* FaceExtraOf(const CtsxFace& face) {
  if (face.hostData == 0) return nullptr;
  return reinterpret_cast<const FaceExtra*>(reinterpret_cast<const unsigned char*>(&face) + face.hostData);
}

namespace {

// The inverse of the transform's linear part, in double; false when singular.
bool Inverse3(const CtsxTxmx3f& t, double inv[3][3]) {
  double a[3][3];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) a[r][c] = t.m[r * 4 + c];
  }
  const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  if (det == 0 || !std::isfinite(det)) return false;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
      inv[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
    }
  }
  return true;
}

bool SameLinearPart(const CtsxTxmx3f& a, const CtsxTxmx3f& b) {
  for (int r = 0; r < 3; ++r) {
    if (std::memcmp(&a.m[r * 4], &b.m[r * 4], 3 * sizeof(float)) != 0) return false;
  }
  return true;
}

}  // namespace

bool NormalMap(const CtsxTxmx3f& from, const CtsxTxmx3f& to, double out[3][3]) {
  // A normal n of `from`'s space is inv(Lf)^T n in world space, and that is
  // Lt^T of it in `to`'s space.
  double inv[3][3];
  if (!Inverse3(from, inv)) return false;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += double(to.m[k * 4 + r]) * inv[c][k];
      out[r][c] = sum;
    }
  }
  return true;
}

CtsxVector3f MapNormal(const double m[3][3], const CtsxVector3f& n) {
  const double x = m[0][0] * n.x + m[0][1] * n.y + m[0][2] * n.z;
  const double y = m[1][0] * n.x + m[1][1] * n.y + m[1][2] * n.z;
  const double z = m[2][0] * n.x + m[2][1] * n.y + m[2][2] * n.z;
  // Keeps the normal's length: unit normals stay unit.
  const double before = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
  const double after = std::sqrt(x * x + y * y + z * z);
  const double k = after > 0 ? before / after : 0;
  return {static_cast<float>(x * k), static_cast<float>(y * k), static_cast<float>(z * k)};
}

namespace {

// The map of normals from `from`'s space into `to`'s; false when there is
// nothing to do (the same linear part, or a singular one).
bool NormalsMove(const Object& from, const Object& to, double m[3][3]) {
  return !SameLinearPart(from.transform, to.transform) && NormalMap(from.transform, to.transform, m);
}

void Reexpress(FaceExtra& extra, const double m[3][3]) {
  CtsxVector3f* normals = extra.Normals();
  for (int32_t i = 0; i < extra.normalSlots; ++i) {
    if (extra.HasNormal()[i]) normals[i] = MapNormal(m, normals[i]);
  }
}

// The receiving object's index for group `g` of `from`, added by name
// when it has none; 0 (no group) when memory fails.
uint32_t GroupIn(Polyhedron& to, const Polyhedron& from, uint32_t g) noexcept {
  if (g == 0 || g >= from.groups.size()) return 0;
  const std::string& name = from.groups[g];
  for (size_t i = 1; i < to.groups.size(); ++i) {
    if (to.groups[i] == name) return static_cast<uint32_t>(i);
  }
  try {
    to.groups.push_back(name);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return static_cast<uint32_t>(to.groups.size() - 1);
}

}  // namespace

void ClaimFaces(tsxSOBJ owner, CtsxFace** faces, int32_t count) {
  Object* to = FindObject(owner);
  if (!to || !to->poly) return;
  // Faces come in runs from one source: what was looked up for the last
  // source and group is kept.
  tsxSOBJ lastOwner = 0;
  const Object* from = nullptr;
  bool move = false;
  double m[3][3];
  uint32_t lastGroup = 0, lastFound = 0;
  bool groupKnown = false;
  for (int32_t i = 0; i < count; ++i) {
    FaceExtra* extra = FaceExtraOf(*faces[i]);
    if (!extra || extra->owner == owner) continue;
    if (extra->owner != lastOwner) {
      lastOwner = extra->owner;
      from = FindObject(lastOwner);
      if (from && !from->poly) from = nullptr;
      move = from && NormalsMove(*from, *to, m);
      groupKnown = false;
    }
    if (from) {
      if (move && extra->normalSlots > 0) Reexpress(*extra, m);
      if (!groupKnown || extra->group != lastGroup) {
        groupKnown = true;
        lastGroup = extra->group;
        lastFound = GroupIn(*to->poly, *from->poly, extra->group);
      }
      extra->group = lastFound;
    } else {
      extra->group = 0;  // the source is gone, and its group names with it
    }
    extra->owner = owner;
  }
}

void SetOwner(Polyhedron& poly, tsxSOBJ owner) {
  for (int32_t i = 0; i < poly.faceCount; ++i) {
    if (FaceExtra* extra = FaceExtraOf(*poly.faces[i])) extra->owner = owner;
  }
}

}  // namespace tsxhost::detail

namespace tsxhost {

using detail::FaceExtra;
using detail::FaceExtraOf;

bool ReadFaceNormals(tsxSOBJ obj, int32_t face, std::vector<CtsxVector3f>* normals, std::vector<uint8_t>* has) {
  const detail::Polyhedron* poly = detail::FindPolyhedron(obj);
  if (!poly || !normals || !has || face < 0 || face >= poly->faceCount) return false;
  const CtsxFace& record = *poly->faces[face];
  const auto corners = static_cast<size_t>(std::max<int16_t>(record.nbrCorners, 0));
  normals->assign(corners, CtsxVector3f{0, 0, 0});
  has->assign(corners, 0);
  const FaceExtra* extra = FaceExtraOf(record);
  for (size_t c = 0; extra && c < corners && c < static_cast<size_t>(extra->normalSlots); ++c) {
    if (!extra->HasNormal()[c]) continue;
    (*normals)[c] = extra->Normals()[c];
    (*has)[c] = 1;
  }
  return true;
}

bool SetFaceFrom(tsxSOBJ obj, int32_t face, tsxSOBJ source, int32_t sourceFace, const CtsxVector3f* normals,
                 const uint8_t* has, int32_t count) {
  detail::Object* to = detail::FindObject(obj);
  const detail::Object* from = detail::FindObject(source);
  if (!to || !to->poly || !from || !from->poly || face < 0 || face >= to->poly->faceCount || sourceFace < 0 ||
      sourceFace >= from->poly->faceCount) {
    return false;
  }
  if (count != to->poly->faces[face]->nbrCorners || (count > 0 && (!normals || !has))) return false;
  // The records are written into: no other object may read them then.
  if (!to->poly->UnshareFaces()) return false;
  CtsxFace*& record = to->poly->faces[face];
  const FaceExtra* given = FaceExtraOf(*from->poly->faces[sourceFace]);
  bool any = false;
  for (int32_t c = 0; c < count; ++c) any = any || has[c] != 0;
  const uint32_t smoothing = given ? given->smoothing : 0;
  const uint32_t group = given ? detail::GroupIn(*to->poly, *from->poly, given->group) : 0;
  const detail::Extra needed = detail::ExtraFor(any, smoothing, group);
  const FaceExtra* had = FaceExtraOf(*record);
  const detail::Extra kind = !had ? detail::Extra::None : had->normalSlots > 0 ? detail::Extra::Normals : detail::Extra::Plain;
  if (needed != kind) {
    // A record with room for what it carries, in place of the old one.
    CtsxFace* remade = nullptr;
    try {
      std::vector<int32_t> holeCorners;
      for (int32_t h = 0; h < record->nbrHoles; ++h) holeCorners.push_back(record->holes[h]->nbrCorners);
      remade = detail::NewFace(count, holeCorners, needed);
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (!remade) return false;
    remade->hostFlags = record->hostFlags;
    remade->materialIndex = record->materialIndex;
    std::memcpy(remade->corners, record->corners, sizeof(CtsxCorner) * static_cast<size_t>(count));
    for (int32_t h = 0; h < record->nbrHoles; ++h) {
      std::memcpy(remade->holes[h]->corners, record->holes[h]->corners,
                  sizeof(CtsxCorner) * static_cast<size_t>(record->holes[h]->nbrCorners));
    }
    detail::FreeFace(record);
    record = remade;
  }
  FaceExtra* extra = FaceExtraOf(*record);
  if (!extra) return true;  // nothing to carry
  extra->owner = obj;
  extra->smoothing = smoothing;
  extra->group = group;
  double map[3][3];
  const bool reexpress = !detail::SameLinearPart(from->transform, to->transform) &&
                         detail::NormalMap(from->transform, to->transform, map);
  for (int32_t c = 0; c < extra->normalSlots; ++c) {
    extra->HasNormal()[c] = has[c] != 0;
    extra->Normals()[c] = !has[c] ? CtsxVector3f{0, 0, 0} : reexpress ? detail::MapNormal(map, normals[c]) : normals[c];
  }
  return true;
}

}  // namespace tsxhost

using namespace tsxhost::detail;

extern "C" {

TSXAPI int32_t TSXCALL tsxFaceCopy(CtsxFace** dst, const CtsxFace* src) {
  Enter(Op::FaceCopy);
  State& s = TheState();
  if (s.failFaceCopyIn > 0 && --s.failFaceCopyIn == 0) return s.faceCopyCode;
  if (!dst || !src) return e_tsxNULL_POINTER;
  if (src->nbrCorners < 0 || (src->nbrCorners > 0 && !src->corners)) return e_tsxBAD_INPUT;
  CtsxFace* face = nullptr;
  try {
    face = CloneFace(*src);
  } catch (const std::bad_alloc&) {
    return e_tsxNO_MEMORY;
  }
  if (!face) return e_tsxNO_MEMORY;
  // The copy is the caller's block until tsxPolyhSetFaces takes it over.
  HandOut(face);
  *dst = face;
  return e_tsxOK;
}

TSXAPI int32_t TSXCALL tsxFaceGetNbrHoles(const CtsxFace* face) {
  Enter(Op::FaceGetNbrHoles);
  return face ? face->nbrHoles : 0;
}

TSXAPI CtsxHole** TSXCALL tsxFaceGetHoleptrArray(CtsxFace* face) {
  Enter(Op::FaceGetHoleptrArray);
  return face && face->nbrHoles > 0 ? face->holes : nullptr;
}

}  // extern "C"
