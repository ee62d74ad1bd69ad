// The face operations; the records themselves live in FaceArena.
#include <new>

#include "HostState.h"

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
