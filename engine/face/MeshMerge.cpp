#include "engine/face/MeshMerge.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/common/Errors.h"
#include "engine/common/FaceCopies.h"
#include "engine/common/HostBlock.h"
#include "engine/common/MergeSteps.h"
#include "engine/common/Progress.h"
#include "engine/face/JunctionWeld.h"

namespace spl {
namespace {

int32_t CornerCount(const CtsxFace* face) { return std::max<int32_t>(face->nbrCorners, 0); }

class Merge {
 public:
  Merge(JoinProgress& progress, HostObject result, HostObject second, HostObject copiedFrom)
      : progress_(progress), result_(result), second_(second), copiedFrom_(copiedFrom) {}
  void Run();

 private:
  bool MergeVertices();
  bool MergeUVs();
  bool CopyFaces();
  bool BuildWeld(CtsxFace* const* facesA, CtsxFace* const* facesB);
  void Renumber();
  bool CloseUp();
  bool HandOver();

  JoinProgress& progress_;
  HostObject result_;
  HostObject second_;
  HostObject copiedFrom_;
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
  if (!AnnounceStage(progress_, "Merging vertices...")) return;
  if (!MergeVertices() || !AdvancePhase(progress_, int64_t{va_} + 2 * int64_t{vb_}, "Merging UV indeces...")) {
    return;
  }
  if (!MergeUVs() || !AdvancePhase(progress_, int64_t{ua_} + ub_, "Merging faces...")) return;
  if (!CopyFaces() || !AdvancePhase(progress_, int64_t{fa_} + fb_, "Arranging topology(1)...")) return;
  Renumber();
  if (!AdvancePhase(progress_, 2 * (int64_t{fb_} - 1), "Arranging topology(2)...")) return;
  if (!CloseUp() || !AdvancePhase(progress_, int64_t{fb_} - 1 + va_ + vb_, "Merging objects done!")) return;
  HandOver();
}

bool Merge::MergeVertices() {
  MergeSources<CtsxVector3f> sources;
  if (!ReadVertices(progress_, result_, second_, &sources)) return false;
  va_ = sources.countA;
  vb_ = sources.countB;
  if (!ObtainMerged(progress_, merged_, int64_t{va_} + vb_)) return false;
  if (va_ > 0) std::memcpy(merged_.get(), sources.a, sizeof(CtsxVector3f) * static_cast<std::size_t>(va_));
  if (vb_ == 0) return true;
  return IntoResultSpace(progress_, second_, result_, vb_, sources.b, merged_.get() + va_);
}

bool Merge::MergeUVs() { return spl::MergeUVs(progress_, result_, second_, &ua_, &ub_, &uvs_); }

bool Merge::CopyFaces() {
  const MergeSources<CtsxFace*> sources = ReadFaces(result_, second_, copiedFrom_);
  fa_ = sources.countA;
  fb_ = sources.countB;
  CtsxFace* const* facesA = sources.a;
  CtsxFace* const* facesB = sources.b;
  if (!ObtainFaceCopies(progress_, faces_, int64_t{fa_} + fb_)) return false;
  if (!BuildWeld(facesA, facesB)) return false;
  material_ = facesA[0]->materialIndex;  // face 0 even when it is face A

  const auto copyRun = [this](CtsxFace* const* faces, int32_t count, int32_t skip) {
    for (int32_t i = 0; i < count; ++i) {
      if (i == skip) continue;
      if (const int32_t status = faces_->Append(faces[i]); status != 0) {
        ReportError(progress_.view, status);
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
bool Merge::BuildWeld(CtsxFace* const* facesA, CtsxFace* const* facesB) {
  const int32_t junctionA = JoinState.JunctionFaceA;
  const int32_t junctionB = JoinState.JunctionFaceB;
  if (!facesA || !facesB || junctionA < 0 || junctionA >= fa_ || junctionB < 0 || junctionB >= fb_) {
    ReportError(progress_.view, kJunctionNotFound);
    return false;
  }
  const CtsxFace* faceA = facesA[junctionA];
  const CtsxFace* faceB = facesB[junctionB];
  const int32_t n = CornerCount(faceA);
  int32_t k = JoinState.JunctionCornerB;
  if (n == 0 || CornerCount(faceB) != n || k < 0 || k >= n) {
    ReportError(progress_.view, kJunctionNotFound);
    return false;
  }
  std::vector<int32_t> keep(static_cast<std::size_t>(n));
  std::vector<int32_t> drop(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const int32_t a = faceA->corners[i].vindex;
    const int32_t b = faceB->corners[k].vindex;
    if (a < 0 || a >= va_ || b < 0 || b >= vb_) {
      ReportError(progress_.view, e_tsxBAD_INPUT);
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
    return true;
  };
  const bool holes = JoinState.HoleMergeEnabled;
  for (int32_t pos = fa_ - 1; pos < faces_->Made(); ++pos) {
    CtsxFace* face = (*faces_)[pos];
    face->materialIndex = material_;
    static_cast<void>(RenumberFace(face, holes, renumber));  // cannot fail
  }
}

// Drops face B's vertices (the corners were closed up over them already).
bool Merge::CloseUp() {
  const std::size_t total = static_cast<std::size_t>(va_) + static_cast<std::size_t>(vb_);
  if (!ObtainMerged(progress_, compact_, int64_t{va_} + vb_)) return false;
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

// A refusal leaves the result possibly half replaced; the driver then
// deletes it and it never reaches the scene.
bool Merge::HandOver() {
  return HandOverMerged(progress_, result_, kept_, compact_.release(), ua_ + ub_, uvs_.release(), fa_ + fb_ - 2,
                        faces_->Release());
}

}  // namespace

void MergeObjects(JoinProgress& progress, HostObject result, HostObject second, HostObject copiedFrom) {
  Merge(progress, result, second, copiedFrom).Run();
}

}  // namespace spl
