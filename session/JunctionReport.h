// The report of a join: what was joined, what is left of the seam, and,
// when no junction was found, which faces came nearest and at what accuracy
// they would join. Made after the join from the two sources (unchanged by
// any join) and JoinState; it reads, and never changes, the join.
//
// Two faces, one of each object, "touch" when they have the same corner
// count and a corner k of the second's lies on corner 0 of the first's such
// that corner i of the first coincides with corner (k - i) mod n of the
// second for every i: corners on corners, running opposite. Unlike the
// search, any such k counts, not only the lowest. Two points coincide as in
// the search: their distance in whole thousandths is at most the accuracy's.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/common/JoinState.h"
#include "engine/face/JunctionSearch.h"
#include "engine/seam/JoinedSeam.h"
#include "interface/tsxapi.h"
#include "session/SealCheck.h"

namespace spl {

// The junction of a plain join.
struct JunctionFacts {
  int32_t faceA = -1;
  int32_t faceB = -1;
  int32_t cornerA = 0;   // the corner of face A the walk starts from
  int32_t cornerB = -1;  // the corner of face B on it
  int32_t corners = 0;
  double maxGap = 0;  // largest world distance of two welded corners
};

// What is left of the seam after the join: touching face pairs of which
// neither face was dropped, and coinciding vertex pairs (one of each
// object) whose second vertex was not welded.
struct SeamLeft {
  int64_t touchingFacePairs = 0;
  int64_t coincidingVertexPairs = 0;
  bool Complete() const { return touchingFacePairs == 0 && coincidingVertexPairs == 0; }
};

// A face pair that could form a junction: same corner count, nearest when
// walked opposite.
struct JunctionCandidate {
  int32_t faceA = -1;
  int32_t faceB = -1;
  int32_t corners = 0;
  double maxGap = 0;  // largest corner distance at the best starting corner
  // The smallest accuracy, in whole thousandths, at which the search's own
  // rule (the lowest corner of B on corner 0 of A, walked backward) accepts
  // the pair; empty when no accuracy that fits does.
  std::optional<int32_t> accuracy;
  double shortestEdge = 0;  // the shortest edge of the two faces, in world space
};

// What the hint after "06" says: an accuracy to try, that the objects touch
// face to face (a join of the whole contact takes them), or that they do
// not.
enum class HintKind { Accuracy, Contact, Apart };

// An accuracy is suggested only when it moves no corner by more than this
// share of the shortest edge of the faces it joins: more would change the
// shape, not close a gap.
inline constexpr double kHintEdgeShare = 0.1;

// After "06": the nearest candidates, best first, and what to do.
struct JunctionHint {
  HintKind kind = HintKind::Accuracy;
  std::vector<JunctionCandidate> candidates;
  // Kind Accuracy: the best candidate's accuracy in whole thousandths and as
  // a length.
  int32_t accuracyThousandths = 0;
  double Accuracy() const { return accuracyThousandths / 1000.0; }
  // The best candidate's shortest edge when it is below the join's accuracy:
  // a larger accuracy then puts another corner of B on corner 0 of A first.
  std::optional<double> shortEdge;
  // Kind Contact: face pairs lying on each other, the first of them.
  int64_t contactFacePairs = 0;
  int32_t contactFaceA = -1;
  int32_t contactFaceB = -1;
};

// A line of the outline of what was joined, in world space.
struct OutlineSegment {
  CtsxVector3f from{};
  CtsxVector3f to{};
};

struct JunctionReport {
  int32_t error = 0;            // LastError after the join
  double accuracy = 0;          // the accuracy the join ran with
  bool accuracyFits = true;     // it converts to whole thousandths
  std::optional<JunctionFacts> junction;  // a plain join that succeeded
  std::optional<JoinedSeam> seamJoin;     // a seam join that succeeded: what it took out
  SeamLeft left;                          // after a join that succeeded
  double seamMaxGap = 0;                  // after a seam join: the largest distance of two welded vertices
  std::optional<JunctionHint> hint;       // after "06", when a candidate exists
  std::vector<OutlineSegment> outline;    // the junction face, or the seam's border
  // The result's seal, once AddResultSeal has looked; whether both sources
  // were sealed is looked at only when the result is not.
  std::optional<SealFacts> seal;
  bool sourcesSealed = false;
  bool Joined() const { return error == 0 && (junction || seamJoin); }
  bool ResultSealed() const { return seal && seal->Sealed(); }
  // Whether the join left part of the seam: after a plain join, anything
  // left; after a seam join, faces that still touch (it leaves vertices
  // that are close but not on its seam apart on purpose). A sealed result
  // has no seam left, whatever lies near it.
  bool SeamIncomplete() const {
    return Joined() && !ResultSealed() && (seamJoin ? left.touchingFacePairs > 0 : !left.Complete());
  }
  // Two sealed sources gave a result that is not: walls, gaps or doubled
  // corners were left.
  bool SealLost() const { return Joined() && seal && !seal->Sealed() && sourcesSealed; }
};

// After RunJoin: the report of the plain join that `ran` (JoinMade::inputs),
// from JoinState's LastError and junction fields. `kept`, when given, saves
// building the geometry again. Throws std::bad_alloc only.
JunctionReport ReportPlainJoin(const JoinInputs& ran, SearchGeometry* kept = nullptr);

// The faces and matching corner of a plain junction, as JoinState holds
// them.
struct JunctionFaces {
  int32_t faceA = -1;
  int32_t faceB = -1;
  int32_t cornerB = -1;  // the corner of face B on corner 0 of face A
};

// The report of a plain join whose junction is known from elsewhere (the
// host program reads it off the result). error is -1006 when the faces do
// not form one.
JunctionReport ReportJunction(HostObject first, HostObject second, const JunctionFaces& faces, double accuracy);

// After a seam join that `ran` (SeamJoinMade::inputs) and that took `joined`
// out of the sources: what is left.
JunctionReport ReportSeamJoin(const JoinInputs& ran, const JoinedSeam& joined);

// Looks whether `result`, the join's new object, is sealed, and when it is
// not, whether both sources were. Nothing when the report is of no join.
void AddResultSeal(JunctionReport& report, HostObject first, HostObject second, HostObject result);

}  // namespace spl
