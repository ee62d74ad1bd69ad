// The merge of a contact join: the members of one group laid into one new
// object, the host's copy of the first member.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"
#include "engine/contact/CornerBlend.h"

namespace spl {

struct MergePlan {
  std::vector<HostObject> members;               // the first is the one `result` was copied from
  std::vector<std::vector<int32_t>> dropped;     // per member, faces left out, rising
  std::vector<int64_t> vertexStart;              // per member, its first vertex's global number
  // Per global vertex number: the global number it welds onto (itself when
  // it stays). Always a lower number, or itself.
  std::vector<int64_t> weldOnto;
  // Per member: points put into its edges, by edge (lower vertex << 32 |
  // higher vertex, the member's own numbers), in order from the lower end.
  struct EdgeInsert {
    int64_t point = 0;  // a global vertex number
    double t = 0;       // its place along the edge from the lower end, for the UVs
  };
  std::vector<std::map<uint64_t, std::vector<EdgeInsert>>> inserts;
  // Points made where the contact's outlines cross, in world space; their
  // global numbers follow the members' vertices (they never weld).
  std::vector<CtsxVector3f> newPoints;
  // Per member: faces replaced by pieces (what the other side leaves of
  // them), each piece a face of its own with the source face's material.
  struct PieceCorner {
    int64_t point = 0;   // a global vertex number
    int32_t uv = -1;     // the member's own UV index, or -1
    bool ownUV = false;  // `value` is the corner's UV
    CtsxUV value{};
    CornerBlend blend;   // where it lies on the face it is a piece of
  };
  using Piece = std::vector<PieceCorner>;
  std::vector<std::map<int32_t, std::vector<Piece>>> rebuilt;
};

// Replaces the result's vertices, UVs and faces: the first member's
// vertices as they are, then each further member's not welded, taken
// through world space into the result's; the members' UVs in turn; each
// member's faces without its dropped ones, renumbered (holes too), welded
// vertices replaced by what they weld onto, the points put into an edge
// added as corners (each with a UV interpolated along the edge when both
// ends have one; such a face is made anew and keeps its material and flags,
// not what the host keeps beyond the interface, which the caller gives it
// from `rebuilt`). Then the host's caches are refreshed and every face is
// painted with its source face's material.
// Succeeded when LastError is still 0; on failure the error has been
// reported once and the caller deletes the result.
// What the merge made beyond copying the members' faces as they were.
struct MergeMade {
  int64_t splitFaces = 0;            // faces that got points in their edges
  std::vector<RebuiltFace> rebuilt;  // faces made anew (pieces, faces with points), rising
  // Faces copied with a corner welded onto another vertex: where they lie
  // in the result and what they came from.
  struct Moved {
    int32_t face = 0;
    size_t member = 0;
    int32_t sourceFace = 0;
  };
  std::vector<Moved> moved;
};
void MergeContactGroup(JoinProgress& progress, HostObject result, const MergePlan& plan, MergeMade* made);

// Progress steps MergeContactGroup reports in all.
int64_t ContactMergeSteps(const std::vector<HostObject>& members);

}  // namespace spl
