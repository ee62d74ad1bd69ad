// A polyhedron as the junction search and the join's reports read it: its
// face records and its vertices taken to world space once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/common/JoinState.h"
#include "interface/tsxapi.h"

namespace spl {

struct WorldObject {
  HostObject object = 0;
  int32_t faceCount = 0;
  int32_t vertexCount = 0;
  CtsxFace** faces = nullptr;
  std::vector<CtsxVector3f> world;

  // Reads the counts and the face pointers and returns the vertex array; a
  // missing array counts as no faces or no vertices. `world` is left alone.
  const CtsxVector3f* ReadShape(HostObject obj);
  // world := the object's `vertices` (as ReadShape returned them) taken to
  // world space.
  void SetWorld(const CtsxVector3f* vertices);
  // ReadShape, then SetWorld.
  void Load(HostObject obj) { SetWorld(ReadShape(obj)); }

  const CtsxFace& Face(int32_t f) const { return *faces[f]; }
  const CtsxVector3f& World(int32_t v) const { return world[static_cast<std::size_t>(v)]; }
  const CtsxVector3f& Corner(const CtsxFace& face, int32_t c) const { return World(face.corners[c].vindex); }
  // At least one corner, and each names one of the object's vertices.
  bool CornersValid(const CtsxFace& face) const;
  // A face record with valid corners.
  bool FaceValid(int32_t f) const { return faces[f] && CornersValid(*faces[f]); }
};

}  // namespace spl
