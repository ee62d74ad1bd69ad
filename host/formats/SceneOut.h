// A scene as it is about to be written to a glTF, PLY or STL file: per
// object, one mesh per material with its own vertex arrays (a host vertex
// used with several UVs or normals is split), faces as runs of indices.
// Not part of any public interface.
#pragma once

#include <string>
#include <vector>

#include "host/scene/HostState.h"

namespace tsxhost::detail {

struct Vec3Out {
  float x, y, z;
};
struct UvOut {
  float u, v;
};

// One mesh of the file: the faces of one material, with split vertices.
struct MeshOut {
  std::vector<Vec3Out> positions;
  std::vector<UvOut> uvs;        // empty, or one per position
  std::vector<Vec3Out> normals;  // empty, or one per position
  std::vector<unsigned> indices;  // the faces' corners, one face after another
  // Face f has indices [faceStart[f], faceStart[f + 1]); empty when every
  // face is a triangle.
  std::vector<unsigned> faceStart;
  unsigned material = 0;
};

struct NodeOut {
  std::string name;
  CtsxTxmx3f transform;
  std::vector<unsigned> meshes;
};

struct SceneOut {
  std::vector<MeshOut> meshes;
  std::vector<Material> materials;
  std::vector<NodeOut> nodes;
};

}  // namespace tsxhost::detail
