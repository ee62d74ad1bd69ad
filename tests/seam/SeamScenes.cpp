#include "tests/seam/SeamScenes.h"

#include <algorithm>
#include <array>

namespace spl::testing {
namespace {

CtsxVector3f Sub(const CtsxVector3f& a, const CtsxVector3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// Turns each face outward from the centre of its (convex) part.
void TurnOutward(tsxhost::Mesh& mesh, std::size_t firstFace, std::size_t firstVertex) {
  CtsxVector3f centre{0, 0, 0};
  const std::size_t n = mesh.vertices.size() - firstVertex;
  for (std::size_t v = firstVertex; v < mesh.vertices.size(); ++v) {
    centre = {centre.x + mesh.vertices[v].x / n, centre.y + mesh.vertices[v].y / n, centre.z + mesh.vertices[v].z / n};
  }
  for (std::size_t f = firstFace; f < mesh.faces.size(); ++f) {
    auto& corners = mesh.faces[f].corners;
    CtsxVector3f normal{0, 0, 0}, mid{0, 0, 0};
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const CtsxVector3f& p = mesh.vertices[static_cast<std::size_t>(corners[i].vertex)];
      const CtsxVector3f& q = mesh.vertices[static_cast<std::size_t>(corners[(i + 1) % corners.size()].vertex)];
      normal = {normal.x + (p.y - q.y) * (p.z + q.z), normal.y + (p.z - q.z) * (p.x + q.x),
                normal.z + (p.x - q.x) * (p.y + q.y)};
      mid = {mid.x + p.x, mid.y + p.y, mid.z + p.z};
    }
    const float k = static_cast<float>(corners.size());
    const CtsxVector3f out = Sub({mid.x / k, mid.y / k, mid.z / k}, centre);
    if (normal.x * out.x + normal.y * out.y + normal.z * out.z < 0) std::reverse(corners.begin(), corners.end());
  }
}

tsxhost::Face MakeFace(const std::vector<int>& corners, int offset, int material) {
  tsxhost::Face face;
  for (const int c : corners) face.corners.push_back({c + offset, -1});
  face.material = material;
  return face;
}

}  // namespace

std::pair<float, float> OctagonCorner(int k) {
  static constexpr std::array<std::pair<float, float>, 8> kCorners{
      {{1, 0}, {2, 0}, {3, 1}, {3, 2}, {2, 3}, {1, 3}, {0, 2}, {0, 1}}};
  return kCorners[static_cast<std::size_t>(k)];
}

std::vector<std::vector<int>> CapFaces(Cap cap) {
  switch (cap) {
    case Cap::Ngon: return {{0, 1, 2, 3, 4, 5, 6, 7}};
    case Cap::FanFrom0: return {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}, {0, 6, 7}};
    case Cap::FanFrom3: return {{3, 4, 5}, {3, 5, 6}, {3, 6, 7}, {3, 7, 0}, {3, 0, 1}, {3, 1, 2}};
    case Cap::Strip: return {{0, 1, 7}, {1, 6, 7}, {1, 2, 6}, {2, 5, 6}, {2, 3, 5}, {3, 4, 5}};
    case Cap::Quads: return {{0, 1, 2, 3}, {0, 3, 4, 7}, {4, 5, 6, 7}};
    case Cap::OtherQuads: return {{1, 2, 3, 4}, {0, 1, 4, 5}, {0, 5, 6, 7}};
  }
  return {};
}

tsxhost::Mesh PrismOver(float x0, float x1, const std::vector<std::pair<float, float>>& corners,
                        const std::vector<std::vector<int>>& capAtX0, const std::vector<std::vector<int>>& capAtX1,
                        const std::string& prefix) {
  tsxhost::Mesh mesh;
  mesh.materials = {tsxhost::Material{}, tsxhost::Material{}};
  mesh.materials[0].name = prefix + "side";
  mesh.materials[1].name = prefix + "cap";
  mesh.materials[1].diffuse = {0.9f, 0.1f, 0.1f};
  const int n = static_cast<int>(corners.size());
  for (const float x : {x0, x1}) {
    for (const auto& [y, z] : corners) mesh.vertices.push_back({x, y, z});
  }
  for (int k = 0; k < n; ++k) mesh.faces.push_back(MakeFace({k, (k + 1) % n, n + (k + 1) % n, n + k}, 0, 0));
  for (const auto& face : capAtX0) mesh.faces.push_back(MakeFace(face, 0, 1));
  for (const auto& face : capAtX1) mesh.faces.push_back(MakeFace(face, n, 1));
  TurnOutward(mesh, 0, 0);
  return mesh;
}

tsxhost::Mesh OctagonPrism(float x0, float x1, Cap capAtX0, Cap capAtX1, const std::string& prefix) {
  std::vector<std::pair<float, float>> octagon;
  for (int k = 0; k < 8; ++k) octagon.push_back(OctagonCorner(k));
  return PrismOver(x0, x1, octagon, CapFaces(capAtX0), CapFaces(capAtX1), prefix);
}

void AppendBox(tsxhost::Mesh& mesh, const CtsxVector3f& lo, const CtsxVector3f& hi) {
  const int base = static_cast<int>(mesh.vertices.size());
  const std::size_t firstFace = mesh.faces.size();
  for (int i = 0; i < 8; ++i) {
    mesh.vertices.push_back({(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z});
  }
  for (const auto& f : std::vector<std::vector<int>>{{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                                     {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}}) {
    mesh.faces.push_back(MakeFace(f, base, 0));
  }
  TurnOutward(mesh, firstFace, static_cast<std::size_t>(base));
}

}  // namespace spl::testing
