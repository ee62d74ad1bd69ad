// Generated scenes for the seam join: prisms over one octagon whose touching
// caps are split into faces in different ways.
#pragma once

#include <string>
#include <vector>

#include "host/scene/Scene.h"

namespace spl::testing {

// How a cap over the octagon's corners 0..7 is split into faces.
enum class Cap {
  Ngon,        // one face of 8 corners
  FanFrom0,    // 6 triangles around corner 0
  FanFrom3,    // 6 triangles around corner 3
  Strip,       // 6 triangles zigzagging between the two ends
  Quads,       // (0 1 2 3) (0 3 4 7) (4 5 6 7)
  OtherQuads,  // (1 2 3 4) (0 1 4 5) (0 5 6 7)
};

// A closed prism along x from x0 to x1 over the octagon in the y-z plane
// (corners (1,0) (2,0) (3,1) (3,2) (2,3) (1,3) (0,2) (0,1)): ring 0 at x0 is
// vertices 0..7, ring 1 at x1 vertices 8..15. Faces: the 8 sides, the cap
// at x0 split as `capAtX0`, the cap at x1 split as `capAtX1`; every face is
// turned outward. Sides have material "<prefix>side", caps "<prefix>cap".
tsxhost::Mesh OctagonPrism(float x0, float x1, Cap capAtX0, Cap capAtX1, const std::string& prefix);

// The same over `corners` (y, z), any convex polygon in order: ring 0 at x0
// is vertices 0..n-1, ring 1 at x1 vertices n..2n-1. Faces: the n sides,
// then the cap at x0 split into `capAtX0`, then the cap at x1 split into
// `capAtX1` (corner lists over 0..n-1).
tsxhost::Mesh PrismOver(float x0, float x1, const std::vector<std::pair<float, float>>& corners,
                        const std::vector<std::vector<int>>& capAtX0, const std::vector<std::vector<int>>& capAtX1,
                        const std::string& prefix);

// The faces of a cap split as `cap`, as corner lists over 0..7.
std::vector<std::vector<int>> CapFaces(Cap cap);

// The octagon's corner k as (y, z).
std::pair<float, float> OctagonCorner(int k);

// A closed box from `lo` to `hi` appended to `mesh` (6 quads, turned out).
void AppendBox(tsxhost::Mesh& mesh, const CtsxVector3f& lo, const CtsxVector3f& hi);

}  // namespace spl::testing
