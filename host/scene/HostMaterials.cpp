// Materials: value records behind handles, and per-polyhedron tables.
#include <algorithm>
#include <new>

#include "host/scene/HostState.h"

using namespace tsxhost::detail;
using tsxhost::Material;

namespace {

Material* FindMaterial(tsxMATERIAL mat) {
  auto& table = TheState().materials;
  const auto it = table.find(mat);
  return it == table.end() ? nullptr : &it->second;
}

tsxMATERIAL NewMaterial(const Material& value) {
  State& s = TheState();
  const tsxMATERIAL id = s.nextMaterial++;
  s.materials.emplace(id, value);
  return id;
}

}  // namespace

extern "C" {

TSXAPI int32_t TSXCALL tsxMaterialCreate(tsxMATERIAL* mat) {
  Enter(Op::MaterialCreate);
  if (!mat) return e_tsxNULL_POINTER;
  *mat = NewMaterial(Material{});
  return e_tsxOK;
}

TSXAPI int32_t TSXCALL tsxMaterialCreateCopyActive(tsxMATERIAL* mat) {
  Enter(Op::MaterialCreateCopyActive);
  if (!mat) return e_tsxNULL_POINTER;
  *mat = NewMaterial(TheState().active);
  return e_tsxOK;
}

TSXAPI void TSXCALL tsxMaterialDestroy(tsxMATERIAL mat) {
  Enter(Op::MaterialDestroy);
  TheState().materials.erase(mat);
}

TSXAPI int32_t TSXCALL tsxPolyhGetMaterial(tsxPOLYHEDRON p, uint16_t index, tsxMATERIAL mat) {
  Enter(Op::PolyhGetMaterial);
  const Polyhedron* poly = FindPolyhedron(p);
  Material* target = FindMaterial(mat);
  if (!poly || !target || index >= poly->materials.size()) return 0;
  if (poly->allMaterialsUnavailable || poly->unavailableMaterials.count(index)) return 0;
  *target = poly->materials[index];
  ++TheState().materialFills;
  return 1;
}

TSXAPI int32_t TSXCALL tsxPolyhPaintFace(tsxPOLYHEDRON p, int32_t face, tsxMATERIAL mat,
                                         int32_t /*flags*/) {
  Enter(Op::PolyhPaintFace);
  Polyhedron* poly = FindPolyhedron(p);
  const Material* value = FindMaterial(mat);
  if (!poly || !value) return e_tsxNOT_FOUND;
  if (face < 0 || face >= poly->faceCount) return e_tsxOUT_OF_RANGE;
  if (!poly->UnshareFaces()) return e_tsxNO_MEMORY;
  // Entries are only ever added to a table, so an index found for a record
  // whose value has not changed since still names the first equal entry.
  const uint64_t fills = TheState().materialFills;
  if (mat != poly->paintedWith || poly->paintedAt != fills) {
    auto& table = poly->materials;
    auto it = std::find(table.begin(), table.end(), *value);
    if (it == table.end()) {
      if (table.size() > UINT16_MAX) return e_tsxOVERFLOW;
      try {
        table.push_back(*value);
      } catch (const std::bad_alloc&) {
        return e_tsxNO_MEMORY;  // nothing escapes the interface
      }
      it = table.end() - 1;
    }
    poly->paintedWith = mat;
    poly->paintedAt = fills;
    poly->paintedIndex = static_cast<uint16_t>(it - table.begin());
  }
  poly->faces[face]->materialIndex = poly->paintedIndex;
  return e_tsxOK;
}

TSXAPI int32_t TSXCALL tsxPolyhInitializeMaterials(tsxPOLYHEDRON p) {
  Enter(Op::PolyhInitializeMaterials);
  Polyhedron* poly = FindPolyhedron(p);
  if (!poly) return e_tsxNOT_FOUND;
  // Every face must name an entry of the table.
  if (poly->materials.empty()) poly->materials.push_back(Material{});
  const auto outside = [poly](int32_t f) { return poly->faces[f]->materialIndex >= poly->materials.size(); };
  int32_t first = 0;
  while (first < poly->faceCount && !outside(first)) ++first;
  if (first == poly->faceCount) return e_tsxOK;
  if (!poly->UnshareFaces()) return e_tsxNO_MEMORY;
  for (int32_t f = first; f < poly->faceCount; ++f) {
    if (poly->faces[f]->materialIndex >= poly->materials.size()) poly->faces[f]->materialIndex = 0;
  }
  return e_tsxOK;
}

}  // extern "C"

namespace tsxhost {

void SetActiveMaterial(const Material& material) { detail::TheState().active = material; }

bool ReadMaterial(tsxMATERIAL mat, Material* out) {
  const Material* value = FindMaterial(mat);
  if (!value || !out) return false;
  *out = *value;
  return true;
}

int LiveMaterialCount() { return static_cast<int>(detail::TheState().materials.size()); }

}  // namespace tsxhost
