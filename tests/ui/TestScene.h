// Small scenes for window tests.
#pragma once

#include <string>

#include "host/scene/Scene.h"

namespace spl::testing {

// A unit cube at (x0, 0, 0)..(x0 + 1, 1, 1), faces turned outwards:
//
//      7-------6        z
//     /|      /|        |  y
//    4-------5 |        | /
//    | 3-----|-2        |/
//    |/      |/         +---- x
//    0-------1
//
inline tsxhost::Mesh UnitCube(float x0) {
  tsxhost::Mesh mesh;
  for (int i = 0; i < 8; ++i) {
    const float x = x0 + ((i == 1 || i == 2 || i == 5 || i == 6) ? 1.0f : 0.0f);
    const float y = (i == 2 || i == 3 || i == 6 || i == 7) ? 1.0f : 0.0f;
    const float z = i >= 4 ? 1.0f : 0.0f;
    mesh.vertices.push_back({x, y, z});
  }
  const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                           {2, 3, 7, 6}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  for (const auto& f : faces) {
    tsxhost::Face face;
    for (int v : f) face.corners.push_back({v, -1});
    mesh.faces.push_back(face);
  }
  return mesh;
}

// A polyhedron too small to join: a single triangle.
inline tsxhost::Mesh Triangle() {
  tsxhost::Mesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.faces.push_back(tsxhost::Face{{{0, -1}, {1, -1}, {2, -1}}, {}, 0});
  return mesh;
}

}  // namespace spl::testing
