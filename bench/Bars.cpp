#include "bench/Bars.h"

#include <algorithm>
#include <vector>

namespace bars {
namespace {

// A bar turned to run along y: (x, y, z) -> (y, x, z) with the corner
// order reversed so that it stays outward.
tsxhost::Mesh StandingBar(int segments, const CtsxVector3f& origin) {
  tsxhost::Mesh mesh = Bar(segments, {0, 0, 0});
  for (CtsxVector3f& v : mesh.vertices) v = {origin.x + v.y, origin.y + v.x, origin.z + v.z};
  for (tsxhost::Face& f : mesh.faces) std::reverse(f.corners.begin(), f.corners.end());
  return mesh;
}

tsxSOBJ AddCentred(const std::string& name, const tsxhost::Mesh& mesh) {
  CtsxVector3f lo = mesh.vertices.front(), hi = lo;
  for (const CtsxVector3f& v : mesh.vertices) {
    lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
  }
  return tsxhost::AddPolyhedron(name, mesh, tsxhost::kIdentity,
                                {(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f});
}

}  // namespace

// Ring i holds vertices 4i..4i+3 at x = x0 + i, (y, z) = (0,0) (1,0) (1,1)
// (0,1); the caps are the last two faces.
tsxhost::Mesh Bar(int segments, const CtsxVector3f& origin) {
  tsxhost::Mesh mesh;
  const float ring[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  mesh.vertices.reserve(4 * static_cast<std::size_t>(segments + 1));
  for (int i = 0; i <= segments; ++i) {
    for (const auto& yz : ring) {
      mesh.vertices.push_back({origin.x + static_cast<float>(i), origin.y + yz[0], origin.z + yz[1]});
    }
  }
  mesh.faces.reserve(4 * static_cast<std::size_t>(segments) + 2);
  for (int i = 0; i < segments; ++i) {
    for (int r = 0; r < 4; ++r) {
      const int s = (r + 1) % 4;
      mesh.faces.push_back({{{4 * i + r, -1}, {4 * i + s, -1}, {4 * (i + 1) + s, -1}, {4 * (i + 1) + r, -1}},
                            {},
                            r % 2});
    }
  }
  mesh.faces.push_back({{{3, -1}, {2, -1}, {1, -1}, {0, -1}}, {}, 0});
  const int last = 4 * segments;
  mesh.faces.push_back({{{last, -1}, {last + 1, -1}, {last + 2, -1}, {last + 3, -1}}, {}, 1});
  tsxhost::Material side;
  side.name = "side";
  mesh.materials = {tsxhost::Material{}, side};
  return mesh;
}

void SetUpPair(int facesPerObject, Layout layout, tsxSOBJ* a, tsxSOBJ* b) {
  tsxhost::ResetScene();
  const int segments = (facesPerObject - 2) / 4;
  *a = AddCentred("A", Bar(segments, {0, 0, 0}));
  switch (layout) {
    case Layout::EndToEnd:
      *b = AddCentred("B", Bar(segments, {static_cast<float>(segments), 0, 0}));
      break;
    case Layout::Apart:
      *b = AddCentred("B", Bar(segments, {static_cast<float>(segments) + 0.5f, 0, 0}));
      break;
    case Layout::FarFromMidpoint:
      // Stands on A's first segment: its bottom cap lies on A's top side.
      *b = AddCentred("B", StandingBar(segments, {0, 1, 0}));
      break;
  }
}

}  // namespace bars
