// The scene's polyhedra in world space, flattened for drawing: one copy
// made when the scene changes, so the view never reads host memory while
// it draws (a plug-in may be working on the scene then).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "interface/tsxapi.h"

namespace hostapp {

struct Triangle {
  uint32_t a, b, c;      // into SceneGeometry::points
  uint32_t rgb;          // the face's diffuse colour, 0xRRGGBB
  CtsxVector3f normal;   // unit face normal, world space
  int32_t object;        // into SceneGeometry::objects
  // The file's normals at a, b and c (unit, world space), where each of
  // the three corners has one: the triangle is then shaded smoothly.
  bool smooth = false;
  CtsxVector3f cornerNormal[3]{};
};

struct Edge {
  uint32_t a, b;  // into points; each edge of an object once
  int32_t object;
  bool boundary = false;  // on one face only: an open border of the object
};

struct SceneGeometry {
  std::vector<tsxSOBJ> objects;  // drawn polyhedra, scene order
  std::vector<CtsxVector3f> points;
  std::vector<Triangle> triangles;
  std::vector<Edge> edges;
  // Object i's points are [firstPoint[i], firstPoint[i + 1]).
  std::vector<uint32_t> firstPoint{0};
  CtsxVector3f boxMin{0, 0, 0}, boxMax{0, 0, 0};  // of every point

  bool empty() const { return points.empty(); }
  int IndexOf(tsxSOBJ obj) const;
};

// A sphere around some of the scene's points: the centre of their box and
// the distance to the farthest of them.
struct Sphere {
  CtsxVector3f centre{0, 0, 0};
  float radius = 0;
};
// Around the objects given (all objects when empty); radius 0 when none of
// them has a point.
Sphere BoundingSphere(const SceneGeometry& scene, const std::vector<tsxSOBJ>& objects);

// Faces become triangle fans of their outer corners (holes show as edges).
// `goOn` is asked before each object with how many are done; false stops
// the building, with the objects before it in the geometry.
SceneGeometry BuildSceneGeometry(const std::vector<tsxSOBJ>& objects,
                                 const std::function<bool(size_t done, size_t total)>& goOn = {});

}  // namespace hostapp
