#include "engine/contact/ContactMerge.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "engine/common/Errors.h"
#include "engine/common/FaceCopies.h"
#include "engine/common/HostBlock.h"
#include "engine/common/MergeSteps.h"
#include "engine/common/Progress.h"
#include "engine/common/ResultObject.h"
#include "engine/common/Transforms.h"
#include "engine/face/MaterialTransfer.h"

namespace spl {
namespace {

class ContactMerge {
 public:
  ContactMerge(JoinProgress& progress, HostObject result, const MergePlan& plan)
      : progress_(progress), result_(result), plan_(plan) {}
  MergeMade out;
  void Run();

 private:
  bool MergeVertices();
  bool MergeUVs();
  bool CopyFaces();
  // `moved`: a corner welded onto another vertex.
  bool RenumberFace(CtsxFace* face, size_t member, bool* moved) const;
  bool AppendSplit(const CtsxFace& face, int32_t source, size_t member, bool* made);
  bool AppendPieces(const CtsxFace& face, int32_t source, size_t member, const std::vector<MergePlan::Piece>& pieces);
  int32_t NewUV(const CtsxUV& uv);
  // `made` says where the corners come from (its face is filled in).
  bool AppendPlain(const CtsxFace& face, std::vector<CtsxCorner>& corners, RebuiltFace made);

  JoinProgress& progress_;
  HostObject result_;
  const MergePlan& plan_;
  std::vector<int32_t> vertexCount_, uvStart_;
  std::vector<int32_t> faceStart_;  // per member, its first face in the result
  std::vector<int32_t> remap_;      // per global vertex: its index in the result
  std::vector<std::vector<FaceRepeat>> repeats_;  // per member: faces that became several
  int32_t kept_ = 0, uvs_ = 0;
  bool renumberFirst_ = false;  // a first-member vertex welds onto another
  HostBlock<CtsxVector3f> vertices_;
  HostBlock<CtsxUV> uv_;
  std::optional<FaceCopies> faces_;
  std::vector<CtsxUV> newUVs_;  // UVs of points put into edges, after the members'
  const CtsxUV* uvSource_ = nullptr;
};

void ContactMerge::Run() {
  int64_t v = 0, uv = 0, f = 0;
  for (const HostObject m : plan_.members) {
    v += tsxPolyhGetNbrVxs(m);
    uv += tsxPolyhGetNbrUV(m);
    f += tsxPolyhGetNbrFaces(m);
  }
  if (!AnnounceStage(progress_, "Merging vertices...")) return;
  if (!MergeVertices() || !AdvancePhase(progress_, v, "Merging faces...")) return;
  if (!CopyFaces() || !AdvancePhase(progress_, f, "Merging UV indeces...")) return;
  if (!MergeUVs() || !AdvancePhase(progress_, uv, "Merging objects done!")) return;
  const int32_t faceCount = faces_->Made();
  if (!HandOverMerged(progress_, result_, kept_, vertices_.release(), uvs_, uv_.release(), faceCount,
                      faces_->Release())) {
    return;
  }
  RefreshResult(result_);
  std::vector<MaterialRun> runs;
  for (size_t m = 0; m < plan_.members.size(); ++m) {
    runs.push_back({plan_.members[m], plan_.dropped[m], faceStart_[m], repeats_[m]});
  }
  if (!TransferMaterialRuns(progress_, result_, runs, "Copying materials...")) return;
}

bool ContactMerge::MergeVertices() {
  const size_t n = plan_.members.size();
  int64_t total = 0;
  for (size_t m = 0; m < n; ++m) {
    const int32_t count = std::max(tsxPolyhGetNbrVxs(plan_.members[m]), 0);
    if (count > 0 && !tsxPolyhGetVxArray(plan_.members[m])) {
      ReportError(progress_.view, m == 0 ? kFirstGone : kSecondGone);
      return false;
    }
    vertexCount_.push_back(count);
    if (plan_.vertexStart[m] != total) {
      ReportError(progress_.view, kJunctionNotFound);  // the plan does not fit the objects as they are now
      return false;
    }
    total += count;
  }
  const auto made = int64_t(plan_.newPoints.size());
  if (int64_t(plan_.weldOnto.size()) != total + made) {
    ReportError(progress_.view, kJunctionNotFound);
    return false;
  }
  remap_.assign(static_cast<size_t>(total + made), -1);
  int64_t kept = vertexCount_[0] + made;
  for (int64_t g = vertexCount_[0]; g < total; ++g) kept += plan_.weldOnto[static_cast<size_t>(g)] == g;
  if (!ObtainMerged(progress_, vertices_, kept)) return false;
  kept_ = static_cast<int32_t>(kept);
  int32_t next = 0;
  for (size_t m = 0; m < n; ++m) {
    const HostObject member = plan_.members[m];
    const int32_t count = vertexCount_[m];
    HostBlock<CtsxVector3f> moved;
    if (m > 0 && (!ObtainMerged(progress_, moved, count) ||
                  !IntoResultSpace(progress_, member, result_, count, tsxPolyhGetVxArray(member), moved.get()))) {
      return false;
    }
    const CtsxVector3f* source = m == 0 ? tsxPolyhGetVxArray(member) : moved.get();
    for (int32_t v = 0; v < count; ++v) {
      const auto g = static_cast<size_t>(plan_.vertexStart[m] + v);
      const int64_t onto = plan_.weldOnto[g];
      if (onto < 0 || onto > int64_t(g)) {
        ReportError(progress_.view, kJunctionNotFound);
        return false;
      }
      if (m == 0 || onto == int64_t(g)) {
        vertices_[static_cast<size_t>(next)] = source[v];
        remap_[g] = next++;
      }
      if (onto != int64_t(g)) {
        remap_[g] = remap_[static_cast<size_t>(onto)];
        if (m == 0) renumberFirst_ = true;
      }
    }
  }
  // The points made at the contact, from world space into the result's.
  if (made > 0) {
    if (!ObjectTransform(result_).ToObject(static_cast<int32_t>(made), plan_.newPoints.data(), vertices_.get() + next)) {
      ReportError(progress_.view, kJunctionNotFound);
      return false;
    }
    for (int64_t k = 0; k < made; ++k) remap_[static_cast<size_t>(total + k)] = next++;
  }
  return true;
}

bool ContactMerge::MergeUVs() {
  const int64_t total = int64_t{uvStart_.back()} + std::max(tsxPolyhGetNbrUV(plan_.members.back()), 0);
  if (!ObtainMerged(progress_, uv_, total + int64_t(newUVs_.size()))) return false;
  uvs_ = static_cast<int32_t>(total + int64_t(newUVs_.size()));
  if (!newUVs_.empty()) std::memcpy(uv_.get() + total, newUVs_.data(), sizeof(CtsxUV) * newUVs_.size());
  for (size_t m = 0; m < plan_.members.size(); ++m) {
    const int32_t count = std::max(tsxPolyhGetNbrUV(plan_.members[m]), 0);
    if (count > 0) {
      std::memcpy(uv_.get() + uvStart_[m], tsxPolyhGetUVArray(plan_.members[m]),
                  sizeof(CtsxUV) * static_cast<size_t>(count));
    }
  }
  return true;
}

bool ContactMerge::RenumberFace(CtsxFace* face, size_t member, bool* moved) const {
  const int32_t vertices = vertexCount_[member];
  const int64_t start = plan_.vertexStart[member];
  const int32_t uvStart = uvStart_[member];
  return spl::RenumberFace(face, true, [&](CtsxCorner* corners, int32_t count) {
    for (int32_t c = 0; c < count; ++c) {
      const int32_t v = corners[c].vindex;
      if (v < 0 || v >= vertices) return false;
      *moved = *moved || plan_.weldOnto[static_cast<size_t>(start + v)] != start + v;
      corners[c].vindex = remap_[static_cast<size_t>(start + v)];
      if (corners[c].uvindex >= 0) corners[c].uvindex += uvStart;
    }
    return true;
  });
}

// A new plain record (the host's per-corner data does not fit a new corner
// count) with `face`'s flags and material and the corners given.
bool ContactMerge::AppendPlain(const CtsxFace& face, std::vector<CtsxCorner>& corners, RebuiltFace made) {
  if (corners.size() > size_t(INT16_MAX)) return false;
  CtsxFace plain{};
  plain.nbrCorners = static_cast<int16_t>(corners.size());
  plain.hostFlags = face.hostFlags;
  plain.corners = corners.data();
  plain.materialIndex = face.materialIndex;
  made.face = faces_->Made();
  if (const int32_t status = faces_->Append(&plain); status != 0) {
    ReportError(progress_.view, status);
    return false;
  }
  out.rebuilt.push_back(std::move(made));
  return true;
}

int32_t ContactMerge::NewUV(const CtsxUV& uv) {
  newUVs_.push_back(uv);
  return uvStart_.back() + std::max(tsxPolyhGetNbrUV(plan_.members.back()), 0) +
         static_cast<int32_t>(newUVs_.size() - 1);
}

// A face replaced by what the other side leaves of it: each piece a face of
// its own, with the face's flags (its material is painted from it).
bool ContactMerge::AppendPieces(const CtsxFace& face, int32_t source, size_t member,
                                const std::vector<MergePlan::Piece>& pieces) {
  const int32_t uvCount = std::max(tsxPolyhGetNbrUV(plan_.members[member]), 0);
  for (const MergePlan::Piece& piece : pieces) {
    std::vector<CtsxCorner> corners;
    RebuiltFace made{0, member, source, {}};
    for (const MergePlan::PieceCorner& c : piece) {
      made.corners.push_back(c.blend);
      if (c.point < 0 || size_t(c.point) >= remap_.size()) return false;
      CtsxCorner corner{remap_[static_cast<size_t>(c.point)], -1, -1, -1};
      if (c.ownUV) {
        corner.uvindex = NewUV(c.value);
      } else if (c.uv >= 0 && c.uv < uvCount) {
        corner.uvindex = c.uv + uvStart_[member];
      }
      corners.push_back(corner);
    }
    if (corners.size() < 3 || !AppendPlain(face, corners, std::move(made))) return false;
  }
  return true;
}

// A face with points put into its edges: a new record with the corners
// added, made from a plain face (the host's per-corner data does not fit a
// new corner count).
bool ContactMerge::AppendSplit(const CtsxFace& face, int32_t source, size_t member, bool* made) {
  *made = false;
  const auto& inserts = plan_.inserts.empty() ? nullptr : &plan_.inserts[member];
  if (!inserts || inserts->empty() || face.nbrCorners < 2) return true;
  std::vector<CtsxCorner> corners;
  RebuiltFace blends{0, member, source, {}};
  const int64_t start = plan_.vertexStart[member];
  const int32_t uvStart = uvStart_[member];
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    const int32_t next = (c + 1) % face.nbrCorners;
    CtsxCorner corner = face.corners[c];
    const int32_t u = corner.vindex, w = face.corners[(c + 1) % face.nbrCorners].vindex;
    if (u < 0 || u >= vertexCount_[member] || w < 0 || w >= vertexCount_[member]) return false;
    corner.vindex = remap_[static_cast<size_t>(start + u)];
    if (corner.uvindex >= 0) corner.uvindex += uvStart;
    corner.adjFace = corner.adjCorner = -1;
    corners.push_back(corner);
    blends.corners.push_back(CornerBlend::Kept(c));
    const uint64_t key = uint64_t(std::min(u, w)) << 32 | uint32_t(std::max(u, w));
    const auto it = inserts->find(key);
    if (it == inserts->end()) continue;
    const int32_t uvFrom = face.corners[c].uvindex, uvTo = face.corners[next].uvindex;
    const bool forward = u < w;
    const auto& along = it->second;
    for (size_t k = 0; k < along.size(); ++k) {
      const MergePlan::EdgeInsert& e = along[forward ? k : along.size() - 1 - k];
      CtsxCorner added{remap_[static_cast<size_t>(e.point)], -1, -1, -1};
      // From the edge's lower numbered end, as `t` is.
      const CornerBlend blend = forward ? CornerBlend::Along(c, next, e.t) : CornerBlend::Along(next, c, e.t);
      const int32_t uvCount = std::max(tsxPolyhGetNbrUV(plan_.members[member]), 0);
      if (uvFrom >= 0 && uvTo >= 0 && uvFrom < uvCount && uvTo < uvCount && uvSource_) {
        const CtsxUV& p = uvSource_[(forward ? uvFrom : uvTo) + uvStart];
        const CtsxUV& q = uvSource_[(forward ? uvTo : uvFrom) + uvStart];
        const double us[3] = {p.u, q.u, 0}, vs[3] = {p.v, q.v, 0};
        added.uvindex = NewUV({static_cast<float>(blend.Of(us)), static_cast<float>(blend.Of(vs))});
      }
      corners.push_back(added);
      blends.corners.push_back(blend);
    }
  }
  if (corners.size() == size_t(face.nbrCorners)) return true;
  if (!AppendPlain(face, corners, std::move(blends))) return false;
  *made = true;
  ++out.splitFaces;
  return true;
}

bool ContactMerge::CopyFaces() {
  // Every member's UVs in turn (all of them, read here so that the UVs of
  // points put into edges are interpolated from them).
  int64_t uvTotal = 0;
  for (const HostObject member : plan_.members) {
    uvStart_.push_back(static_cast<int32_t>(std::min<int64_t>(uvTotal, INT32_MAX)));
    const int32_t count = std::max(tsxPolyhGetNbrUV(member), 0);
    if (count > 0 && !tsxPolyhGetUVArray(member)) {
      ReportError(progress_.view, kSecondGone);
      return false;
    }
    uvTotal += count;
  }
  if (!FitsMergedCount(progress_, uvTotal)) return false;
  std::vector<CtsxUV> allUVs;
  if (!plan_.inserts.empty()) {
    allUVs.resize(static_cast<size_t>(uvTotal));
    for (size_t m = 0; m < plan_.members.size(); ++m) {
      const int32_t count = std::max(tsxPolyhGetNbrUV(plan_.members[m]), 0);
      if (count > 0) std::memcpy(allUVs.data() + uvStart_[m], tsxPolyhGetUVArray(plan_.members[m]), sizeof(CtsxUV) * size_t(count));
    }
    uvSource_ = allUVs.data();
  }
  struct Forget {
    const CtsxUV*& p;
    ~Forget() { p = nullptr; }
  } forget{uvSource_};
  int64_t total = 0;
  repeats_.resize(plan_.members.size());
  for (size_t m = 0; m < plan_.members.size(); ++m) {
    total += std::max(tsxPolyhGetNbrFaces(plan_.members[m]), 0) - int64_t(plan_.dropped[m].size());
    if (m < plan_.rebuilt.size()) {
      for (const auto& [face, pieces] : plan_.rebuilt[m]) {
        total += int64_t(pieces.size()) - 1;
        repeats_[m].push_back({face, static_cast<int32_t>(pieces.size())});
      }
    }
  }
  if (!ObtainFaceCopies(progress_, faces_, total)) return false;
  CtsxFace** first = tsxPolyhGetFaceptrArray(plan_.members[0]);
  const uint16_t material = first && tsxPolyhGetNbrFaces(plan_.members[0]) > 0 ? first[0]->materialIndex : 0;
  for (size_t m = 0; m < plan_.members.size(); ++m) {
    faceStart_.push_back(faces_->Made());
    const int32_t count = std::max(tsxPolyhGetNbrFaces(plan_.members[m]), 0);
    CtsxFace** faces = tsxPolyhGetFaceptrArray(plan_.members[m]);
    if (count > 0 && !faces) {
      ReportError(progress_.view, kSecondGone);
      return false;
    }
    const std::vector<int32_t>& dropped = plan_.dropped[m];
    size_t d = 0;
    for (int32_t f = 0; f < count; ++f) {
      if (d < dropped.size() && dropped[d] == f) {
        ++d;
        continue;
      }
      if (m < plan_.rebuilt.size()) {
        const auto pieces = plan_.rebuilt[m].find(f);
        if (pieces != plan_.rebuilt[m].end()) {
          if (!AppendPieces(*faces[f], f, m, pieces->second)) {
            if (!JoinFailed()) ReportError(progress_.view, e_tsxBAD_INPUT);
            return false;
          }
          continue;
        }
      }
      bool made = false;
      if (!AppendSplit(*faces[f], f, m, &made)) {
        if (!JoinFailed()) ReportError(progress_.view, e_tsxBAD_INPUT);
        return false;
      }
      if (made) continue;
      if (const int32_t status = faces_->Append(faces[f]); status != 0) {
        ReportError(progress_.view, status);
        return false;
      }
      if (m == 0 && !renumberFirst_) continue;
      CtsxFace* copy = (*faces_)[faces_->Made() - 1];
      copy->materialIndex = material;  // painted from its source below
      bool moved = false;
      if (!RenumberFace(copy, m, &moved)) {
        ReportError(progress_.view, e_tsxBAD_INPUT);
        return false;
      }
      if (moved) out.moved.push_back({faces_->Made() - 1, m, f});
    }
  }
  return true;
}

}  // namespace

void MergeContactGroup(JoinProgress& progress, HostObject result, const MergePlan& plan, MergeMade* made) {
  ContactMerge merge(progress, result, plan);
  merge.Run();
  *made = std::move(merge.out);
}

int64_t ContactMergeSteps(const std::vector<HostObject>& members) {
  int64_t steps = 0;
  for (const HostObject m : members) {
    steps += int64_t{tsxPolyhGetNbrVxs(m)} + tsxPolyhGetNbrUV(m) + 2 * int64_t{tsxPolyhGetNbrFaces(m)};
  }
  return steps;
}

}  // namespace spl
