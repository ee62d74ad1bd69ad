#include "apps/tsxhost/SceneGeometry.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "apps/tsxhost/TransformMath.h"
#include "host/scene/Scene.h"

namespace hostapp {

namespace {

uint32_t PackColour(const tsxhost::Material& m) {
  auto byte = [](float v) {
    return uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
  };
  return byte(m.diffuse[0]) << 16 | byte(m.diffuse[1]) << 8 | byte(m.diffuse[2]);
}

// Newell's normal of a polygon, robust for non-planar and concave faces.
CtsxVector3f FaceNormal(const std::vector<CtsxVector3f>& p, uint32_t base,
                        const tsxhost::Face& face) {
  double nx = 0, ny = 0, nz = 0;
  const size_t n = face.corners.size();
  for (size_t i = 0; i < n; ++i) {
    const CtsxVector3f& u = p[base + uint32_t(face.corners[i].vertex)];
    const CtsxVector3f& v = p[base + uint32_t(face.corners[(i + 1) % n].vertex)];
    nx += (double(u.y) - v.y) * (double(u.z) + v.z);
    ny += (double(u.z) - v.z) * (double(u.x) + v.x);
    nz += (double(u.x) - v.x) * (double(u.y) + v.y);
  }
  const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (len == 0) return {0, 0, 1};
  return {float(nx / len), float(ny / len), float(nz / len)};
}

// Normals turn with the object: by the cofactors of its transform's 3x3
// part (the inverse transpose up to scale), then made unit again.
CtsxVector3f TurnNormal(const CtsxTxmx3f& t, const CtsxVector3f& n) {
  const float* m = t.m;  // rows of four: 3x3 then the translation
  const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9],
              i = m[10];
  const double x = double(e * i - f * h) * n.x + double(f * g - d * i) * n.y + double(d * h - e * g) * n.z;
  const double y = double(c * h - b * i) * n.x + double(a * i - c * g) * n.y + double(b * g - a * h) * n.z;
  const double z = double(b * f - c * e) * n.x + double(c * d - a * f) * n.y + double(a * e - b * d) * n.z;
  const double len = std::sqrt(x * x + y * y + z * z);
  if (!(len > 0) || !std::isfinite(len)) return {0, 0, 0};
  return {float(x / len), float(y / len), float(z / len)};
}

// The triangle's corner normals from the file, when all three have one.
void SmoothFrom(Triangle& tri, const std::vector<CtsxVector3f>& normals,
                const tsxhost::Corner* corners[3]) {
  for (int k = 0; k < 3; ++k) {
    const int32_t n = corners[k]->normal;
    if (n < 0 || size_t(n) >= normals.size()) return;
    const CtsxVector3f& v = normals[size_t(n)];
    if (v.x == 0 && v.y == 0 && v.z == 0) return;
    tri.cornerNormal[k] = v;
  }
  tri.smooth = true;
}

bool CornersValid(const std::vector<tsxhost::Corner>& loop, size_t count) {
  return std::all_of(loop.begin(), loop.end(), [count](const tsxhost::Corner& c) {
    return c.vertex >= 0 && size_t(c.vertex) < count;
  });
}

// Each edge once; an edge met a second time is no longer a boundary.
void AddLoopEdges(SceneGeometry& g, uint32_t base, int32_t object,
                  const std::vector<tsxhost::Corner>& loop,
                  std::unordered_map<uint64_t, size_t>& seen) {
  for (size_t i = 0; i < loop.size(); ++i) {
    uint32_t a = base + uint32_t(loop[i].vertex);
    uint32_t b = base + uint32_t(loop[(i + 1) % loop.size()].vertex);
    if (a == b) continue;
    const uint64_t key = uint64_t(std::min(a, b)) << 32 | std::max(a, b);
    const auto [it, fresh] = seen.emplace(key, g.edges.size());
    if (fresh) {
      g.edges.push_back({a, b, object, true});
    } else {
      g.edges[it->second].boundary = false;
    }
  }
}

void AddObject(SceneGeometry& g, tsxSOBJ obj, const tsxhost::Mesh& mesh) {
  const auto object = int32_t(g.objects.size());
  g.objects.push_back(obj);
  const CtsxTxmx3f m = tsxhost::GetTransform(obj);
  const auto base = uint32_t(g.points.size());
  for (const CtsxVector3f& v : mesh.vertices) g.points.push_back(Apply(m, v));
  std::vector<CtsxVector3f> normals;
  normals.reserve(mesh.normals.size());
  for (const CtsxVector3f& n : mesh.normals) normals.push_back(TurnNormal(m, n));
  std::unordered_map<uint64_t, size_t> seen;
  for (const tsxhost::Face& face : mesh.faces) {
    if (face.corners.size() < 2 || !CornersValid(face.corners, mesh.vertices.size()))
      continue;
    const size_t mat = size_t(face.material) < mesh.materials.size() ? size_t(face.material) : 0;
    const uint32_t rgb = mesh.materials.empty() ? 0xCCCCCCu : PackColour(mesh.materials[mat]);
    const CtsxVector3f normal = FaceNormal(g.points, base, face);
    for (size_t i = 1; i + 1 < face.corners.size(); ++i) {
      Triangle tri{base + uint32_t(face.corners[0].vertex), base + uint32_t(face.corners[i].vertex),
                   base + uint32_t(face.corners[i + 1].vertex), rgb, normal, object};
      const tsxhost::Corner* corners[3] = {&face.corners[0], &face.corners[i], &face.corners[i + 1]};
      SmoothFrom(tri, normals, corners);
      g.triangles.push_back(tri);
    }
    AddLoopEdges(g, base, object, face.corners, seen);
    for (const auto& hole : face.holes)
      if (CornersValid(hole, mesh.vertices.size())) AddLoopEdges(g, base, object, hole, seen);
  }
  g.firstPoint.push_back(uint32_t(g.points.size()));
}

template <typename Visit>
void ForPointsOf(const SceneGeometry& g, const std::vector<tsxSOBJ>& objects, Visit visit) {
  if (objects.empty()) {
    for (const CtsxVector3f& p : g.points) visit(p);
    return;
  }
  for (tsxSOBJ obj : objects) {
    const int i = g.IndexOf(obj);
    if (i < 0) continue;
    for (uint32_t k = g.firstPoint[size_t(i)]; k < g.firstPoint[size_t(i) + 1]; ++k) visit(g.points[k]);
  }
}

}  // namespace

Sphere BoundingSphere(const SceneGeometry& g, const std::vector<tsxSOBJ>& objects) {
  bool any = false;
  CtsxVector3f lo{0, 0, 0}, hi{0, 0, 0};
  ForPointsOf(g, objects, [&](const CtsxVector3f& p) {
    if (!any) lo = hi = p;
    any = true;
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  });
  Sphere s;
  if (!any) return s;
  s.centre = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
  double r2 = 0;
  ForPointsOf(g, objects, [&](const CtsxVector3f& p) {
    const double dx = double(p.x) - s.centre.x, dy = double(p.y) - s.centre.y,
                 dz = double(p.z) - s.centre.z;
    r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
  });
  s.radius = float(std::sqrt(r2));
  return s;
}

int SceneGeometry::IndexOf(tsxSOBJ obj) const {
  const auto it = std::find(objects.begin(), objects.end(), obj);
  return it == objects.end() || obj == 0 ? -1 : int(it - objects.begin());
}

SceneGeometry BuildSceneGeometry(const std::vector<tsxSOBJ>& objects,
                                 const std::function<bool(size_t done, size_t total)>& goOn) {
  SceneGeometry g;
  tsxhost::Mesh mesh;
  for (size_t i = 0; i < objects.size(); ++i) {
    if (goOn && !goOn(i, objects.size())) break;
    if (tsxhost::ReadMesh(objects[i], &mesh)) AddObject(g, objects[i], mesh);
  }
  if (!g.points.empty()) {
    g.boxMin = g.boxMax = g.points.front();
    for (const CtsxVector3f& p : g.points) {
      g.boxMin = {std::min(g.boxMin.x, p.x), std::min(g.boxMin.y, p.y), std::min(g.boxMin.z, p.z)};
      g.boxMax = {std::max(g.boxMax.x, p.x), std::max(g.boxMax.y, p.y), std::max(g.boxMax.z, p.z)};
    }
  }
  return g;
}

}  // namespace hostapp
