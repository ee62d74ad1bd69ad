#include "SeamMerge.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string_view>

#include "Errors.h"
#include "FaceCopies.h"
#include "HostBlock.h"
#include "Progress.h"
#include "Transforms.h"

namespace spl {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// One progress call between phases: the finished phase's steps and the text
// of the phase that begins. False when the join has to stop.
bool Advance(int64_t steps, std::string_view next) {
  return ReportProgress(static_cast<int32_t>(std::clamp<int64_t>(steps, 0, kInt32Max)), next, 1);
}

template <typename T>
bool Obtain(HostBlock<T>& block, int64_t count) {
  if (count > kInt32Max) {
    ReportError(e_tsxOVERFLOW);
    return false;
  }
  block = HostBlock<T>(static_cast<std::size_t>(std::max<int64_t>(count, 0)));
  if (block) return true;
  ReportError(kNoMemory);
  return false;
}

// Rising indices, each in [0, count).
bool RisingWithin(std::span<const int32_t> indices, int32_t count) {
  for (std::size_t i = 0; i < indices.size(); ++i) {
    if (indices[i] < 0 || indices[i] >= count || (i > 0 && indices[i] <= indices[i - 1])) return false;
  }
  return true;
}

class SeamMerge {
 public:
  SeamMerge(HostObject result, HostObject second, const JoinedSeam& seam)
      : result_(result), second_(second), seam_(seam) {}
  void Run();

 private:
  bool MergeVertices();
  bool MergeUVs();
  bool CopyFaces();
  bool CopyRun(CtsxFace** faces, int32_t count, std::span<const int32_t> dropped);
  bool Renumber();
  bool RenumberCorners(CtsxCorner* corners, int32_t count) const;
  bool HandOver();

  HostObject result_;
  HostObject second_;
  const JoinedSeam& seam_;
  int32_t va_ = 0, vb_ = 0, ua_ = 0, ub_ = 0, fa_ = 0, fb_ = 0;
  int32_t kept_ = 0;         // vertices of the result
  int32_t secondRun_ = 0;    // position of the second object's first face
  HostBlock<int32_t> remap_;  // per vertex of the second object: its index in the result
  HostBlock<CtsxVector3f> vertices_;
  HostBlock<CtsxUV> uvs_;
  std::optional<FaceCopies> faces_;
  uint16_t material_ = 0;
};

void SeamMerge::Run() {
  if (!AnnounceStage("Merging vertices...")) return;
  if (!MergeVertices() || !Advance(int64_t{va_} + vb_, "Merging UV indeces...")) return;
  if (!MergeUVs() || !Advance(int64_t{ua_} + ub_, "Merging faces...")) return;
  if (!CopyFaces() || !Advance(int64_t{fa_} + fb_, "Arranging topology(1)...")) return;
  if (!Renumber() || !Advance(fb_, "Merging objects done!")) return;
  HandOver();
}

// The result's vertices as they are, then the second object's through world
// space into the result's, bit for bit as the plain merge takes them, less
// the welded ones.
bool SeamMerge::MergeVertices() {
  va_ = std::max(tsxPolyhGetNbrVxs(result_), 0);
  vb_ = std::max(tsxPolyhGetNbrVxs(second_), 0);
  const CtsxVector3f* a = tsxPolyhGetVxArray(result_);
  const CtsxVector3f* b = tsxPolyhGetVxArray(second_);
  if ((va_ > 0 && !a) || (vb_ > 0 && !b)) {
    ReportError(kSecondGone);
    return false;
  }
  // A seam that does not fit the objects as they are now (one changed
  // during the join) is refused rather than followed.
  const std::span<const int32_t> welded(seam_.weldedVerticesB);
  if (!RisingWithin(welded, vb_) || seam_.weldedOntoA.size() != welded.size() ||
      std::any_of(seam_.weldedOntoA.begin(), seam_.weldedOntoA.end(), [this](int32_t v) { return v < 0 || v >= va_; })) {
    ReportError(kJunctionNotFound);
    return false;
  }
  kept_ = va_ + vb_ - static_cast<int32_t>(welded.size());
  HostBlock<CtsxVector3f> moved;
  if (!Obtain(remap_, vb_) || !Obtain(vertices_, kept_) || !Obtain(moved, vb_)) return false;
  const ObjectTransform toWorld(second_);
  const ObjectTransform toResult(result_);
  if (toResult.HasZeroScale()) {
    ReportError(kZeroScale);
    return false;
  }
  if (vb_ > 0) {
    toWorld.ToWorld(vb_, b, moved.get());
    toResult.ToObject(vb_, moved.get(), moved.get());
  }
  if (va_ > 0) std::memcpy(vertices_.get(), a, sizeof(CtsxVector3f) * static_cast<std::size_t>(va_));
  int32_t next = va_;
  std::size_t w = 0;
  for (int32_t v = 0; v < vb_; ++v) {
    if (w < welded.size() && welded[w] == v) {
      remap_[static_cast<std::size_t>(v)] = seam_.weldedOntoA[w++];
    } else {
      vertices_[static_cast<std::size_t>(next)] = moved[static_cast<std::size_t>(v)];
      remap_[static_cast<std::size_t>(v)] = next++;
    }
  }
  return true;
}

bool SeamMerge::MergeUVs() {
  ua_ = std::max(tsxPolyhGetNbrUV(result_), 0);
  ub_ = std::max(tsxPolyhGetNbrUV(second_), 0);
  const CtsxUV* a = tsxPolyhGetUVArray(result_);
  const CtsxUV* b = tsxPolyhGetUVArray(second_);
  if ((ua_ > 0 && !a) || (ub_ > 0 && !b)) {
    ReportError(kSecondGone);
    return false;
  }
  if (!Obtain(uvs_, int64_t{ua_} + ub_)) return false;
  if (ua_ > 0) std::memcpy(uvs_.get(), a, sizeof(CtsxUV) * static_cast<std::size_t>(ua_));
  if (ub_ > 0) std::memcpy(uvs_.get() + ua_, b, sizeof(CtsxUV) * static_cast<std::size_t>(ub_));
  return true;
}

bool SeamMerge::CopyFaces() {
  fa_ = std::max(tsxPolyhGetNbrFaces(result_), 0);
  fb_ = std::max(tsxPolyhGetNbrFaces(second_), 0);
  CtsxFace** facesA = tsxPolyhGetFaceptrArray(result_);
  CtsxFace** facesB = tsxPolyhGetFaceptrArray(second_);
  if (!facesA || !facesB || fa_ == 0 || !RisingWithin(seam_.droppedFacesA, fa_) ||
      !RisingWithin(seam_.droppedFacesB, fb_)) {
    ReportError(kJunctionNotFound);
    return false;
  }
  secondRun_ = fa_ - static_cast<int32_t>(seam_.droppedFacesA.size());
  const int64_t total = int64_t{secondRun_} + fb_ - static_cast<int64_t>(seam_.droppedFacesB.size());
  if (total > kInt32Max) {
    ReportError(e_tsxOVERFLOW);
    return false;
  }
  faces_.emplace(static_cast<std::size_t>(total));
  if (!*faces_) {
    ReportError(kNoMemory);
    return false;
  }
  material_ = facesA[0]->materialIndex;  // face 0 even when it is dropped
  return CopyRun(facesA, fa_, seam_.droppedFacesA) && CopyRun(facesB, fb_, seam_.droppedFacesB);
}

bool SeamMerge::CopyRun(CtsxFace** faces, int32_t count, std::span<const int32_t> dropped) {
  std::size_t d = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (d < dropped.size() && dropped[d] == i) {
      ++d;
      continue;
    }
    if (const int32_t status = faces_->Append(faces[i]); status != 0) {
      ReportError(status);
      return false;
    }
  }
  return true;
}

// Vertex indices onto the result's numbering, UV indices + UA except a
// corner without a UV, which keeps -1. A vertex index the second object
// does not have is refused.
bool SeamMerge::RenumberCorners(CtsxCorner* corners, int32_t count) const {
  for (int32_t c = 0; c < count; ++c) {
    const int32_t v = corners[c].vindex;
    if (v < 0 || v >= vb_) return false;
    corners[c].vindex = remap_[static_cast<std::size_t>(v)];
    if (corners[c].uvindex >= 0) corners[c].uvindex += ua_;
  }
  return true;
}

bool SeamMerge::Renumber() {
  const bool holes = JoinState.HoleMergeEnabled;
  for (int32_t pos = secondRun_; pos < faces_->Made(); ++pos) {
    CtsxFace* face = (*faces_)[pos];
    face->materialIndex = material_;
    bool ok = RenumberCorners(face->corners, std::max<int32_t>(face->nbrCorners, 0));
    const int32_t nh = holes ? tsxFaceGetNbrHoles(face) : 0;
    CtsxHole** hole = nh > 0 ? tsxFaceGetHoleptrArray(face) : nullptr;
    for (int32_t h = 0; hole && h < nh && ok; ++h) {
      ok = RenumberCorners(hole[h]->corners, std::max<int32_t>(hole[h]->nbrCorners, 0));
    }
    if (!ok) {
      ReportError(e_tsxBAD_INPUT);
      return false;
    }
  }
  return true;
}

// The host takes each array over. A refused replacement is reported: the
// result would otherwise reach the scene half replaced.
bool SeamMerge::HandOver() {
  const int32_t faceCount = faces_->Made();
  const int32_t status[] = {
      tsxPolyhSetVxs(result_, kept_, vertices_.release()),
      tsxPolyhSetUVArray(result_, ua_ + ub_, uvs_.release()),
      tsxPolyhSetFaces(result_, faceCount, faces_->Release()),
  };
  for (const int32_t s : status) {
    if (s != 0) {
      ReportError(s);
      return false;
    }
  }
  return true;
}

}  // namespace

void MergeAlongSeam(HostObject result, HostObject second, const JoinedSeam& seam) {
  SeamMerge(result, second, seam).Run();
}

int64_t SeamMergeSteps(HostObject first, HostObject second) {
  const int64_t vertices = int64_t{tsxPolyhGetNbrVxs(first)} + tsxPolyhGetNbrVxs(second);
  const int64_t uvs = int64_t{tsxPolyhGetNbrUV(first)} + tsxPolyhGetNbrUV(second);
  const int64_t faces = int64_t{tsxPolyhGetNbrFaces(first)} + tsxPolyhGetNbrFaces(second);
  return vertices + uvs + faces + tsxPolyhGetNbrFaces(second);
}

}  // namespace spl
