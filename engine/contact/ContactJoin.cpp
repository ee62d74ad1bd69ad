#include "engine/contact/ContactJoin.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <new>
#include <numeric>
#include <tuple>
#include <utility>

#include "engine/common/Errors.h"
#include "engine/common/JoinInputs.h"
#include "engine/common/Progress.h"
#include "engine/common/Saturate.h"
#include "engine/common/Transforms.h"
#include "engine/common/WorldObject.h"
#include "engine/contact/ContactCandidates.h"
#include "engine/contact/ContactImprint.h"
#include "engine/contact/ContactMerge.h"
#include "engine/contact/ContactOutline.h"
#include "engine/contact/SealedCheck.h"
#include "engine/face/RunJoin.h"
#include "engine/seam/SeamSearch.h"

namespace spl {
namespace {

constexpr std::string_view kSearchText = "Searching contacts...";
constexpr std::string_view kCheckText = "Checking the result...";
constexpr double kRelativeVolume = 1e-9;

// Lowest representative: each set is named by its lowest member, so that
// the lower-numbered object's vertex survives a weld.
class LowestUnion {
 public:
  explicit LowestUnion(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), size_t{0}); }
  size_t Find(size_t x) {
    while (parent_[x] != x) x = parent_[x] = parent_[parent_[x]];
    return x;
  }
  void Join(size_t a, size_t b) {
    a = Find(a);
    b = Find(b);
    if (a != b) parent_[std::max(a, b)] = std::min(a, b);
  }
  // Lets the sets go, memory included.
  void Release() { std::vector<size_t>().swap(parent_); }

 private:
  std::vector<size_t> parent_;
};

// The progress of the contact search, held to its share of the estimate.
class SearchProgress : public ContactProgress {
 public:
  SearchProgress(JoinProgress& progress, int64_t budget) : progress_(progress), left_(budget) {}
  bool Advance(int64_t steps) override {
    const int64_t taken = std::clamp<int64_t>(steps, 0, left_);
    left_ -= taken;
    return ReportProgress(progress_, SaturateToInt32(taken), kSearchText, 1);
  }

 private:
  JoinProgress& progress_;
  int64_t left_;
};

double Distance(const CtsxVector3f& a, const CtsxVector3f& b) {
  const double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Whether the plan leaves out face `face` of object `object` (its member
// slot in `slot`).
bool Dropped(const MergePlan& plan, const std::vector<size_t>& slot, uint32_t object, int32_t face) {
  const std::vector<int32_t>& d = plan.dropped[slot[object]];
  return std::binary_search(d.begin(), d.end(), face);
}

// Whether the face no longer lies where it did: left out, or replaced by
// what the other side leaves of it.
bool Gone(const MergePlan& plan, const std::vector<size_t>& slot, uint32_t object, int32_t face) {
  const size_t m = slot[object];
  return Dropped(plan, slot, object, face) || (m < plan.rebuilt.size() && plan.rebuilt[m].count(face) > 0);
}

double PlaneGap(const FacePlane& plane, const CtsxVector3f& p) {
  return std::fabs(plane.normal[0] * p.x + plane.normal[1] * p.y + plane.normal[2] * p.z - plane.offset);
}

std::string FaceWhere(const WorldObject& object, int32_t face) {
  const CtsxFace& f = object.Face(face);
  return "face " + std::to_string(face) + " at " + PositionText(object.Corner(f, 0));
}

// The faces of `faces` (of `object`) inside the outline of `otherFaces` (of
// `other`) in the plane of the latter's first face.
std::vector<int32_t> Within(const WorldObject& object, const std::vector<int32_t>& faces, const WorldObject& other,
                            const std::vector<int32_t>& otherFaces);

class ContactRun {
 public:
  ContactRun(const ContactJoinRequest& request, JoinProgress& progress, ContactJoinResult& out)
      : request_(request), progress_(progress), out_(out) {}
  ~ContactRun() {
    for (const HostObject r : made_) tsxSobjDelete(r);
  }
  ContactRun(const ContactRun&) = delete;
  ContactRun& operator=(const ContactRun&) = delete;

  void Run();

 private:
  bool Refuse(int32_t code, std::string what) {
    out_.error = code;
    out_.what = std::move(what);
    return false;
  }
  bool Failed() {
    if (!JoinFailed()) return false;
    out_.error = JoinState.LastError;
    return true;
  }
  bool CheckRequest();
  bool Load();
  void Group();
  bool JoinGroup(ContactGroup& group);
  // Faces beside a seam may come within the accuracy of each other across
  // it: their overlap is a sliver, on average no wider than twice the
  // accuracy (its area at most the accuracy times its outline's length). A
  // wide overlap of big faces is no sliver, however long their outlines,
  // nor are faces smaller than the accuracy that lie on each other.
  bool Sliver(const FaceContact& c) const;
  // Touching pairs of `contacts` that both stay and overlap by more than a
  // sliver: walls the seam rules left.
  std::vector<size_t> Walls(const MergePlan& plan, const std::vector<size_t>& slot,
                            const std::vector<size_t>& contacts) const;
  // Joins each region of walls whose two sides cover the same outline.
  bool JoinWalls(ContactGroup& group, MergePlan& plan, const std::vector<size_t>& slot,
                 const std::vector<size_t>& contacts, LowestUnion& welds);
  // Adds to `faces` (a region's faces of one object) the object's faces
  // turned the other way, or with no area, that lie within the accuracy of
  // its plane and whose corners are all the region's or at a corner of the
  // other side's faces `otherFaces`. True when any were added.
  bool AddFolded(const WorldObject& object, std::vector<int32_t>& faces, const WorldObject& other,
                 const std::vector<int32_t>& otherFaces) const;
  // Imprints a region whose sides overlap only in part into the plan.
  void JoinImprint(ContactGroup& group, MergePlan& plan, size_t ma, size_t mb, const Imprint& imprint,
                   LowestUnion& welds);
  bool Check(ContactGroup& group, const MergePlan& plan, const std::vector<size_t>& contacts,
             const std::vector<MergeMade::Moved>& moved);
  // The result's volume and area: the members' (from the search's pass)
  // less the faces the merge dropped, replaced or moved a corner of, plus
  // what it made of them, as the result holds it. Every other face of the
  // result is a member's face with the same corners at the same places.
  ShapeMeasure MeasureResult(const ContactGroup& group, const MergePlan& plan, const WorldObject& result,
                             const CtsxVector3f* own, const std::vector<MergeMade::Moved>& moved,
                             const ShapeMeasure& members, const double origin[3]) const;
  // The members' volumes and areas summed, from `origin`.
  ShapeMeasure MembersMeasure(const ContactGroup& group, const double origin[3]) const;
  // The open edges of member `m` when the result is closed. A vertex the
  // merge leaves alone (not a corner of a dropped, rebuilt or split face,
  // not welded, nothing welded onto it) keeps its faces in the result, and
  // no other face comes to use it: an edge between two such vertices is
  // open in the member exactly when it is open in the result, so only the
  // edges at the others are looked at.
  static OpenEdges OpenEdgesNearContact(const MergePlan& plan, size_t m, const WorldObject& shape);
  void Finish();

  const ContactJoinRequest& request_;
  JoinProgress& progress_;
  ContactJoinResult& out_;
  int32_t thousandths_ = 0;
  double tolerance_ = 0;
  std::vector<std::unique_ptr<WorldObject>> shapes_;
  std::vector<ShapeMeasure> measures_;  // per object, from its MeasureOrigin
  std::vector<FaceContact> contacts_;
  std::vector<size_t> contactsOf_;  // per group: the contacts between its members, in order
  std::vector<HostObject> made_;    // results not yet in the scene
  int64_t checkSteps_ = 0;
  int64_t groupVertices_ = 0;       // the members' vertices in all: new points are numbered after
};

bool ContactRun::CheckRequest() {
  const std::vector<HostObject>& objects = request_.objects;
  if (objects.size() < 2) return Refuse(kContactBadRequest, "a contact join needs two objects or more");
  for (size_t i = 0; i < objects.size(); ++i) {
    if (objects[i] == 0 || (tsxSobjGetType(objects[i]) & 0xFF) != e_tsxPOLYHEDRON) {
      return Refuse(kContactBadRequest, "object " + std::to_string(i) + " is not a polyhedron");
    }
  }
  // Sorted, so that a repeated object shows in linear time after the sort
  // (an assembly may hold tens of thousands of objects).
  std::vector<HostObject> sorted(objects);
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
    return Refuse(kSameObjects, std::string(LookUpError(kSameObjects).message));
  }
  // In whole thousandths as the plain and the seam join take it.
  const std::optional<int32_t>& t = request_.inputs.thousandths;
  if (!(request_.inputs.accuracy >= 0) || !t) {
    return Refuse(kContactBadRequest, "the accuracy is not a distance the join can compare in whole thousandths");
  }
  thousandths_ = *t;
  // Within the accuracy: what still rounds to it in whole thousandths.
  tolerance_ = (thousandths_ + 0.5) / 1000.0;
  return true;
}

bool ContactRun::Load() {
  JoinStageScope scope(JoinStage::Search, request_.observer);
  if (!AnnounceStage(progress_, "Preparing...")) return !Failed();
  std::vector<const WorldObject*> shapes;
  for (const HostObject object : request_.objects) {
    auto shape = std::make_unique<WorldObject>();
    shape->Load(object);
    shapes.push_back(shape.get());
    shapes_.push_back(std::move(shape));
  }
  const int64_t searchSteps = ContactSearchSteps(shapes);
  const int64_t mergeSteps = ContactMergeSteps(request_.objects);
  if (!AnnounceStage(progress_, kSearchText)) return !Failed();
  SearchProgress searchProgress(progress_, searchSteps);
  std::string crowded;
  contacts_ = FindContacts(shapes, tolerance_, searchProgress, &crowded, &measures_);
  if (Failed()) return false;
  if (!crowded.empty()) return Refuse(kContactUnsupported, crowded);
  // The seam search's real share, now that the touching pairs are known.
  int64_t seamSteps = 0;
  for (size_t i = 0; i < contacts_.size(); ++i) {
    if (i > 0 && contacts_[i].objectA == contacts_[i - 1].objectA &&
        contacts_[i].objectB == contacts_[i - 1].objectB) {
      continue;
    }
    const WorldObject& a = *shapes[contacts_[i].objectA];
    const WorldObject& b = *shapes[contacts_[i].objectB];
    seamSteps += int64_t{b.vertexCount} + a.faceCount + b.faceCount;
  }
  JoinState.StepsToGo = std::min(JoinState.StepsToGo, SaturateToSteps(seamSteps + mergeSteps + checkSteps_));
  progress_.tally.CapRemaining(seamSteps + mergeSteps + checkSteps_);
  return true;
}

void ContactRun::Group() {
  const size_t n = request_.objects.size();
  LowestUnion objects(n);
  for (const FaceContact& c : contacts_) objects.Join(c.objectA, c.objectB);
  std::vector<size_t> size(n, 0);
  for (size_t o = 0; o < n; ++o) ++size[objects.Find(o)];
  std::vector<size_t> groupOf(n, SIZE_MAX);
  for (size_t o = 0; o < n; ++o) {
    const size_t root = objects.Find(o);
    if (size[root] < 2) {
      out_.untouched.push_back(o);
      continue;
    }
    if (root == o) {
      groupOf[o] = out_.groups.size();
      out_.groups.emplace_back();
    }
    out_.groups[groupOf[root]].members.push_back(o);
  }
}

bool ContactRun::JoinGroup(ContactGroup& group) {
  const size_t n = group.members.size();
  MergePlan plan;
  std::vector<size_t> slot(request_.objects.size(), SIZE_MAX);  // object -> member slot
  int64_t vertices = 0;
  for (size_t m = 0; m < n; ++m) {
    slot[group.members[m]] = m;
    plan.members.push_back(request_.objects[group.members[m]]);
    plan.vertexStart.push_back(vertices);
    vertices += shapes_[group.members[m]]->vertexCount;
  }
  plan.dropped.resize(n);
  plan.rebuilt.resize(n);
  groupVertices_ = vertices;
  LowestUnion welds(static_cast<size_t>(vertices));
  std::vector<size_t> contacts;
  for (size_t i = 0; i < contacts_.size(); ++i) {
    if (slot[contacts_[i].objectA] != SIZE_MAX) contacts.push_back(i);
  }
  group.contacts = int64_t(contacts.size());
  // Each touching pair of members, joined along its seam.
  {
    JoinStageScope scope(JoinStage::Search, request_.observer);
    for (size_t k = 0; k < contacts.size(); ++k) {
      const FaceContact& c = contacts_[contacts[k]];
      if (k > 0 && c.objectA == contacts_[contacts[k - 1]].objectA && c.objectB == contacts_[contacts[k - 1]].objectB) {
        continue;
      }
      const WorldObject& a = *shapes_[c.objectA];
      const WorldObject& b = *shapes_[c.objectB];
      const SeamSide sa{a.world.data(), a.vertexCount, a.faces, a.faceCount};
      const SeamSide sb{b.world.data(), b.vertexCount, b.faces, b.faceCount};
      JoinedSeam seam;
      if (!FindSeam(progress_, sa, sb, thousandths_, &seam)) {
        Failed();
        return false;
      }
      const size_t ma = slot[c.objectA], mb = slot[c.objectB];
      std::vector<int32_t>& da = plan.dropped[ma];
      std::vector<int32_t>& db = plan.dropped[mb];
      da.insert(da.end(), seam.droppedFacesA.begin(), seam.droppedFacesA.end());
      db.insert(db.end(), seam.droppedFacesB.begin(), seam.droppedFacesB.end());
      for (size_t w = 0; w < seam.weldedVerticesB.size(); ++w) {
        const int32_t vb = seam.weldedVerticesB[w], va = seam.weldedOntoA[w];
        welds.Join(static_cast<size_t>(plan.vertexStart[mb] + vb), static_cast<size_t>(plan.vertexStart[ma] + va));
        group.largestWeld = std::max(group.largestWeld, Distance(a.World(va), b.World(vb)));
      }
    }
  }
  const auto tidy = [&plan] {
    for (std::vector<int32_t>& d : plan.dropped) {
      std::sort(d.begin(), d.end());
      d.erase(std::unique(d.begin(), d.end()), d.end());
    }
  };
  tidy();
  if (!JoinWalls(group, plan, slot, contacts, welds)) return false;
  tidy();
  for (const std::vector<int32_t>& d : plan.dropped) group.droppedFaces.push_back(int64_t(d.size()));
  plan.weldOnto.resize(static_cast<size_t>(vertices) + plan.newPoints.size());
  for (size_t g = 0; g < plan.weldOnto.size(); ++g) {
    plan.weldOnto[g] = g < size_t(vertices) ? int64_t(welds.Find(g)) : int64_t(g);
    group.weldedVertices += plan.weldOnto[g] != int64_t(g);
  }
  welds.Release();  // the plan holds the welds now: not kept through the merge
  group.newPoints = int64_t(plan.newPoints.size());
  // The copy and the merge do not read the members' world vertices: let go
  // for them, and taken again for the check (the members are unchanged; a
  // failed join reads them no more).
  for (const size_t m : group.members) std::vector<CtsxVector3f>().swap(shapes_[m]->world);
  {
    JoinStageScope scope(JoinStage::Copy, request_.observer);
    HostObject result = 0;
    tsxGNodeCopy(plan.members[0], &result);
    if (result == 0) {
      ReportError(progress_.view, kCannotMakeResult);
      Failed();
      return false;
    }
    made_.push_back(result);
    group.result = result;
  }
  MergeMade made;
  {
    JoinStageScope scope(JoinStage::Merge, request_.observer);
    MergeContactGroup(progress_, group.result, plan, &made);
    if (Failed()) return false;
    group.splitFaces = made.splitFaces;
    group.rebuiltFaces = std::move(made.rebuilt);
  }
  for (const size_t m : group.members) shapes_[m]->Load(request_.objects[m]);
  JoinStageScope scope(JoinStage::Refresh, request_.observer);
  return Check(group, plan, contacts, made.moved);
}

bool ContactRun::Sliver(const FaceContact& c) const {
  const WorldObject& a = *shapes_[c.objectA];
  const WorldObject& b = *shapes_[c.objectB];
  const CtsxFace& fa = a.Face(c.faceA);
  const CtsxFace& fb = b.Face(c.faceB);
  const FacePlane plane = PlaneOf(a, fa);
  const Overlap overlap = OverlapOf(a, fa, plane, b, fb);
  if (overlap.area > tolerance_ * overlap.perimeter) return false;
  // Faces smaller than the accuracy overlap only slivers by that measure:
  // they lie on each other when most of one is covered by the other, and
  // they lie closer together than they are wide.
  const FacePlane other = PlaneOf(b, fb);
  const double smaller = std::min(plane.area, other.area);
  double gap = 0;
  for (int32_t k = 0; k < fb.nbrCorners; ++k) gap = std::max(gap, PlaneGap(plane, b.Corner(fb, k)));
  for (int32_t k = 0; k < fa.nbrCorners; ++k) gap = std::max(gap, PlaneGap(other, a.Corner(fa, k)));
  return !(overlap.area > smaller / 2 && gap * gap < overlap.area);
}

std::vector<size_t> ContactRun::Walls(const MergePlan& plan, const std::vector<size_t>& slot,
                                      const std::vector<size_t>& contacts) const {
  const auto dropped = [&](uint32_t object, int32_t face) { return Gone(plan, slot, object, face); };
  std::vector<size_t> walls;
  for (const size_t i : contacts) {
    const FaceContact& c = contacts_[i];
    if (dropped(c.objectA, c.faceA) || dropped(c.objectB, c.faceB) || Sliver(c)) continue;
    walls.push_back(i);
  }
  return walls;
}

bool ContactRun::JoinWalls(ContactGroup& group, MergePlan& plan, const std::vector<size_t>& slot,
                           const std::vector<size_t>& contacts, LowestUnion& welds) {
  const std::vector<size_t> walls = Walls(plan, slot, contacts);
  if (walls.empty()) return true;
  // Regions: the touching pairs of which a face stays, linked through the
  // faces they share (faces the seam rules dropped come back in with the
  // others on them); a region is joined when it holds a wall.
  const auto dropped = [&](uint32_t object, int32_t face) { return Dropped(plan, slot, object, face); };
  std::vector<size_t> linking;
  for (const size_t i : contacts) {
    const FaceContact& c = contacts_[i];
    if (!dropped(c.objectA, c.faceA) || !dropped(c.objectB, c.faceB)) linking.push_back(i);
  }
  std::vector<std::pair<uint32_t, int32_t>> faces;
  for (const size_t i : linking) {
    faces.push_back({contacts_[i].objectA, contacts_[i].faceA});
    faces.push_back({contacts_[i].objectB, contacts_[i].faceB});
  }
  std::sort(faces.begin(), faces.end());
  faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
  const auto index = [&](uint32_t object, int32_t face) {
    return size_t(std::lower_bound(faces.begin(), faces.end(), std::pair{object, face}) - faces.begin());
  };
  LowestUnion regions(faces.size());
  for (const size_t i : linking) {
    const FaceContact& c = contacts_[i];
    regions.Join(index(c.objectA, c.faceA), index(c.objectB, c.faceB));
  }
  // Faces of one object that share a corner are imprinted together: a face
  // beside a cap that bends away within the accuracy covers what the cap
  // leaves of the other side's (one region in the plane, not two that
  // overlap along a seam).
  // Only faces touching the same other object: an assembly's objects that
  // touch one object side by side stay apart.
  {
    std::vector<uint32_t> partner(faces.size());
    for (const size_t i : linking) {
      const FaceContact& c = contacts_[i];
      partner[index(c.objectA, c.faceA)] = c.objectB;
      partner[index(c.objectB, c.faceB)] = c.objectA;
    }
    std::map<std::tuple<uint32_t, int32_t, uint32_t>, size_t> cornerOf;
    for (size_t k = 0; k < faces.size(); ++k) {
      const CtsxFace& f = shapes_[faces[k].first]->Face(faces[k].second);
      for (int32_t c = 0; c < f.nbrCorners; ++c) {
        const auto [it, fresh] = cornerOf.emplace(std::tuple{faces[k].first, f.corners[c].vindex, partner[k]}, k);
        if (!fresh) regions.Join(it->second, k);
      }
    }
  }
  std::vector<bool> walled(faces.size(), false);
  for (const size_t i : walls) walled[regions.Find(index(contacts_[i].objectA, contacts_[i].faceA))] = true;
  std::vector<std::vector<size_t>> members(faces.size());
  for (size_t k = 0; k < faces.size(); ++k) {
    if (walled[regions.Find(k)]) members[regions.Find(k)].push_back(k);
  }
  plan.inserts.resize(plan.members.size());
  for (const std::vector<size_t>& region : members) {
    if (region.empty()) continue;
    const uint32_t objectA = faces[region.front()].first;
    uint32_t objectB = objectA;
    std::vector<int32_t> facesA, facesB;
    for (const size_t k : region) {
      if (faces[k].first == objectA) {
        facesA.push_back(faces[k].second);
      } else if (objectB == objectA || faces[k].first == objectB) {
        objectB = faces[k].first;
        facesB.push_back(faces[k].second);
      } else {
        return Refuse(kContactUnsupported, "faces of three objects or more lie on each other at " +
                                               FaceWhere(*shapes_[objectA], facesA.front()));
      }
    }
    OutlineJoin join;
    const size_t ma = slot[objectA], mb = slot[objectB];
    if (!JoinOnOutline(*shapes_[objectA], facesA, *shapes_[objectB], facesB, tolerance_, &join)) {
      // The sides overlap in part: each is imprinted on the other.
      Imprint imprint;
      if (ImprintRegion(*shapes_[objectA], facesA, *shapes_[objectB], facesB, tolerance_, &imprint)) {
        JoinImprint(group, plan, ma, mb, imprint, welds);
        continue;
      }
      // A side folded over itself (an n-gon written as a fan from a corner
      // where it is not convex): its folded faces face the same way as the
      // other side, so they touch nothing. With them, it may cover the
      // other side's outline after all.
      // Faces of the other side that touch only the folds, outside the
      // outline, are no part of the region then.
      std::vector<int32_t> foldedA = facesA, foldedB = facesB;
      const bool foldA = AddFolded(*shapes_[objectA], foldedA, *shapes_[objectB], facesB);
      const bool foldB = AddFolded(*shapes_[objectB], foldedB, *shapes_[objectA], facesA);
      if (foldA) foldedB = Within(*shapes_[objectB], foldedB, *shapes_[objectA], foldedA);
      if (foldB) foldedA = Within(*shapes_[objectA], foldedA, *shapes_[objectB], foldedB);
      if (!(foldA || foldB) || foldedA.empty() || foldedB.empty() ||
          !JoinOnOutline(*shapes_[objectA], foldedA, *shapes_[objectB], foldedB, tolerance_, &join)) {
        return Refuse(kContactUnsupported, "faces of object " + std::to_string(objectA) + " and object " +
                                               std::to_string(objectB) + " overlap (" + std::to_string(facesA.size()) +
                                               " and " + std::to_string(facesB.size()) +
                                               " faces) in a way the join cannot imprint: " + imprint.why);
      }
      facesA = std::move(foldedA);
      facesB = std::move(foldedB);
    }
    plan.dropped[ma].insert(plan.dropped[ma].end(), facesA.begin(), facesA.end());
    plan.dropped[mb].insert(plan.dropped[mb].end(), facesB.begin(), facesB.end());
    for (const auto& [w, v] : join.welds) {
      welds.Join(static_cast<size_t>(plan.vertexStart[mb] + w), static_cast<size_t>(plan.vertexStart[ma] + v));
    }
    group.largestWeld = std::max(group.largestWeld, join.largestWeld);
    group.largestBend = std::max(group.largestBend, join.largestBend);
    for (const EdgePoint& p : join.points) {
      const size_t m = p.side == 0 ? ma : mb;
      const size_t pm = p.pointSide == 0 ? ma : mb;
      plan.inserts[m][uint64_t(p.lo) << 32 | uint32_t(p.hi)].push_back({plan.vertexStart[pm] + p.point, p.t});
    }
  }
  for (auto& member : plan.inserts) {
    for (auto& [edge, along] : member) {
      std::sort(along.begin(), along.end(), [](const auto& x, const auto& y) { return x.t < y.t; });
      along.erase(std::unique(along.begin(), along.end(),
                              [](const auto& x, const auto& y) { return x.point == y.point; }),
                  along.end());
    }
  }
  return true;
}

std::vector<int32_t> Within(const WorldObject& object, const std::vector<int32_t>& faces, const WorldObject& other,
                            const std::vector<int32_t>& otherFaces) {
  using Point = CGAL::Exact_predicates_inexact_constructions_kernel::Point_2;
  const FacePlane plane = PlaneOf(other, other.Face(otherFaces.front()));
  if (!plane.valid) return {};
  int drop = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(plane.normal[k]) > std::fabs(plane.normal[drop])) drop = k;
  }
  const auto flat = [&](const CtsxVector3f& p) {
    const double q[3] = {p.x, p.y, p.z};
    return Point(q[(drop + 1) % 3], q[(drop + 2) % 3]);
  };
  // The other side's outline: its edges not run back by another of its faces.
  std::map<std::pair<int32_t, int32_t>, int> run;
  for (const int32_t f : otherFaces) {
    const CtsxFace& face = other.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const int32_t u = face.corners[c].vindex, w = face.corners[(c + 1) % face.nbrCorners].vindex;
      if (u < w) ++run[{u, w}];
      if (w < u) --run[{w, u}];
    }
  }
  std::vector<std::pair<Point, Point>> outline;
  for (const auto& [edge, count] : run) {
    for (int k = 0; k < std::abs(count); ++k) {
      const Point p = flat(other.World(edge.first)), q = flat(other.World(edge.second));
      outline.push_back(count > 0 ? std::pair{p, q} : std::pair{q, p});
    }
  }
  // A face is kept when the middle of its corners lies inside the outline
  // (a winding number other than 0).
  std::vector<int32_t> kept;
  for (const int32_t f : faces) {
    const CtsxFace& face = object.Face(f);
    double x = 0, y = 0;
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const Point p = flat(object.Corner(face, c));
      x += p.x() / face.nbrCorners;
      y += p.y() / face.nbrCorners;
    }
    const Point m(x, y);
    int winding = 0;
    for (const auto& [p, q] : outline) {
      if (p.y() <= m.y() && q.y() > m.y() && CGAL::orientation(p, q, m) == CGAL::LEFT_TURN) ++winding;
      if (q.y() <= m.y() && p.y() > m.y() && CGAL::orientation(p, q, m) == CGAL::RIGHT_TURN) --winding;
    }
    if (winding != 0) kept.push_back(f);
  }
  return kept;
}

bool ContactRun::AddFolded(const WorldObject& object, std::vector<int32_t>& faces, const WorldObject& other,
                           const std::vector<int32_t>& otherFaces) const {
  const FacePlane plane = PlaneOf(object, object.Face(faces.front()));
  if (!plane.valid) return false;
  std::vector<int32_t> corners;
  for (const int32_t f : faces) {
    const CtsxFace& face = object.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) corners.push_back(face.corners[c].vindex);
  }
  std::sort(corners.begin(), corners.end());
  std::vector<std::array<float, 3>> at;
  for (const int32_t f : otherFaces) {
    const CtsxFace& face = other.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const CtsxVector3f& p = other.Corner(face, c);
      at.push_back({p.x, p.y, p.z});
    }
  }
  std::sort(at.begin(), at.end());
  const auto known = [&](const CtsxFace& face, int32_t c) {
    const CtsxVector3f& p = object.Corner(face, c);
    return std::binary_search(corners.begin(), corners.end(), face.corners[c].vindex) ||
           std::binary_search(at.begin(), at.end(), std::array<float, 3>{p.x, p.y, p.z});
  };
  std::vector<int32_t> sorted = faces;
  std::sort(sorted.begin(), sorted.end());
  const size_t before = faces.size();
  // One pass over the object's faces: only when the region could not be
  // joined otherwise.
  for (int32_t f = 0; f < object.faceCount; ++f) {
    if (!object.FaceValid(f) || std::binary_search(sorted.begin(), sorted.end(), f)) continue;
    const CtsxFace& face = object.Face(f);
    bool inside = face.nbrCorners >= 3;
    for (int32_t c = 0; c < face.nbrCorners && inside; ++c) {
      const CtsxVector3f& p = object.Corner(face, c);
      inside = known(face, c) &&
               std::fabs(plane.normal[0] * p.x + plane.normal[1] * p.y + plane.normal[2] * p.z - plane.offset) <=
                   tolerance_ + plane.flatness;
    }
    if (!inside) continue;
    const FacePlane own = PlaneOf(object, face);
    // Faces with no area are the fan's too (corners in a row along the outline).
    if (!own.valid || own.normal[0] * plane.normal[0] + own.normal[1] * plane.normal[1] + own.normal[2] * plane.normal[2] < 0) {
      faces.push_back(f);
    }
  }
  return faces.size() > before;
}

void ContactRun::JoinImprint(ContactGroup& group, MergePlan& plan, size_t ma, size_t mb, const Imprint& imprint,
                             LowestUnion& welds) {
  const int64_t countA = shapes_[group.members[ma]]->vertexCount;
  const int64_t countB = shapes_[group.members[mb]]->vertexCount;
  const int64_t firstNew = groupVertices_ + int64_t(plan.newPoints.size());
  const auto global = [&](ImprintId id) -> int64_t {
    if (id < countA) return plan.vertexStart[ma] + id;
    if (id < countA + countB) return plan.vertexStart[mb] + (id - countA);
    return firstNew + (id - countA - countB);
  };
  plan.newPoints.insert(plan.newPoints.end(), imprint.points.begin(), imprint.points.end());
  for (const auto& [w, v] : imprint.welds) {
    welds.Join(static_cast<size_t>(plan.vertexStart[mb] + w), static_cast<size_t>(plan.vertexStart[ma] + v));
  }
  const size_t member[2] = {ma, mb};
  for (int side = 0; side < 2; ++side) {
    std::vector<int32_t>& d = plan.dropped[member[side]];
    d.insert(d.end(), imprint.dropped[side].begin(), imprint.dropped[side].end());
  }
  for (const ImprintPiece& piece : imprint.pieces) {
    MergePlan::Piece corners;
    for (const ImprintCorner& c : piece.corners) corners.push_back({global(c.point), c.uv, c.ownUV, c.value, c.blend});
    plan.rebuilt[member[piece.side]][piece.face].push_back(std::move(corners));
  }
  for (const ImprintEdgePoint& p : imprint.inserts) {
    plan.inserts[member[p.side]][uint64_t(p.lo) << 32 | uint32_t(p.hi)].push_back({global(p.point), p.t});
  }
  group.largestWeld = std::max(group.largestWeld, imprint.largestWeld);
  group.largestBend = std::max(group.largestBend, imprint.largestBend);
}

bool ContactRun::Check(ContactGroup& group, const MergePlan& plan, const std::vector<size_t>& contacts,
                       const std::vector<MergeMade::Moved>& moved) {
  if (!AnnounceStage(progress_, kCheckText)) return !Failed();
  // The result as the host holds it; its vertices are taken to world space
  // only where they are looked at.
  WorldObject result;
  const CtsxVector3f* own = result.ReadShape(group.result);
  group.vertices = result.vertexCount;
  group.faces = result.faceCount;
  const WorldObject& base = *shapes_[group.members[0]];
  const double origin[3] = {MeasureOrigin(base, 0), MeasureOrigin(base, 1), MeasureOrigin(base, 2)};
  // The merge refreshed the result's adjacency as its last change.
  OpenEdges open;
  open.count = CountOpenEdges(result);
  if (open.count > 0) {
    result.SetWorld(own);
    open = FindOpenEdges(result, true);
  }
  group.openEdgesAfter = open.count;
  group.openEdgesAfterAt = open.first;
  double slack = 0;
  for (size_t m = 0; m < group.members.size(); ++m) {
    const WorldObject& shape = *shapes_[group.members[m]];
    const OpenEdges before = open.count == 0 ? OpenEdgesNearContact(plan, m, shape) : FindOpenEdges(shape);
    group.openEdgesBefore += before.count;
    for (const std::string& at : before.first) {
      if (group.openEdgesBeforeAt.size() < 3) group.openEdgesBeforeAt.push_back(at);
    }
    // Moving a vertex by d changes the volume by at most d times the area
    // of its faces: bounded here by the member's whole area.
    slack += std::max(group.largestWeld, group.largestBend) * measures_[group.members[m]].area;
    if (!ReportProgress(progress_, SaturateToInt32(3 * int64_t{shape.faceCount}), kCheckText, 1)) return !Failed();
  }
  const ShapeMeasure members = MembersMeasure(group, origin);
  const double expected = members.volume;
  const ShapeMeasure measure = MeasureResult(group, plan, result, own, moved, members, origin);
  group.volume = measure.volume;
  group.area = measure.area;
  if (!ReportProgress(progress_, SaturateToInt32(int64_t{result.faceCount}), kCheckText, 1)) return !Failed();
  group.closedInputs = group.openEdgesBefore == 0;
  if (!group.closedInputs) return true;

  std::string name = "the result of objects ";
  for (size_t i = 0; i < group.members.size(); ++i) {
    if (i > 0) name.push_back('+');
    name.append(std::to_string(group.members[i]));
  }
  if (open.count > 0) {
    return Refuse(kContactNotSound, name + " is not closed: " + std::to_string(open.count) +
                                        " boundary or non-manifold edges, the first at " + open.first[0]);
  }
  // Faces that touched and both stayed: a wall left inside.
  std::vector<size_t> slot(request_.objects.size(), SIZE_MAX);
  for (size_t m = 0; m < group.members.size(); ++m) slot[group.members[m]] = m;
  const std::vector<size_t> left = Walls(plan, slot, contacts);
  const auto walls = int64_t(left.size());
  std::string firstWall;
  if (!left.empty()) {
    const FaceContact& c = contacts_[left.front()];
    firstWall = "object " + std::to_string(c.objectA) + " " + FaceWhere(*shapes_[c.objectA], c.faceA) +
                " and object " + std::to_string(c.objectB) + " " + FaceWhere(*shapes_[c.objectB], c.faceB);
  }
  if (walls > 0) {
    return Refuse(kContactUnsupported, std::to_string(walls) +
                                           " touching face pairs do not meet corner on corner and stay lying on "
                                           "each other; the first: " + firstWall);
  }
  // Vertices of different members at one position left unwelded, around
  // the contact.
  struct At {
    CtsxVector3f p;
    size_t member;
    int64_t vertex;
  };
  std::vector<At> around;
  for (const size_t i : contacts) {
    const FaceContact& c = contacts_[i];
    for (const auto& [object, face] : {std::pair{c.objectA, c.faceA}, std::pair{c.objectB, c.faceB}}) {
      const WorldObject& shape = *shapes_[object];
      const CtsxFace& f = shape.Face(face);
      const size_t m = slot[object];
      for (int32_t k = 0; k < f.nbrCorners; ++k) {
        const int32_t v = f.corners[k].vindex;
        around.push_back({shape.World(v), m, plan.weldOnto[static_cast<size_t>(plan.vertexStart[m] + v)]});
      }
    }
  }
  std::sort(around.begin(), around.end(), [](const At& a, const At& b) {
    return std::tie(a.p.x, a.p.y, a.p.z, a.vertex) < std::tie(b.p.x, b.p.y, b.p.z, b.vertex);
  });
  for (size_t i = 1; i < around.size(); ++i) {
    const At& a = around[i - 1];
    const At& b = around[i];
    if (a.p.x == b.p.x && a.p.y == b.p.y && a.p.z == b.p.z && a.member != b.member && a.vertex != b.vertex) {
      return Refuse(kContactNotSound, name + " has two vertices at one position, at " + PositionText(a.p));
    }
  }
  const double allowed = kRelativeVolume * std::fabs(expected) + slack;
  if (!(std::fabs(group.volume - expected) <= allowed)) {
    char text[160];
    std::snprintf(text, sizeof text, " encloses %.12g instead of the members' %.12g", group.volume, expected);
    return Refuse(kContactNotSound, name + text);
  }
  return true;
}

ShapeMeasure ContactRun::MembersMeasure(const ContactGroup& group, const double origin[3]) const {
  ShapeMeasure sum;
  for (const size_t o : group.members) {
    const WorldObject& shape = *shapes_[o];
    const double from[3] = {MeasureOrigin(shape, 0), MeasureOrigin(shape, 1), MeasureOrigin(shape, 2)};
    const ShapeMeasure member = MovedTo(measures_[o], from, origin);
    sum.volume += member.volume;
    sum.area += member.area;
  }
  return sum;
}

ShapeMeasure ContactRun::MeasureResult(const ContactGroup& group, const MergePlan& plan, const WorldObject& result,
                                       const CtsxVector3f* own, const std::vector<MergeMade::Moved>& moved,
                                       const ShapeMeasure& members, const double origin[3]) const {
  ShapeMeasure measure = members;
  const ObjectTransform transform(group.result);
  const auto at = [&](int32_t v) {
    CtsxVector3f p;
    transform.ToWorld(own[v], p);
    return p;
  };
  ShapeMeasure made, gone;
  std::vector<std::pair<size_t, int32_t>> sources;  // (member, face) no longer in the result as they were
  for (size_t m = 0; m < plan.dropped.size(); ++m) {
    for (const int32_t f : plan.dropped[m]) sources.push_back({m, f});
  }
  const auto add = [&](int32_t face, size_t member, int32_t source) {
    if (face >= 0 && face < result.faceCount) MeasureFace(at, result.vertexCount, result.faces[face], origin, &made);
    sources.push_back({member, source});
  };
  for (const RebuiltFace& f : group.rebuiltFaces) add(f.face, f.member, f.sourceFace);
  for (const MergeMade::Moved& f : moved) add(f.face, f.member, f.sourceFace);
  std::sort(sources.begin(), sources.end());
  sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
  for (const auto& [m, f] : sources) {
    const WorldObject& shape = *shapes_[group.members[m]];
    if (f >= 0 && f < shape.faceCount) MeasureFace(shape, shape.faces[f], origin, &gone);
  }
  measure.volume += made.volume - gone.volume;
  measure.area += made.area - gone.area;
  return measure;
}

OpenEdges ContactRun::OpenEdgesNearContact(const MergePlan& plan, size_t m, const WorldObject& shape) {
  const int64_t first = plan.vertexStart[m], count = shape.vertexCount;
  std::vector<uint8_t> touched(static_cast<size_t>(count), 0);
  const auto mark = [&](int64_t global) {
    if (global >= first && global < first + count) touched[static_cast<size_t>(global - first)] = 1;
  };
  const auto markFace = [&](int32_t f) {
    if (!shape.FaceValid(f) || !shape.CornersValid(shape.Face(f))) return;
    const CtsxFace& face = shape.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) touched[static_cast<size_t>(face.corners[c].vindex)] = 1;
  };
  for (const int32_t f : plan.dropped[m]) markFace(f);
  if (m < plan.rebuilt.size()) {
    for (const auto& [f, pieces] : plan.rebuilt[m]) markFace(f);
  }
  for (size_t other = 0; other < plan.rebuilt.size(); ++other) {
    for (const auto& [f, pieces] : plan.rebuilt[other]) {
      for (const MergePlan::Piece& piece : pieces) {
        for (const MergePlan::PieceCorner& c : piece) mark(c.point);
      }
    }
  }
  for (size_t other = 0; other < plan.inserts.size(); ++other) {
    for (const auto& [edge, along] : plan.inserts[other]) {
      if (other == m) {
        mark(first + int64_t(edge >> 32));
        mark(first + int64_t(edge & 0xFFFFFFFFu));
      }
      for (const MergePlan::EdgeInsert& p : along) mark(p.point);
    }
  }
  for (size_t g = 0; g < plan.weldOnto.size(); ++g) {
    if (plan.weldOnto[g] == int64_t(g)) continue;
    mark(int64_t(g));
    mark(plan.weldOnto[g]);
  }
  // The sides of each edge at a touched vertex, as the host's adjacency
  // pairs them: exactly two, running opposite ways.
  struct Side {
    int32_t face, corner;
    bool forward;
  };
  std::map<std::pair<int32_t, int32_t>, std::vector<Side>> sides;
  OpenEdges open;
  const auto report = [&](int32_t f, int32_t c) {
    const CtsxFace& face = shape.Face(f);
    if (open.first.size() < 3) {
      open.first.push_back(PositionText(shape.Corner(face, c)) + " - " +
                           PositionText(shape.Corner(face, (c + 1) % face.nbrCorners)));
    }
    ++open.count;
  };
  for (int32_t f = 0; f < shape.faceCount; ++f) {
    if (!shape.FaceValid(f)) continue;
    const CtsxFace& face = shape.Face(f);
    if (!shape.CornersValid(face)) continue;
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      const int32_t u = face.corners[c].vindex, w = face.corners[(c + 1) % face.nbrCorners].vindex;
      if (!touched[static_cast<size_t>(u)] && !touched[static_cast<size_t>(w)]) continue;
      if (u == w) {
        report(f, c);
        continue;
      }
      sides[{std::min(u, w), std::max(u, w)}].push_back({f, c, u < w});
    }
  }
  for (const auto& [edge, list] : sides) {
    if (list.size() == 2 && list[0].forward != list[1].forward) continue;
    for (const Side& side : list) report(side.face, side.corner);
  }
  return open;
}

void ContactRun::Finish() {
  JoinStageScope scope(JoinStage::Finish, request_.observer);
  static_cast<void>(ReportProgress(progress_, 0, "Finishing...", 1));
  // The caller names the results: names live on the host's side, which the
  // engine does not see.
  for (const ContactGroup& group : out_.groups) {
    tsxPolyhMarkMaterialChange(group.result);
    tsxSceneAddObject(group.result, 0);
  }
  made_.clear();
}

void ContactRun::Run() {
  {
    JoinStageScope scope(JoinStage::Count, request_.observer);
    JoinState.LastError = 0;
    JoinState.ProgressTick = 0;
    JoinState.AbortRequested = false;
    if (!CheckRequest()) return;
    // One estimate for the whole run: the seam searches' share is an upper
    // guess until the touching pairs are known.
    int64_t steps = ContactMergeSteps(request_.objects);
    for (const HostObject object : request_.objects) {
      const int64_t v = std::max(tsxPolyhGetNbrVxs(object), 0), f = std::max(tsxPolyhGetNbrFaces(object), 0);
      steps += v + 3 * f + 4 * (v + f);
      checkSteps_ += 4 * f;
    }
    JoinState.StepsToGo = SaturateToSteps(steps + checkSteps_);
    progress_.tally.Start(steps + checkSteps_);
    ShowNewEstimate(progress_.view);
  }
  if (!Load()) return;
  Group();
  for (ContactGroup& group : out_.groups) {
    if (!JoinGroup(group)) return;
  }
  if (out_.groups.empty()) {
    Refuse(kJunctionNotFound, std::string(LookUpError(kJunctionNotFound).message));
    return;
  }
  for (const ContactGroup& group : out_.groups) {
    if (request_.finish && !request_.finish(group)) {
      ReportError(progress_.view, kNoMemory);
      Failed();
      return;
    }
  }
  Finish();
}

}  // namespace

ContactJoinResult RunContactJoin(const ContactJoinRequest& request, JoinProgress& progress) {
  JoinStageScope whole(JoinStage::Whole, request.observer);
  ContactJoinResult out;
  try {
    ContactRun(request, progress, out).Run();
  } catch (const std::bad_alloc&) {
    ReportError(progress.view, kNoMemory);
    out.error = kNoMemory;
  }
  if (out.error != 0) {
    for (ContactGroup& group : out.groups) group.result = 0;
    if (out.what.empty()) out.what = std::string(LookUpError(out.error).message);
  }
  JoinState.LastError = out.error;
  JoinState.StepsToGo = std::max(JoinState.StepsToGo, 0);
  return out;
}

}  // namespace spl
