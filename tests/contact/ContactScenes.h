// Generated scenes for the contact join: boxes and prisms touching in
// various ways, placed anywhere by one transform, and what their union
// must measure, computed apart from the join.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "host/scene/Scene.h"

namespace spl::testing {

// A box from lo to hi whose faces are gridded n0 x n1 quads on every side
// (so that two such boxes' touching faces can be gridded differently).
tsxhost::Mesh GriddedBox(const std::array<double, 3>& lo, const std::array<double, 3>& hi, int cells,
                         const std::string& prefix);

// A closed prism standing on the plane y = y0 up to y1: a regular polygon of
// `sides` corners of radius r around (cx, cz).
tsxhost::Mesh Cylinder(double cx, double cz, double r, double y0, double y1, int sides, const std::string& prefix);

// A placement: rotation about an oblique axis, a uniform scale and a
// translation, applied to the vertices (so coordinates are not multiples
// of a power of two). Identity by default.
struct Placement {
  std::array<double, 3> axis{0, 0, 1};
  double angle = 0;
  double scale = 1;
  std::array<double, 3> move{0, 0, 0};
  std::array<double, 3> Apply(const std::array<double, 3>& p) const;
};
tsxhost::Mesh Placed(const tsxhost::Mesh& mesh, const Placement& placement);

// Volume and area of a closed mesh, by the divergence theorem in double over
// its faces' fans (independent of the engine's measure).
struct Measured {
  double volume = 0;
  double area = 0;
};
Measured MeasureMesh(const tsxhost::Mesh& mesh);

}  // namespace spl::testing
