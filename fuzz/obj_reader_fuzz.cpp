// libFuzzer harness for the OBJ reader: any input is either refused with a
// "FILE:LINE: ..." message and leaves the scene empty, or read into objects
// whose corners all name vertices and UVs of their own object.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ObjFile.h"
#include "Scene.h"
#include "tsxapi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tsxhost::ResetScene();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const tsxhost::ObjResult r = tsxhost::LoadObjText(text, "fuzz.obj");
  if (!r.ok) {
    if (r.error.rfind("fuzz.obj:", 0) != 0 || !tsxhost::SceneObjects().empty()) std::abort();
    return 0;
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
  return 0;
}
