// `splicer_make_slabs N OUT.obj`: writes two slabs "A" and "B", each an N x N
// grid of quads (with UVs) on its far side and one quad on the side it
// stands on the other with, for timing a join of flat, wide objects from
// outside. Grid steps are 0.1, well above the default accuracy, so nothing
// but the touching corners lies within it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"

namespace {

// A slab from z = 0 to z = `height` (-1: downwards, mirrored): the grid on
// top, one quad at z = 0, and four sides, each one polygon from the grid's
// edge down to the bottom quad's.
tsxhost::Mesh Slab(int n, float height) {
  tsxhost::Mesh mesh;
  const auto grid = [n](int i, int j) { return j * (n + 1) + i; };
  const float step = 0.1f;
  mesh.vertices.reserve(static_cast<std::size_t>(n + 1) * (n + 1) + 4);
  mesh.uvs.reserve(static_cast<std::size_t>(n + 1) * (n + 1));
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      mesh.vertices.push_back({static_cast<float>(i) * step, static_cast<float>(j) * step, height});
      mesh.uvs.push_back({static_cast<float>(i) / static_cast<float>(n), static_cast<float>(j) / static_cast<float>(n)});
    }
  }
  const int bottom = static_cast<int>(mesh.vertices.size());
  const float side = static_cast<float>(n) * step;
  for (const auto& xy : {std::pair{0.0f, 0.0f}, {side, 0.0f}, {side, side}, {0.0f, side}}) {
    mesh.vertices.push_back({xy.first, xy.second, 0});
  }
  mesh.faces.reserve(static_cast<std::size_t>(n) * n + 5);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const int c[4] = {grid(i, j), grid(i + 1, j), grid(i + 1, j + 1), grid(i, j + 1)};
      mesh.faces.push_back({{{c[0], c[0]}, {c[1], c[1]}, {c[2], c[2]}, {c[3], c[3]}}, {}, 0});
    }
  }
  // The grid's outline counter-clockwise from above, corner k at outline[k * n].
  std::vector<int> outline;
  for (int i = 0; i < n; ++i) outline.push_back(grid(i, 0));
  for (int j = 0; j < n; ++j) outline.push_back(grid(n, j));
  for (int i = n; i > 0; --i) outline.push_back(grid(i, n));
  for (int j = n; j > 0; --j) outline.push_back(grid(0, j));
  for (int k = 0; k < 4; ++k) {
    tsxhost::Face f{{{bottom + k, -1}, {bottom + (k + 1) % 4, -1}}, {}, 1};
    for (int s = n; s >= 0; --s) f.corners.push_back({outline[(k * n + s) % (4 * n)], -1});
    mesh.faces.push_back(std::move(f));
  }
  mesh.faces.push_back({{{bottom, -1}, {bottom + 3, -1}, {bottom + 2, -1}, {bottom + 1, -1}}, {}, 1});
  if (height < 0) {
    for (tsxhost::Face& f : mesh.faces) std::reverse(f.corners.begin(), f.corners.end());
  }
  tsxhost::Material top, rim;
  top.name = "top";
  rim.name = "rim";
  mesh.materials = {top, rim};
  return mesh;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s N OUT.obj\n", argv[0]);
    return 2;
  }
  const long n = std::strtol(argv[1], nullptr, 10);
  if (n < 1 || n > 5000) {
    std::fprintf(stderr, "error: N must lie between 1 and 5000\n");
    return 2;
  }
  tsxhost::ResetScene();
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", Slab(static_cast<int>(n), 1.0f));
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", Slab(static_cast<int>(n), -1.0f));
  std::string error;
  if (!tsxhost::SaveObj(argv[2], {a, b}, &error)) {
    std::fprintf(stderr, "error: %s\n", error.c_str());
    return 3;
  }
  return 0;
}
