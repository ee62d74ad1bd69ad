#include "ContactScenes.h"

#include <algorithm>
#include <cmath>

namespace spl::testing {
namespace {

CtsxVector3f ToFloat(const std::array<double, 3>& p) {
  return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

}  // namespace

tsxhost::Mesh GriddedBox(const std::array<double, 3>& lo, const std::array<double, 3>& hi, int cells,
                         const std::string& prefix) {
  tsxhost::Mesh mesh;
  mesh.materials.clear();
  // Each side: a (cells+1)^2 lattice of its own, corners shared through a
  // map from lattice position to vertex index.
  std::vector<std::array<int, 3>> keys;
  const auto vertex = [&](int i, int j, int k) {
    const std::array<int, 3> key{i, j, k};
    for (size_t v = 0; v < keys.size(); ++v) {
      if (keys[v] == key) return static_cast<int32_t>(v);
    }
    keys.push_back(key);
    std::array<double, 3> p{};
    const int ijk[3] = {i, j, k};
    for (int a = 0; a < 3; ++a) p[a] = lo[a] + (hi[a] - lo[a]) * ijk[a] / cells;
    for (int a = 0; a < 3; ++a) {
      if (ijk[a] == cells) p[a] = hi[a];
    }
    mesh.vertices.push_back(ToFloat(p));
    return static_cast<int32_t>(keys.size() - 1);
  };
  // Side (axis a, at end e): the other two axes u, v, turned outward.
  for (int a = 0; a < 3; ++a) {
    for (int e = 0; e < 2; ++e) {
      tsxhost::Material material;
      material.name = prefix + std::to_string(a) + std::to_string(e);
      mesh.materials.push_back(material);
      const int u = (a + 1) % 3, v = (a + 2) % 3;
      for (int s = 0; s < cells; ++s) {
        for (int t = 0; t < cells; ++t) {
          const auto at = [&](int du, int dv) {
            int ijk[3];
            ijk[a] = e * cells;
            ijk[u] = s + du;
            ijk[v] = t + dv;
            return vertex(ijk[0], ijk[1], ijk[2]);
          };
          tsxhost::Face face;
          face.material = static_cast<int32_t>(mesh.materials.size() - 1);
          // (u, v, a) is right-handed: counter-clockwise in (u, v) faces +a.
          std::vector<int32_t> ring{at(0, 0), at(1, 0), at(1, 1), at(0, 1)};
          if (e == 0) std::reverse(ring.begin(), ring.end());
          for (int32_t r : ring) face.corners.push_back({r, -1, -1});
          mesh.faces.push_back(face);
        }
      }
    }
  }
  return mesh;
}

tsxhost::Mesh Cylinder(double cx, double cz, double r, double y0, double y1, int sides, const std::string& prefix) {
  tsxhost::Mesh mesh;
  mesh.materials.resize(2);
  mesh.materials[0].name = prefix + "side";
  mesh.materials[1].name = prefix + "cap";
  const double pi = std::acos(-1.0);
  for (int ring = 0; ring < 2; ++ring) {
    for (int k = 0; k < sides; ++k) {
      const double t = 2 * pi * k / sides;
      mesh.vertices.push_back(ToFloat({cx + r * std::cos(t), ring == 0 ? y0 : y1, cz + r * std::sin(t)}));
    }
  }
  for (int k = 0; k < sides; ++k) {
    const int n = (k + 1) % sides;
    tsxhost::Face side;
    for (int v : {k, k + sides, n + sides, n}) side.corners.push_back({v, -1, -1});
    mesh.faces.push_back(side);
  }
  tsxhost::Face bottom, top;
  bottom.material = top.material = 1;
  for (int k = 0; k < sides; ++k) {
    bottom.corners.push_back({k, -1, -1});
    top.corners.push_back({2 * sides - 1 - k, -1, -1});
  }
  mesh.faces.push_back(bottom);
  mesh.faces.push_back(top);
  return mesh;
}

std::array<double, 3> Placement::Apply(const std::array<double, 3>& p) const {
  const double n = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  const double k[3] = {axis[0] / n, axis[1] / n, axis[2] / n};
  const double c = std::cos(angle), s = std::sin(angle);
  const double dot = k[0] * p[0] + k[1] * p[1] + k[2] * p[2];
  const double cross[3] = {k[1] * p[2] - k[2] * p[1], k[2] * p[0] - k[0] * p[2], k[0] * p[1] - k[1] * p[0]};
  std::array<double, 3> q{};
  for (int a = 0; a < 3; ++a) q[a] = (p[a] * c + cross[a] * s + k[a] * dot * (1 - c)) * scale + move[a];
  return q;
}

tsxhost::Mesh Placed(const tsxhost::Mesh& mesh, const Placement& placement) {
  tsxhost::Mesh out = mesh;
  for (CtsxVector3f& v : out.vertices) v = ToFloat(placement.Apply({v.x, v.y, v.z}));
  return out;
}

Measured MeasureMesh(const tsxhost::Mesh& mesh) {
  Measured m;
  for (const tsxhost::Face& face : mesh.faces) {
    const auto p = [&](size_t c) {
      const CtsxVector3f& v = mesh.vertices[static_cast<size_t>(face.corners[c].vertex)];
      return std::array<double, 3>{v.x, v.y, v.z};
    };
    double n[3] = {0, 0, 0};
    const auto a = p(0);
    for (size_t c = 1; c + 1 < face.corners.size(); ++c) {
      const auto b = p(c), d = p(c + 1);
      // a . (b x d) / 6 and the fan's doubled area vector.
      const double x[3] = {b[1] * d[2] - b[2] * d[1], b[2] * d[0] - b[0] * d[2], b[0] * d[1] - b[1] * d[0]};
      m.volume += (a[0] * x[0] + a[1] * x[1] + a[2] * x[2]) / 6;
      const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, w[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
      n[0] += u[1] * w[2] - u[2] * w[1];
      n[1] += u[2] * w[0] - u[0] * w[2];
      n[2] += u[0] * w[1] - u[1] * w[0];
    }
    m.area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2;
  }
  return m;
}

}  // namespace spl::testing
