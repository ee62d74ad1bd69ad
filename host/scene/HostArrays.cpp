// Polyhedra from caller-owned flat arrays: checked whole, then copied once
// into the host's blocks.
#include <algorithm>
#include <cmath>

#include "host/scene/HostState.h"

namespace tsxhost {
namespace {

std::string CheckFaces(const MeshArrays& m) {
  if (m.faceCount > 0 && (!m.faceStart || !m.cornerVertex)) return "faces without corner arrays";
  if (m.faceCount > 0 && m.faceStart[0] != 0) return "the first face must start at corner 0";
  const auto vertices = static_cast<int64_t>(m.vertexCount), uvs = static_cast<int64_t>(m.uvCount);
  for (size_t f = 0; f < m.faceCount; ++f) {
    const int64_t begin = m.faceStart[f], end = m.faceStart[f + 1];
    if (end - begin < 3 || end - begin > INT16_MAX) {
      return "face " + std::to_string(f) + " has " + std::to_string(end - begin) + " corners (3 to 32767 allowed)";
    }
    for (int64_t c = begin; c < end; ++c) {
      if (m.cornerVertex[c] < 0 || m.cornerVertex[c] >= vertices) {
        return "face " + std::to_string(f) + ": vertex index " + std::to_string(m.cornerVertex[c]) + " is out of range";
      }
      if (m.cornerUv && (m.cornerUv[c] < -1 || m.cornerUv[c] >= uvs)) {
        return "face " + std::to_string(f) + ": UV index " + std::to_string(m.cornerUv[c]) + " is out of range";
      }
    }
    if (m.faceMaterial && (m.faceMaterial[f] < 0 || static_cast<size_t>(m.faceMaterial[f]) >= m.materials.size())) {
      return "face " + std::to_string(f) + ": material index " + std::to_string(m.faceMaterial[f]) + " is out of range";
    }
  }
  return {};
}

std::string CheckFinite(const MeshArrays& m) {
  for (size_t v = 0; v < m.vertexCount; ++v) {
    if (!std::isfinite(m.vertices[v].x) || !std::isfinite(m.vertices[v].y) || !std::isfinite(m.vertices[v].z)) {
      return "vertex " + std::to_string(v) + " has a coordinate that is not finite";
    }
  }
  for (size_t t = 0; t < m.uvCount; ++t) {
    if (!std::isfinite(m.uvs[t].u) || !std::isfinite(m.uvs[t].v)) {
      return "UV " + std::to_string(t) + " has a coordinate that is not finite";
    }
  }
  if (!m.cornerNormal) return {};
  const size_t corners = m.faceCount ? static_cast<size_t>(m.faceStart[m.faceCount]) : 0;
  for (size_t c = 0; c < corners; ++c) {
    const CtsxVector3f& n = m.cornerNormal[c];
    const bool none = std::isnan(n.x) && std::isnan(n.y) && std::isnan(n.z);
    if (!none && !(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z))) {
      return "the normal of corner " + std::to_string(c) + " is neither finite nor all NaN (none)";
    }
  }
  return {};
}

std::string Check(const std::string& name, const MeshArrays& m) {
  if (name.empty()) return "an object needs a name";
  if (FindObject(name)) return "a second object named '" + name + "'";
  if (m.vertexCount > INT32_MAX || m.uvCount > INT32_MAX || m.faceCount > INT32_MAX) return "too many elements";
  if ((m.vertexCount > 0 && !m.vertices) || (m.uvCount > 0 && !m.uvs)) return "a count without its array";
  if (m.materials.empty() || m.materials.size() > UINT16_MAX + size_t{1}) return "1 to 65536 materials needed";
  if (std::string why = CheckFaces(m); !why.empty()) return why;
  return CheckFinite(m);
}


}  // namespace

tsxSOBJ AddPolyhedronArrays(const std::string& name, const MeshArrays& mesh, std::string* error) {
  if (std::string why = Check(name, mesh); !why.empty()) {
    if (error) *error = why;
    return 0;
  }
  return detail::AddArraysPolyhedron(name, mesh, detail::BoundingBoxCentre({mesh.vertices, mesh.vertexCount}));
}

}  // namespace tsxhost
