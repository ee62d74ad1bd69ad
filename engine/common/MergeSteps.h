// The steps the plain merge and the seam merge take alike: both lay the
// result out as the result's vertices, UVs and faces followed by the second
// object's, and hand the three arrays to the host the same way.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/common/Errors.h"
#include "engine/common/FaceCopies.h"
#include "engine/common/HostBlock.h"
#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"
#include "interface/tsxapi.h"

namespace spl {

// One progress call between phases: the finished phase's steps and the text
// of the phase that begins. False when the join has to stop.
[[nodiscard]] bool AdvancePhase(JoinProgress& progress, int64_t steps, std::string_view next);

// Reports -32 (overflow) for a count of the merged object past the host's
// 32-bit counts; false then.
[[nodiscard]] bool FitsMergedCount(JoinProgress& progress, int64_t count);

// A host block of `count` elements for the merged object; reports the
// overflow, or -2 when the host has no memory.
template <typename T>
[[nodiscard]] bool ObtainMerged(JoinProgress& progress, HostBlock<T>& block, int64_t count) {
  if (!FitsMergedCount(progress, count)) return false;
  block = HostBlock<T>(static_cast<std::size_t>(std::max<int64_t>(count, 0)));
  if (block) return true;
  ReportError(progress.view, kNoMemory);
  return false;
}

// Room for `count` face copies, reported like ObtainMerged.
[[nodiscard]] bool ObtainFaceCopies(JoinProgress& progress, std::optional<FaceCopies>& faces, int64_t count);

// The count and array of one kind of element (vertices, UVs, faces) of the
// result and of the second object; a negative count is read as 0.
template <typename T>
struct MergeSources {
  int32_t countA = 0;
  int32_t countB = 0;
  const T* a = nullptr;
  const T* b = nullptr;
};

// Reads both objects' vertices; reports -1008 when one that has vertices
// yields no array.
[[nodiscard]] bool ReadVertices(JoinProgress& progress, HostObject result, HostObject second,
                                MergeSources<CtsxVector3f>* sources);

// Both objects' face pointer arrays, as they are (an array may be null).
// The result's are read from `copiedFrom` (when nonzero), the object the
// result was just copied from, as long as it has as many faces: they are the
// same records, and asking the result for its own makes the host copy every
// record of it (a copy shares its source's until then), all of which the
// merge replaces.
MergeSources<CtsxFace*> ReadFaces(HostObject result, HostObject second, HostObject copiedFrom = 0);

// The result's UVs, then the second object's, in one host block; their
// counts in `ua` and `ub`. Reports -1008 as ReadVertices, or what
// ObtainMerged reports.
[[nodiscard]] bool MergeUVs(JoinProgress& progress, HostObject result, HostObject second, int32_t* ua, int32_t* ub,
                            HostBlock<CtsxUV>* merged);

// The second object's `count` vertices taken through world space into the
// result's, bit for bit what VertexToWorld followed by WorldToObject give
// per vertex; `to` may be `from`. Reports -1009 once when the result's
// transform has a zero scale.
[[nodiscard]] bool IntoResultSpace(JoinProgress& progress, HostObject second, HostObject result, int32_t count,
                                   const CtsxVector3f* from, CtsxVector3f* to);

// Calls `renumber(corners, count)` on the face's corner list and, when
// `holes`, on each hole's; false as soon as one call is.
template <typename Renumber>
bool RenumberFace(CtsxFace* face, bool holes, Renumber&& renumber) {
  bool ok = renumber(face->corners, std::max<int32_t>(face->nbrCorners, 0));
  const int32_t nh = holes ? tsxFaceGetNbrHoles(face) : 0;
  CtsxHole** hole = nh > 0 ? tsxFaceGetHoleptrArray(face) : nullptr;
  for (int32_t h = 0; hole && h < nh && ok; ++h) {
    ok = renumber(hole[h]->corners, std::max<int32_t>(hole[h]->nbrCorners, 0));
  }
  return ok;
}

// Replaces the result's vertices, UVs and faces, in that order. The host
// takes each array over, refused or not, so all three are handed over
// before any status is looked at; the first refusal is reported.
bool HandOverMerged(JoinProgress& progress, HostObject result, int32_t vertexCount, CtsxVector3f* vertices,
                    int32_t uvCount, CtsxUV* uvs, int32_t faceCount, CtsxFace** faces);

}  // namespace spl
