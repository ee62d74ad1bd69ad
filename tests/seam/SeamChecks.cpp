#include "tests/seam/SeamChecks.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

namespace spl::testing {

std::string EdgeProblems(const tsxhost::Mesh& mesh) {
  std::map<std::pair<int32_t, int32_t>, int> runs;
  for (const tsxhost::Face& face : mesh.faces) {
    for (std::size_t i = 0; i < face.corners.size(); ++i) {
      ++runs[{face.corners[i].vertex, face.corners[(i + 1) % face.corners.size()].vertex}];
    }
  }
  for (const auto& [edge, count] : runs) {
    const auto back = runs.find({edge.second, edge.first});
    if (count != 1 || back == runs.end() || back->second != 1) {
      return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " run " +
             std::to_string(count) + " times, back " + std::to_string(back == runs.end() ? 0 : back->second);
    }
  }
  return "";
}

std::string OverlapProblems(const tsxhost::Mesh& mesh) {
  std::map<std::array<uint32_t, 3>, std::size_t> positions;
  for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
    std::array<uint32_t, 3> bits{};
    std::memcpy(bits.data(), &mesh.vertices[v], sizeof bits);
    if (const auto [it, fresh] = positions.emplace(bits, v); !fresh) {
      return "vertices " + std::to_string(it->second) + " and " + std::to_string(v) + " at one position";
    }
  }
  std::set<std::vector<int32_t>> sets;
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    std::vector<int32_t> used;
    for (const tsxhost::Corner& c : mesh.faces[f].corners) used.push_back(c.vertex);
    std::sort(used.begin(), used.end());
    if (!sets.insert(used).second) return "face " + std::to_string(f) + " lies on another face";
  }
  return "";
}

int ConnectedParts(const tsxhost::Mesh& mesh) {
  std::vector<std::size_t> parent(mesh.vertices.size());
  std::iota(parent.begin(), parent.end(), std::size_t{0});
  const auto root = [&parent](std::size_t v) {
    while (parent[v] != v) v = parent[v] = parent[parent[v]];
    return v;
  };
  std::vector<bool> used(mesh.vertices.size(), false);
  for (const tsxhost::Face& face : mesh.faces) {
    for (const tsxhost::Corner& c : face.corners) {
      used[static_cast<std::size_t>(c.vertex)] = true;
      parent[root(static_cast<std::size_t>(c.vertex))] = root(static_cast<std::size_t>(face.corners[0].vertex));
    }
  }
  int parts = 0;
  for (std::size_t v = 0; v < parent.size(); ++v) parts += used[v] && root(v) == v ? 1 : 0;
  return parts;
}

}  // namespace spl::testing
