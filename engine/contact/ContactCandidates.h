// Which faces of different objects touch: one linear pass over the faces
// (a grid of their bounding boxes), then the contact test on the few pairs
// that share a cell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/WorldObject.h"
#include "engine/contact/SealedCheck.h"

namespace spl {

// A face of object `objectA` touching a face of object `objectB`
// (objectA < objectB, indices into the list searched).
struct FaceContact {
  uint32_t objectA = 0;
  int32_t faceA = 0;
  uint32_t objectB = 0;
  int32_t faceB = 0;
};

// A face's plane as the contact test reads it, in world space.
struct FacePlane {
  double normal[3] = {};  // unit Newell normal
  double offset = 0;      // normal . p on the plane (through the centroid)
  double flatness = 0;    // the farthest of its own corners from the plane
  double area = 0;        // half the Newell vector's length
  bool valid = false;     // 3 corners or more, valid indices, an area
};

FacePlane PlaneOf(const WorldObject& object, const CtsxFace& face);

// Whether face `fa` of `a` and face `fb` of `b` touch at `tolerance`: they
// face opposite ways, every corner of each lies within the tolerance of
// the other's plane (plus that plane's own flatness), and their outlines,
// projected along the dominant axis of the first one's normal, overlap with
// a positive area (decided by exact predicates on the projected doubles).
bool FacesTouch(const WorldObject& a, const CtsxFace& fa, const FacePlane& pa, const WorldObject& b,
                const CtsxFace& fb, const FacePlane& pb, double tolerance);

// Where the two faces' outlines overlap, measured in the first face's plane
// (exact polygon intersection of the projections, then measured in double):
// its area, and its outline's length as projected (at most the true one).
// 0 for outlines that are not simple.
struct Overlap {
  double area = 0;
  double perimeter = 0;
};
Overlap OverlapOf(const WorldObject& a, const CtsxFace& fa, const FacePlane& pa, const WorldObject& b,
                  const CtsxFace& fb);

// Told the work done now and then; false stops the search (the caller then
// abandons what it returns).
class ContactProgress {
 public:
  virtual ~ContactProgress() = default;
  virtual bool Advance(int64_t steps) = 0;
};

// Every touching face pair of different objects, sorted by (objectA, faceA,
// objectB, faceB). The pairs tested are held to a budget that grows with
// the faces (kPairsPerFace each on average): where faces crowd within the
// tolerance of each other (an accuracy coarse for the faces), the search
// stops and `crowded`, when given, says where; nothing is returned.
// With `measures`, each object is measured in the same pass (Measure),
// relative to its first vertex (MeasureOrigin).
inline constexpr int64_t kPairsPerFace = 4096;
std::vector<FaceContact> FindContacts(const std::vector<const WorldObject*>& objects, double tolerance,
                                      ContactProgress& progress, std::string* crowded = nullptr,
                                      std::vector<ShapeMeasure>* measures = nullptr);
// The origin FindContacts measures an object from: its first vertex in
// world space (0 without vertices), coordinate `axis`.
double MeasureOrigin(const WorldObject& object, int axis);

// Progress steps FindContacts reports in all, at most.
int64_t ContactSearchSteps(const std::vector<const WorldObject*>& objects);

}  // namespace spl
