#include "tests/assembly/AssemblyScenes.h"

#include <cmath>
#include <map>

namespace assemblytest {

tsxhost::Mesh BoxMesh(const BoxSpec& box) {
  const int n = box.divisions;
  tsxhost::Mesh mesh;
  std::map<std::array<int, 3>, int32_t> index;
  auto vertex = [&](std::array<int, 3> at) {
    auto [it, fresh] = index.emplace(at, static_cast<int32_t>(mesh.vertices.size()));
    if (fresh) {
      float p[3];
      for (int a = 0; a < 3; ++a) p[a] = box.lo[a] + (box.hi[a] - box.lo[a]) * static_cast<float>(at[a]) / n;
      mesh.vertices.push_back({p[0], p[1], p[2]});
    }
    return it->second;
  };
  for (int axis = 0; axis < 3; ++axis) {
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;  // u x v = axis
    for (int side = 0; side < 2; ++side) {
      for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
          std::vector<int32_t> quad;
          for (auto [du, dv] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
            std::array<int, 3> at{};
            at[axis] = side * n;
            at[u] = i + du;
            at[v] = j + dv;
            quad.push_back(vertex(at));
          }
          if (side == 0) std::swap(quad[1], quad[3]);
          auto face = [&](std::vector<int32_t> corners) {
            tsxhost::Face f;
            for (int32_t c : corners) f.corners.push_back({c, -1, -1});
            mesh.faces.push_back(f);
          };
          if (box.triangles) {
            face({quad[0], quad[1], quad[2]});
            face({quad[0], quad[2], quad[3]});
          } else {
            face(quad);
          }
        }
      }
    }
  }
  return mesh;
}

tsxSOBJ AddBox(const std::string& name, const BoxSpec& box) {
  std::array<float, 3> mid{};
  for (int a = 0; a < 3; ++a) mid[a] = (box.lo[a] + box.hi[a]) / 2;
  return tsxhost::AddPolyhedron(name, BoxMesh(box), tsxhost::kIdentity, {mid[0], mid[1], mid[2]});
}

Measures Measure(tsxSOBJ obj) {
  tsxhost::Mesh mesh;
  Measures m;
  if (!tsxhost::ReadMesh(obj, &mesh)) return m;
  for (const tsxhost::Face& f : mesh.faces) {
    const CtsxVector3f& a = mesh.vertices[f.corners[0].vertex];
    for (size_t i = 1; i + 1 < f.corners.size(); ++i) {
      const CtsxVector3f& b = mesh.vertices[f.corners[i].vertex];
      const CtsxVector3f& c = mesh.vertices[f.corners[i + 1].vertex];
      const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
      const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
      const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
      m.area += std::sqrt(nx * nx + ny * ny + nz * nz) / 2;
      m.volume += (a.x * nx + a.y * ny + a.z * nz) / 6;
    }
  }
  return m;
}

bool Sealed(tsxSOBJ obj) {
  tsxPolyhComputeFaceAdjacency(obj);
  return tsxhost::IsClosed(obj);
}

}  // namespace assemblytest
