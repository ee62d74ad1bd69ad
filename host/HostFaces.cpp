// Face records as single host blocks, and the face operations.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "HostState.h"

namespace tsxhost::detail {
namespace {

size_t AlignUp(size_t n) { return (n + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1); }

}  // namespace

CtsxFace* NewFace(int32_t corners, const std::vector<int32_t>& holeCorners) {
  if (corners < 0 || corners > INT16_MAX) return nullptr;
  const size_t holes = holeCorners.size();
  size_t size = AlignUp(sizeof(CtsxFace)) + sizeof(CtsxCorner) * static_cast<size_t>(corners);
  size = AlignUp(size) + sizeof(CtsxHole*) * holes;
  size = AlignUp(size) + sizeof(CtsxHole) * holes;
  for (int32_t n : holeCorners) size = AlignUp(size) + sizeof(CtsxCorner) * static_cast<size_t>(n);
  auto* base = static_cast<unsigned char*>(std::calloc(1, size));
  if (!base) return nullptr;

  auto* face = new (base) CtsxFace{};
  size_t at = AlignUp(sizeof(CtsxFace));
  face->nbrCorners = static_cast<int16_t>(corners);
  face->corners = reinterpret_cast<CtsxCorner*>(base + at);
  at += sizeof(CtsxCorner) * static_cast<size_t>(corners);
  at = AlignUp(at);
  face->nbrHoles = static_cast<int32_t>(holes);
  if (holes) {
    face->holes = reinterpret_cast<CtsxHole**>(base + at);
    at = AlignUp(at + sizeof(CtsxHole*) * holes);
    auto* records = reinterpret_cast<CtsxHole*>(base + at);
    at += sizeof(CtsxHole) * holes;
    for (size_t h = 0; h < holes; ++h) {
      at = AlignUp(at);
      records[h].nbrCorners = static_cast<int16_t>(holeCorners[h]);
      records[h].corners = reinterpret_cast<CtsxCorner*>(base + at);
      at += sizeof(CtsxCorner) * static_cast<size_t>(holeCorners[h]);
      face->holes[h] = &records[h];
    }
  }
  for (int32_t i = 0; i < corners; ++i) face->corners[i] = {0, -1, -1, -1};
  return face;
}

CtsxFace* CloneFace(const CtsxFace& src) {
  std::vector<int32_t> holeCorners;
  for (int32_t h = 0; h < src.nbrHoles; ++h) holeCorners.push_back(src.holes[h]->nbrCorners);
  CtsxFace* face = NewFace(src.nbrCorners, holeCorners);
  if (!face) return nullptr;
  face->hostFlags = src.hostFlags;
  face->hostData = src.hostData;
  face->materialIndex = src.materialIndex;
  std::memcpy(face->corners, src.corners, sizeof(CtsxCorner) * static_cast<size_t>(src.nbrCorners));
  for (int32_t h = 0; h < src.nbrHoles; ++h) {
    std::memcpy(face->holes[h]->corners, src.holes[h]->corners,
                sizeof(CtsxCorner) * static_cast<size_t>(src.holes[h]->nbrCorners));
  }
  return face;
}

void FreeFace(CtsxFace* face) { std::free(face); }

}  // namespace tsxhost::detail

using namespace tsxhost::detail;

extern "C" {

TSXAPI int32_t TSXCALL tsxFaceCopy(CtsxFace** dst, const CtsxFace* src) {
  Enter(Op::FaceCopy);
  State& s = TheState();
  if (s.failFaceCopyIn > 0 && --s.failFaceCopyIn == 0) return s.faceCopyCode;
  if (!dst || !src) return e_tsxNULL_POINTER;
  if (src->nbrCorners < 0 || (src->nbrCorners > 0 && !src->corners)) return e_tsxBAD_INPUT;
  CtsxFace* face = CloneFace(*src);
  if (!face) return e_tsxNO_MEMORY;
  // The copy is the caller's block until tsxPolyhSetFaces takes it over.
  s.outstanding.insert(face);
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
