#include "engine/common/WorldObject.h"

#include <algorithm>

#include "engine/common/Transforms.h"

namespace spl {

const CtsxVector3f* WorldObject::ReadShape(HostObject obj) {
  object = obj;
  faceCount = std::max(tsxPolyhGetNbrFaces(obj), 0);
  vertexCount = std::max(tsxPolyhGetNbrVxs(obj), 0);
  faces = tsxPolyhGetFaceptrArray(obj);
  if (!faces) faceCount = 0;
  const CtsxVector3f* vertices = tsxPolyhGetVxArray(obj);
  if (!vertices) vertexCount = 0;
  return vertices;
}

void WorldObject::SetWorld(const CtsxVector3f* vertices) {
  world.assign(vertices, vertices + vertexCount);
  ObjectTransform(object).ToWorld(vertexCount, world.data(), world.data());
}

bool WorldObject::CornersValid(const CtsxFace& face) const {
  if (face.nbrCorners <= 0 || !face.corners) return false;
  for (int32_t c = 0; c < face.nbrCorners; ++c) {
    const int32_t v = face.corners[c].vindex;
    if (v < 0 || v >= vertexCount) return false;
  }
  return true;
}

}  // namespace spl
