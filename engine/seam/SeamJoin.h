// The seam join: a second join mode beside RunJoin that joins the first and
// the second object along the whole seam where their surfaces lie on each
// other, not across one face pair.
//
// The rules, all in world space (each object's vertices taken through its
// transform, as the plain join's search takes them):
//
// - Coincide: two points coincide when their distance in whole thousandths
//   is at most the accuracy in whole thousandths (the plain join's test).
//   "Within the accuracy" below means within (thousandths + 0.5) / 1000,
//   the largest distance that still coincides.
// - Partner: each vertex of the second object takes as partner the nearest
//   coinciding vertex of the first (the lowest index among equally near
//   ones), or none. A seam point is a first-object vertex; a second-object
//   vertex stands for its partner.
// - Seam face: a face of either object with 3 or more corners, no holes and
//   an area, whose every corner is on the other object: for the second
//   object, a vertex with a partner; for the first, a vertex that is some
//   second-object vertex's partner. Its corners must name distinct seam
//   points.
// - Facing: a face's direction is its Newell normal (its corner order, the
//   host's front side); two faces face opposite ways when their normals'
//   dot product is negative. Two faces are coplanar when every corner of
//   each is within the accuracy of the other's plane (the plane through its
//   centroid with its normal), allowing also for how far the plane's own
//   face bends away from it.
// - Region: seam faces that share an edge (two seam points) and are
//   compatible are linked into regions: faces of one object when coplanar
//   and facing the same way, a face of each object when coplanar and facing
//   opposite ways.
// - Lies on: the faces of a region lie on each other when it holds faces of
//   both objects and every edge between two seam points is run by its faces
//   as often one way as the other: the first object's faces and the second's
//   then tile the same outline, turned against each other, however each
//   side is triangulated (an n-gon against a fan of the same outline,
//   different diagonals, quads against triangles). All faces of such a
//   region are dropped.
// - Partly complete seam: in a region where the two sides do not tile the
//   same outline, a face is dropped only together with the other object's
//   faces whose seam points are all among its own, and only when those tile
//   exactly that face (for example a triangle pair of one quad lying on a
//   quad). Everything else stays: a face only partly covered, and a face
//   that lies inside a larger face of the other object that is only partly
//   covered; such a seam stays open there, or doubled, and nothing welds
//   across it. The report tells what is left.
// - Weld: a second-object vertex that is a corner of one of its dropped
//   faces goes onto its partner when the partner is a corner of a dropped
//   face of the first object; the first object's vertex survives. No other
//   vertex welds: surfaces that pass within the accuracy elsewhere stay
//   apart, even where their vertices coincide.
//
// The result is laid out as the plain join's: the first object's vertices,
// then the second's not welded, in order; the UV coordinates of both, none
// welded; the first object's faces less the dropped ones, then the second's
// less the dropped ones, each face with the material of its source face.
// With exactly one touching face pair this is the plain join's result.
#pragma once

#include "engine/face/RunJoin.h"
#include "engine/seam/JoinedSeam.h"

namespace spl {

// Runs one seam join of the inputs' two objects at their accuracy, with the
// conventions of RunJoin: the same caller guarantees, progress with abort
// and errors through `progress`, the sources only read, and the result
// added to the scene as a new object, or LastError nonzero and nothing
// added.
// Reports -1006 when no face lies on the other object (nothing to join).
// Its stages are reported to the hooks' observer as RunJoin's are (the
// hooks' search geometry is not used).
struct SeamJoinMade {
  JoinInputs inputs;      // what it ran with
  HostObject result = 0;  // the object added to the scene; 0 when none
  JoinedSeam seam;        // what it dropped and welded; empty unless it succeeded
};
SeamJoinMade RunSeamJoin(const JoinInputs& inputs, const JoinHooks& hooks, JoinProgress& progress);

}  // namespace spl
