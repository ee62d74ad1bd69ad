#include "engine/seam/SeamMerge.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "engine/common/Errors.h"
#include "engine/common/FaceCopies.h"
#include "engine/common/HostBlock.h"
#include "engine/common/MergeSteps.h"
#include "engine/common/Progress.h"

namespace spl {
namespace {

// Rising indices, each in [0, count).
bool RisingWithin(std::span<const int32_t> indices, int32_t count) {
  for (std::size_t i = 0; i < indices.size(); ++i) {
    if (indices[i] < 0 || indices[i] >= count || (i > 0 && indices[i] <= indices[i - 1])) return false;
  }
  return true;
}

class SeamMerge {
 public:
  SeamMerge(JoinProgress& progress, HostObject result, HostObject second, const JoinedSeam& seam,
            HostObject copiedFrom)
      : progress_(progress), result_(result), second_(second), copiedFrom_(copiedFrom), seam_(seam) {}
  void Run();

 private:
  bool MergeVertices();
  bool MergeUVs();
  bool CopyFaces();
  bool CopyRun(CtsxFace* const* faces, int32_t count, std::span<const int32_t> dropped);
  bool Renumber();
  bool RenumberCorners(CtsxCorner* corners, int32_t count) const;
  bool HandOver();

  JoinProgress& progress_;
  HostObject result_;
  HostObject second_;
  HostObject copiedFrom_;
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
  if (!AnnounceStage(progress_, "Merging vertices...")) return;
  if (!MergeVertices() || !AdvancePhase(progress_, int64_t{va_} + vb_, "Merging UV indeces...")) return;
  if (!MergeUVs() || !AdvancePhase(progress_, int64_t{ua_} + ub_, "Merging faces...")) return;
  if (!CopyFaces() || !AdvancePhase(progress_, int64_t{fa_} + fb_, "Arranging topology(1)...")) return;
  if (!Renumber() || !AdvancePhase(progress_, fb_, "Merging objects done!")) return;
  HandOver();
}

// The result's vertices as they are, then the second object's through world
// space into the result's, bit for bit as the plain merge takes them, less
// the welded ones.
bool SeamMerge::MergeVertices() {
  MergeSources<CtsxVector3f> sources;
  if (!ReadVertices(progress_, result_, second_, &sources)) return false;
  va_ = sources.countA;
  vb_ = sources.countB;
  // A seam that does not fit the objects as they are now (one changed
  // during the join) is refused rather than followed.
  const std::span<const int32_t> welded(seam_.weldedVerticesB);
  if (!RisingWithin(welded, vb_) || seam_.weldedOntoA.size() != welded.size() ||
      std::any_of(seam_.weldedOntoA.begin(), seam_.weldedOntoA.end(), [this](int32_t v) { return v < 0 || v >= va_; })) {
    ReportError(progress_.view, kJunctionNotFound);
    return false;
  }
  kept_ = va_ + vb_ - static_cast<int32_t>(welded.size());
  HostBlock<CtsxVector3f> moved;
  if (!ObtainMerged(progress_, remap_, vb_) || !ObtainMerged(progress_, vertices_, kept_) ||
      !ObtainMerged(progress_, moved, vb_) ||
      !IntoResultSpace(progress_, second_, result_, vb_, sources.b, moved.get())) {
    return false;
  }
  if (va_ > 0) std::memcpy(vertices_.get(), sources.a, sizeof(CtsxVector3f) * static_cast<std::size_t>(va_));
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

bool SeamMerge::MergeUVs() { return spl::MergeUVs(progress_, result_, second_, &ua_, &ub_, &uvs_); }

bool SeamMerge::CopyFaces() {
  const MergeSources<CtsxFace*> sources = ReadFaces(result_, second_, copiedFrom_);
  fa_ = sources.countA;
  fb_ = sources.countB;
  CtsxFace* const* facesA = sources.a;
  CtsxFace* const* facesB = sources.b;
  if (!facesA || !facesB || fa_ == 0 || !RisingWithin(seam_.droppedFacesA, fa_) ||
      !RisingWithin(seam_.droppedFacesB, fb_)) {
    ReportError(progress_.view, kJunctionNotFound);
    return false;
  }
  secondRun_ = fa_ - static_cast<int32_t>(seam_.droppedFacesA.size());
  const int64_t total = int64_t{secondRun_} + fb_ - static_cast<int64_t>(seam_.droppedFacesB.size());
  if (!ObtainFaceCopies(progress_, faces_, total)) return false;
  material_ = facesA[0]->materialIndex;  // face 0 even when it is dropped
  return CopyRun(facesA, fa_, seam_.droppedFacesA) && CopyRun(facesB, fb_, seam_.droppedFacesB);
}

bool SeamMerge::CopyRun(CtsxFace* const* faces, int32_t count, std::span<const int32_t> dropped) {
  std::size_t d = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (d < dropped.size() && dropped[d] == i) {
      ++d;
      continue;
    }
    if (const int32_t status = faces_->Append(faces[i]); status != 0) {
      ReportError(progress_.view, status);
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
    const bool ok = RenumberFace(face, holes, [this](CtsxCorner* corners, int32_t count) {
      return RenumberCorners(corners, count);
    });
    if (!ok) {
      ReportError(progress_.view, e_tsxBAD_INPUT);
      return false;
    }
  }
  return true;
}

// A refused replacement is reported: the result would otherwise reach the
// scene half replaced.
bool SeamMerge::HandOver() {
  const int32_t faceCount = faces_->Made();
  return HandOverMerged(progress_, result_, kept_, vertices_.release(), ua_ + ub_, uvs_.release(), faceCount,
                        faces_->Release());
}

}  // namespace

void MergeAlongSeam(JoinProgress& progress, HostObject result, HostObject second, const JoinedSeam& seam,
                    HostObject copiedFrom) {
  SeamMerge(progress, result, second, seam, copiedFrom).Run();
}

int64_t SeamMergeSteps(HostObject first, HostObject second) {
  const int64_t vertices = int64_t{tsxPolyhGetNbrVxs(first)} + tsxPolyhGetNbrVxs(second);
  const int64_t uvs = int64_t{tsxPolyhGetNbrUV(first)} + tsxPolyhGetNbrUV(second);
  const int64_t faces = int64_t{tsxPolyhGetNbrFaces(first)} + tsxPolyhGetNbrFaces(second);
  return vertices + uvs + faces + tsxPolyhGetNbrFaces(second);
}

}  // namespace spl
