#include "MeshMerge.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "Errors.h"
#include "FaceCopies.h"
#include "HostBlock.h"
#include "JunctionWeld.h"
#include "Progress.h"
#include "Saturate.h"
#include "Transforms.h"

namespace spl {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// One progress call between phases: the finished phase's steps and the text
// of the phase that begins. False when the join has to stop.
bool Advance(int64_t steps, std::string_view next) { return ReportProgress(SaturateToInt32(steps), next, 1); }

// A count of the merged object, refused when it does not fit the host's
// 32-bit counts.
bool FitsCount(int64_t count) {
  if (count <= kInt32Max) return true;
  ReportError(e_tsxOVERFLOW);
  return false;
}

int32_t CornerCount(const CtsxFace* face) { return std::max<int32_t>(face->nbrCorners, 0); }

class Merge {
 public:
  Merge(HostObject result, HostObject second) : result_(result), second_(second) {}
  void Run();

 private:
  bool MergeVertices();
  bool MergeUVs();
  bool CopyFaces();
  bool BuildWeld(CtsxFace** facesA, CtsxFace** facesB);
  void Renumber();
  bool CloseUp();
  bool HandOver();

  HostObject result_;
  HostObject second_;
  int32_t va_ = 0, vb_ = 0, ua_ = 0, ub_ = 0, fa_ = 0, fb_ = 0;
  int32_t kept_ = 0;  // vertices that survive the weld
  HostBlock<CtsxVector3f> merged_;
  HostBlock<CtsxUV> uvs_;
  std::optional<FaceCopies> faces_;
  HostBlock<CtsxVector3f> compact_;
  std::optional<JunctionWeld> weld_;
  uint16_t material_ = 0;
};

void Merge::Run() {
  // An abort seen here is reported already; going on would report it again.
  if (!AnnounceStage("Merging vertices...")) return;
  if (!MergeVertices() || !Advance(int64_t{va_} + 2 * int64_t{vb_}, "Merging UV indeces...")) {
    return;
  }
  if (!MergeUVs() || !Advance(int64_t{ua_} + ub_, "Merging faces...")) return;
  if (!CopyFaces() || !Advance(int64_t{fa_} + fb_, "Arranging topology(1)...")) return;
  Renumber();
  if (!Advance(2 * (int64_t{fb_} - 1), "Arranging topology(2)...")) return;
  if (!CloseUp() || !Advance(int64_t{fb_} - 1 + va_ + vb_, "Merging objects done!")) return;
  HandOver();
}

bool Merge::MergeVertices() {
  va_ = std::max(tsxPolyhGetNbrVxs(result_), 0);
  vb_ = std::max(tsxPolyhGetNbrVxs(second_), 0);
  const CtsxVector3f* a = tsxPolyhGetVxArray(result_);
  const CtsxVector3f* b = tsxPolyhGetVxArray(second_);
  if ((va_ > 0 && !a) || (vb_ > 0 && !b)) {
    ReportError(kSecondGone);
    return false;
  }
  if (!FitsCount(int64_t{va_} + vb_)) return false;
  merged_ = HostBlock<CtsxVector3f>(static_cast<std::size_t>(va_) + static_cast<std::size_t>(vb_));
  if (!merged_) {
    ReportError(kNoMemory);
    return false;
  }
  if (va_ > 0) std::memcpy(merged_.get(), a, sizeof(CtsxVector3f) * static_cast<std::size_t>(va_));
  if (vb_ == 0) return true;
  // Read and decomposed once; bit for bit what VertexToWorld on the second
  // object followed by WorldToObject on the result give per vertex.
  const ObjectTransform toWorld(second_);
  const ObjectTransform toResult(result_);
  if (toResult.HasZeroScale()) {
    ReportError(kZeroScale);  // once, not once per vertex
    return false;
  }
  CtsxVector3f* out = merged_.get() + va_;
  toWorld.ToWorld(vb_, b, out);
  toResult.ToObject(vb_, out, out);
  return true;
}

bool Merge::MergeUVs() {
  ua_ = std::max(tsxPolyhGetNbrUV(result_), 0);
  ub_ = std::max(tsxPolyhGetNbrUV(second_), 0);
  const CtsxUV* a = tsxPolyhGetUVArray(result_);
  const CtsxUV* b = tsxPolyhGetUVArray(second_);
  if ((ua_ > 0 && !a) || (ub_ > 0 && !b)) {
    ReportError(kSecondGone);
    return false;
  }
  if (!FitsCount(int64_t{ua_} + ub_)) return false;
  uvs_ = HostBlock<CtsxUV>(static_cast<std::size_t>(ua_) + static_cast<std::size_t>(ub_));
  if (!uvs_) {
    ReportError(kNoMemory);
    return false;
  }
  if (ua_ > 0) std::memcpy(uvs_.get(), a, sizeof(CtsxUV) * static_cast<std::size_t>(ua_));
  if (ub_ > 0) std::memcpy(uvs_.get() + ua_, b, sizeof(CtsxUV) * static_cast<std::size_t>(ub_));
  return true;
}

bool Merge::CopyFaces() {
  fa_ = std::max(tsxPolyhGetNbrFaces(result_), 0);
  fb_ = std::max(tsxPolyhGetNbrFaces(second_), 0);
  CtsxFace** facesA = tsxPolyhGetFaceptrArray(result_);
  CtsxFace** facesB = tsxPolyhGetFaceptrArray(second_);
  if (!FitsCount(int64_t{fa_} + fb_)) return false;
  faces_.emplace(static_cast<std::size_t>(fa_) + static_cast<std::size_t>(fb_));
  if (!*faces_) {
    ReportError(kNoMemory);
    return false;
  }
  if (!BuildWeld(facesA, facesB)) return false;
  material_ = facesA[0]->materialIndex;  // face 0 even when it is face A

  const auto copyRun = [this](CtsxFace** faces, int32_t count, int32_t skip) {
    for (int32_t i = 0; i < count; ++i) {
      if (i == skip) continue;
      if (const int32_t status = faces_->Append(faces[i]); status != 0) {
        ReportError(status);
        return false;
      }
    }
    return true;
  };
  return copyRun(facesA, fa_, JoinState.JunctionFaceA) &&
         copyRun(facesB, fb_, JoinState.JunctionFaceB);
}

// Pairs corner i of face A with corner (JunctionCornerB - i) mod N of face B.
// A junction that does not fit the objects as they are now (an object
// changed or deleted during the join) is refused rather than followed.
bool Merge::BuildWeld(CtsxFace** facesA, CtsxFace** facesB) {
  const int32_t junctionA = JoinState.JunctionFaceA;
  const int32_t junctionB = JoinState.JunctionFaceB;
  if (!facesA || !facesB || junctionA < 0 || junctionA >= fa_ || junctionB < 0 || junctionB >= fb_) {
    ReportError(kJunctionNotFound);
    return false;
  }
  const CtsxFace* faceA = facesA[junctionA];
  const CtsxFace* faceB = facesB[junctionB];
  const int32_t n = CornerCount(faceA);
  int32_t k = JoinState.JunctionCornerB;
  if (n == 0 || CornerCount(faceB) != n || k < 0 || k >= n) {
    ReportError(kJunctionNotFound);
    return false;
  }
  std::vector<int32_t> keep(static_cast<std::size_t>(n));
  std::vector<int32_t> drop(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const int32_t a = faceA->corners[i].vindex;
    const int32_t b = faceB->corners[k].vindex;
    if (a < 0 || a >= va_ || b < 0 || b >= vb_) {
      ReportError(e_tsxBAD_INPUT);
      return false;
    }
    keep[static_cast<std::size_t>(i)] = a;
    drop[static_cast<std::size_t>(i)] = b + va_;
    k = k == 0 ? n - 1 : k - 1;
  }
  weld_.emplace(keep.data(), drop.data(), n);
  return true;
}

// Onto the merged numbering: vertex indices + VA, welded, and closed up
// over face B's dropped vertices; UV indices + UA except a corner without a
// UV, which keeps -1. Closing up belongs to the next phase, but the copies
// are the merge's own until handed over: doing it in the same pass saves a
// walk over every corner and nobody can tell.
void Merge::Renumber() {
  const JunctionWeld& weld = *weld_;
  const int32_t va = va_;
  const int32_t ua = ua_;
  const auto renumber = [&weld, va, ua](CtsxCorner* corner, int32_t n) {
    for (int32_t c = 0; c < n; ++c) {
      const int32_t welded = weld.Weld(corner[c].vindex + va);
      corner[c].vindex = welded - weld.DroppedBelow(welded);
      if (corner[c].uvindex >= 0) corner[c].uvindex += ua;
    }
  };
  const bool holes = JoinState.HoleMergeEnabled;
  for (int32_t pos = fa_ - 1; pos < faces_->Made(); ++pos) {
    CtsxFace* face = (*faces_)[pos];
    face->materialIndex = material_;
    renumber(face->corners, CornerCount(face));
    if (!holes) continue;
    const int32_t nh = tsxFaceGetNbrHoles(face);
    if (nh <= 0) continue;
    CtsxHole** hole = tsxFaceGetHoleptrArray(face);
    if (!hole) continue;
    for (int32_t h = 0; h < nh; ++h) renumber(hole[h]->corners, std::max<int32_t>(hole[h]->nbrCorners, 0));
  }
}

// Drops face B's vertices (the corners were closed up over them already).
bool Merge::CloseUp() {
  const std::size_t total = static_cast<std::size_t>(va_) + static_cast<std::size_t>(vb_);
  compact_ = HostBlock<CtsxVector3f>(total);
  if (!compact_) {
    ReportError(kNoMemory);
    return false;
  }
  std::size_t from = 0;
  std::size_t to = 0;
  for (const int32_t dropped : weld_->Dropped()) {
    const auto end = static_cast<std::size_t>(dropped);
    std::memcpy(compact_.get() + to, merged_.get() + from, sizeof(CtsxVector3f) * (end - from));
    to += end - from;
    from = end + 1;
  }
  std::memcpy(compact_.get() + to, merged_.get() + from, sizeof(CtsxVector3f) * (total - from));
  kept_ = static_cast<int32_t>(to + total - from);
  return true;
}

// The host takes each array over, refused or not, so all three are handed
// over before any status is looked at. A refusal is reported: the result,
// possibly half replaced, is then deleted by the driver and never reaches
// the scene.
bool Merge::HandOver() {
  const int32_t status[] = {
      tsxPolyhSetVxs(result_, kept_, compact_.release()),
      tsxPolyhSetUVArray(result_, ua_ + ub_, uvs_.release()),
      tsxPolyhSetFaces(result_, fa_ + fb_ - 2, faces_->Release()),
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

void MergeObjects(HostObject result, HostObject second) { Merge(result, second).Run(); }

}  // namespace spl
