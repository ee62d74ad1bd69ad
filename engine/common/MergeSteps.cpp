#include "engine/common/MergeSteps.h"

#include <cstring>
#include <limits>

#include "engine/common/Progress.h"
#include "engine/common/Saturate.h"
#include "engine/common/Transforms.h"

namespace spl {

bool AdvancePhase(JoinProgress& progress, int64_t steps, std::string_view next) {
  return ReportWideProgress(progress, steps, next, 1);
}

bool FitsMergedCount(JoinProgress& progress, int64_t count) {
  if (count <= std::numeric_limits<int32_t>::max()) return true;
  ReportError(progress.view, e_tsxOVERFLOW);
  return false;
}

bool ObtainFaceCopies(JoinProgress& progress, std::optional<FaceCopies>& faces, int64_t count) {
  if (!FitsMergedCount(progress, count)) return false;
  faces.emplace(static_cast<std::size_t>(std::max<int64_t>(count, 0)));
  if (*faces) return true;
  ReportError(progress.view, kNoMemory);
  return false;
}

namespace {

template <typename T, typename Count, typename Array>
MergeSources<T> ReadSources(HostObject result, HostObject second, Count count, Array array) {
  MergeSources<T> sources;
  sources.countA = std::max(count(result), 0);
  sources.countB = std::max(count(second), 0);
  sources.a = array(result);
  sources.b = array(second);
  return sources;
}

// An object that has elements but yields no array has gone.
template <typename T>
bool Present(JoinProgress& progress, const MergeSources<T>& sources) {
  if ((sources.countA > 0 && !sources.a) || (sources.countB > 0 && !sources.b)) {
    ReportError(progress.view, kSecondGone);
    return false;
  }
  return true;
}

}  // namespace

bool ReadVertices(JoinProgress& progress, HostObject result, HostObject second,
                  MergeSources<CtsxVector3f>* sources) {
  *sources = ReadSources<CtsxVector3f>(result, second, tsxPolyhGetNbrVxs, tsxPolyhGetVxArray);
  return Present(progress, *sources);
}

MergeSources<CtsxFace*> ReadFaces(HostObject result, HostObject second, HostObject copiedFrom) {
  const bool same = copiedFrom != 0 && copiedFrom != result &&
                    tsxPolyhGetNbrFaces(copiedFrom) == tsxPolyhGetNbrFaces(result);
  return ReadSources<CtsxFace*>(same ? copiedFrom : result, second, tsxPolyhGetNbrFaces, tsxPolyhGetFaceptrArray);
}

bool MergeUVs(JoinProgress& progress, HostObject result, HostObject second, int32_t* ua, int32_t* ub,
              HostBlock<CtsxUV>* merged) {
  const MergeSources<CtsxUV> sources = ReadSources<CtsxUV>(result, second, tsxPolyhGetNbrUV, tsxPolyhGetUVArray);
  *ua = sources.countA;
  *ub = sources.countB;
  if (!Present(progress, sources) || !ObtainMerged(progress, *merged, int64_t{sources.countA} + sources.countB)) {
    return false;
  }
  const auto size = [](int32_t count) { return sizeof(CtsxUV) * static_cast<std::size_t>(count); };
  if (sources.countA > 0) std::memcpy(merged->get(), sources.a, size(sources.countA));
  if (sources.countB > 0) std::memcpy(merged->get() + sources.countA, sources.b, size(sources.countB));
  return true;
}

bool IntoResultSpace(JoinProgress& progress, HostObject second, HostObject result, int32_t count,
                     const CtsxVector3f* from, CtsxVector3f* to) {
  // Read and decomposed once, not once per vertex.
  const ObjectTransform toWorld(second);
  const ObjectTransform toResult(result);
  if (toResult.HasZeroScale()) {
    ReportError(progress.view, kZeroScale);  // once, not once per vertex
    return false;
  }
  if (count > 0) {
    toWorld.ToWorld(count, from, to);
    toResult.ToObject(count, to, to);
  }
  return true;
}

bool HandOverMerged(JoinProgress& progress, HostObject result, int32_t vertexCount, CtsxVector3f* vertices,
                    int32_t uvCount, CtsxUV* uvs, int32_t faceCount, CtsxFace** faces) {
  const int32_t status[] = {
      tsxPolyhSetVxs(result, vertexCount, vertices),
      tsxPolyhSetUVArray(result, uvCount, uvs),
      tsxPolyhSetFaces(result, faceCount, faces),
  };
  for (const int32_t s : status) {
    if (s != 0) {
      ReportError(progress.view, s);
      return false;
    }
  }
  return true;
}

}  // namespace spl
