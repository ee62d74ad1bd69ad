// What every reader harness checks of a read: a refusal names the file and
// leaves the scene empty; a success gives objects whose corners all name
// vertices and UVs of their own object.
#pragma once

#include <cstdlib>
#include <string>

#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

inline void CheckRead(const tsxhost::ObjResult& r, const std::string& file) {
  if (!r.ok) {
    if (r.error.rfind(file + ":", 0) != 0 || !tsxhost::SceneObjects().empty()) std::abort();
    return;
  }
  for (tsxSOBJ obj : r.objects) {
    const int32_t nv = tsxPolyhGetNbrVxs(obj), nuv = tsxPolyhGetNbrUV(obj), nf = tsxPolyhGetNbrFaces(obj);
    CtsxFace** faces = tsxPolyhGetFaceptrArray(obj);
    for (int32_t f = 0; f < nf; ++f) {
      if (faces[f]->nbrCorners < 3) std::abort();
      for (int32_t c = 0; c < faces[f]->nbrCorners; ++c) {
        const CtsxCorner& k = faces[f]->corners[c];
        if (k.vindex < 0 || k.vindex >= nv || k.uvindex < -1 || k.uvindex >= nuv) std::abort();
      }
    }
  }
}
