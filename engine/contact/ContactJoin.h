// The contact join: joins every group of objects whose surfaces touch into
// one new object per group, across the whole contact, and adds nothing
// unless every group's result is sound.
//
// Contact: a face of one object and a face of another that face opposite
// ways (their Newell normals' dot product is negative), whose every corner
// lies within the accuracy of the other face's plane (allowing for how far
// that face bends away from its own plane), and whose outlines, projected
// onto the first face's dominant plane, overlap with a positive area.
// Objects linked by contacts form a group; an object in no contact is left
// out (untouched).
//
// Within a group the members are joined pairwise along their seams by the
// seam join's rules (SeamJoin.h): faces that tile the same outline on both
// sides, corner on corner however each side is triangulated, are dropped
// and their corners welded, the lower-numbered object's vertex surviving.
// Regions the seam rules leave are joined as one outline when both sides
// cover the same one (ContactOutline.h), else imprinted: each side's outline
// cut into the other, the overlapped parts of both dropped, the rest of a
// cut face kept as a few polygons (ContactImprint.h). A region that cannot
// be imprinted is refused, with what and where.
//
// The result of a group is laid out as the seam join lays out its result:
// the first member's object space, vertices, UVs and faces first (less the
// dropped faces), then each further member's in turn, its vertices taken
// through world space into the first member's space, each face with the
// material of its source face (the pieces of a cut face in its place), and
// last the points made where outlines cross.
//
// Sound or refused: before anything enters the scene, each result is
// checked. For closed members (every edge used once each way) the result
// must be closed too (no boundary or non-manifold edge), have no two used
// vertices at one position beyond those its members had, keep no face lying
// on another, and enclose the members' summed volume (they only touch)
// within a relative 1e-9 plus what the welds may move. Open members are
// joined too; the group then says how many edges were open before and after.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/common/JoinInputs.h"
#include "engine/common/JoinState.h"
#include "engine/contact/CornerBlend.h"
#include "engine/face/RunJoin.h"

namespace spl {

// The error code of a result that fails the sealed check.
inline constexpr int32_t kContactNotSound = -1300;
// The error code of a contact the join cannot take (faces of three objects
// on each other, a region whose faces cannot be imprinted, walls left).
inline constexpr int32_t kContactUnsupported = -1301;
// Fewer than two objects, a repeated object, or one that is not a polyhedron.
inline constexpr int32_t kContactBadRequest = -1302;

// The inputs of a contact join at `accuracy`: the accuracy and its whole
// thousandths, converted as every join converts them; no two objects.
inline JoinInputs ContactInputsAt(double accuracy) { return JoinInputsAt(0, 0, accuracy); }

struct ContactGroup;

struct ContactJoinRequest {
  std::vector<HostObject> objects;  // 2 or more distinct polyhedra, only read
  // The accuracy (world units, checked by the caller: finite, >= 0) and its
  // whole thousandths, converted where the request is made.
  JoinInputs inputs = ContactInputsAt(kDefaultAccuracy);
  JoinStageObserver* observer = nullptr;  // told of each stage; null: nobody. Not owned
  // Given each sound result before any enters the scene, to give the faces
  // made anew what the host keeps of a face beyond the interface (normals);
  // false (memory ran out) fails the join as a whole. Empty: nobody.
  std::function<bool(const ContactGroup&)> finish;
};

struct ContactGroup {
  std::vector<size_t> members;        // indices into objects, rising; 2 or more
  HostObject result = 0;              // the new object, added to the scene
  int64_t contacts = 0;               // touching face pairs found
  std::vector<int64_t> droppedFaces;  // per member, faces removed
  int64_t weldedVertices = 0, newPoints = 0, splitFaces = 0;
  int64_t vertices = 0, faces = 0;
  double volume = 0, area = 0;        // of the result, in world units
  bool closedInputs = false;          // every member was closed: the result is sealed
  int64_t openEdgesBefore = 0, openEdgesAfter = 0;  // boundary or non-manifold edges
  std::vector<std::string> openEdgesBeforeAt, openEdgesAfterAt;  // the first few, "x y z - x y z"
  double largestWeld = 0;             // the largest distance a weld closed, world units
  double largestBend = 0;             // the farthest a point put into an edge lies off it
  std::vector<RebuiltFace> rebuiltFaces;  // faces of the result made anew, rising
};

struct ContactJoinResult {
  int32_t error = 0;  // 0, or an error code: the engine's (-1100 abort, -2 memory) or kContact*
  std::string what;   // a refusal says what and where (counts, first offending position)
  std::vector<ContactGroup> groups;
  std::vector<size_t> untouched;  // objects that touch nothing (not joined)
};

// Runs the contact join. Progress goes through the engine's progress
// protocol (Progress.h) to `progress`: one StepsToGo estimate for the whole
// run, counting down to 0, shown on its view; JoinState.AbortRequested
// aborts (-1100). The stages are told to the join stage observer. All or
// nothing: on any error or abort no object is added to the scene, and the
// objects are never changed. Messages of the engine's own table (memory,
// abort) are shown on the view as ReportError shows them; a refusal of the
// contact join itself is only returned. JoinState.LastError is left at the
// result's error.
ContactJoinResult RunContactJoin(const ContactJoinRequest& request, JoinProgress& progress);

}  // namespace spl
