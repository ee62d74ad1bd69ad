// The merge against a straightforward version of its steps (weld tables
// scanned per corner, dropped vertices removed and counted per corner) on
// random objects with holes, UV-less corners, groups and junctions anywhere,
// the first object's faces read from the result itself or from the object
// it was copied from.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

#include "engine/face/MeshMerge.h"
#include "tests/join/JoinFixture.h"

namespace spl::testing {
namespace {

// A random object: faces of 3 to 6 distinct vertices, some with a hole,
// some corners without a UV.
tsxhost::Mesh RandomMesh(std::mt19937& rng) {
  tsxhost::Mesh m;
  const int nv = 6 + static_cast<int>(rng() % 40);
  const int nuv = static_cast<int>(rng() % 10);
  for (int v = 0; v < nv; ++v) m.vertices.push_back({static_cast<float>(rng() % 100), static_cast<float>(v), 0.5f});
  for (int u = 0; u < nuv; ++u) m.uvs.push_back({static_cast<float>(u), 0.25f});
  std::vector<int32_t> order(static_cast<size_t>(nv));
  std::iota(order.begin(), order.end(), 0);
  const auto corner = [&](int32_t v) { return tsxhost::Corner{v, nuv > 0 && rng() % 4 ? static_cast<int32_t>(rng() % nuv) : -1}; };
  const int nf = 1 + static_cast<int>(rng() % 30);
  for (int f = 0; f < nf; ++f) {
    std::shuffle(order.begin(), order.end(), rng);
    tsxhost::Face face;
    face.material = static_cast<int32_t>(rng() % 3);
    for (size_t c = 0; c < 3 + rng() % 4; ++c) face.corners.push_back(corner(order[c]));
    if (rng() % 4 == 0) face.holes.push_back({corner(order[0]), corner(order[1]), corner(order[2])});
    if (rng() % 3 == 0) face.group = "g" + std::to_string(rng() % 3);
    m.faces.push_back(face);
  }
  m.materials.resize(3);
  return m;
}

// The merge's steps as written, on values.
tsxhost::Mesh StraightforwardMerge(const tsxhost::Mesh& a, const tsxhost::Mesh& b, int32_t fa, int32_t fb,
                                   int32_t cornerB, bool holes) {
  const auto va = static_cast<int32_t>(a.vertices.size()), ua = static_cast<int32_t>(a.uvs.size());
  const auto n = static_cast<int32_t>(a.faces[static_cast<size_t>(fa)].corners.size());
  std::vector<int32_t> keep, drop;
  for (int32_t i = 0, k = cornerB; i < n; ++i, k = k == 0 ? n - 1 : k - 1) {
    keep.push_back(a.faces[static_cast<size_t>(fa)].corners[static_cast<size_t>(i)].vertex);
    drop.push_back(b.faces[static_cast<size_t>(fb)].corners[static_cast<size_t>(k)].vertex + va);
  }
  tsxhost::Mesh out = a;
  out.uvs.insert(out.uvs.end(), b.uvs.begin(), b.uvs.end());
  out.faces.erase(out.faces.begin() + fa);
  const auto move = [&](std::vector<tsxhost::Corner>& corners) {
    for (tsxhost::Corner& c : corners) {
      c.vertex += va;
      if (c.uv >= 0) c.uv += ua;
      for (int32_t j = 0; j < n; ++j) {
        if (c.vertex == drop[static_cast<size_t>(j)]) c.vertex = keep[static_cast<size_t>(j)];
      }
      c.vertex -= static_cast<int32_t>(std::count_if(drop.begin(), drop.end(), [&](int32_t d) { return d < c.vertex; }));
    }
  };
  for (size_t f = 0; f < b.faces.size(); ++f) {
    if (static_cast<int32_t>(f) == fb) continue;
    tsxhost::Face face = b.faces[f];
    face.material = a.faces[0].material;
    move(face.corners);
    for (auto& hole : face.holes) {
      if (holes) move(hole);
    }
    out.faces.push_back(face);
  }
  for (int32_t v = 0; v < static_cast<int32_t>(b.vertices.size()); ++v) {
    if (std::find(drop.begin(), drop.end(), v + va) == drop.end()) out.vertices.push_back(b.vertices[static_cast<size_t>(v)]);
  }
  return out;
}

bool Same(const tsxhost::Corner& x, const tsxhost::Corner& y) { return x.vertex == y.vertex && x.uv == y.uv; }

void ExpectSameMesh(const tsxhost::Mesh& got, const tsxhost::Mesh& want) {
  ASSERT_EQ(got.vertices.size(), want.vertices.size());
  for (size_t v = 0; v < got.vertices.size(); ++v) EXPECT_EQ(got.vertices[v].x, want.vertices[v].x);
  ASSERT_EQ(got.uvs.size(), want.uvs.size());
  ASSERT_EQ(got.faces.size(), want.faces.size());
  for (size_t f = 0; f < got.faces.size(); ++f) {
    const tsxhost::Face &g = got.faces[f], &w = want.faces[f];
    ASSERT_EQ(g.material, w.material) << "face " << f;
    ASSERT_EQ(g.group, w.group) << "face " << f;
    ASSERT_TRUE(std::equal(g.corners.begin(), g.corners.end(), w.corners.begin(), w.corners.end(), Same)) << "face " << f;
    ASSERT_EQ(g.holes.size(), w.holes.size());
    for (size_t h = 0; h < g.holes.size(); ++h) {
      ASSERT_TRUE(std::equal(g.holes[h].begin(), g.holes[h].end(), w.holes[h].begin(), w.holes[h].end(), Same));
    }
  }
}

class MergeEquivalenceTest : public JoinTest {};

TEST_F(MergeEquivalenceTest, FastAndStraightforwardAgreeOnRandomObjects) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 500; ++round) {
    SCOPED_TRACE(round);
    tsxhost::ResetScene();
    const tsxhost::Mesh a = RandomMesh(rng);
    tsxhost::Mesh b = RandomMesh(rng);
    const auto fa = static_cast<int32_t>(rng() % a.faces.size());
    const auto fb = static_cast<int32_t>(rng() % b.faces.size());
    // Face B takes face A's corner count; its vertices stay distinct.
    const size_t n = a.faces[static_cast<size_t>(fa)].corners.size();
    std::vector<tsxhost::Corner>& cb = b.faces[static_cast<size_t>(fb)].corners;
    for (int32_t v = 0; cb.size() < n; ++v) {
      if (std::none_of(cb.begin(), cb.end(), [v](const tsxhost::Corner& c) { return c.vertex == v; })) cb.push_back({v, -1});
    }
    cb.resize(n);
    const auto cornerB = static_cast<int32_t>(rng() % n);
    const bool holes = rng() % 2;

    const tsxSOBJ first = tsxhost::AddPolyhedron("A", a);
    const tsxSOBJ second = tsxhost::AddPolyhedron("B", b);
    const tsxhost::Mesh want = StraightforwardMerge(a, b, fa, fb, cornerB, holes);
    for (const tsxSOBJ copiedFrom : {tsxSOBJ{0}, first}) {
      tsxSOBJ result = 0;
      ASSERT_EQ(tsxGNodeCopy(first, &result), 0);
      JoinState.LastError = 0;
      JoinState.HoleMergeEnabled = holes;
      JoinState.JunctionFaceA = fa;
      JoinState.JunctionFaceB = fb;
      JoinState.JunctionCornerA = 0;
      JoinState.JunctionCornerB = cornerB;
      MergeObjects(progress, result, second, copiedFrom);
      ASSERT_EQ(JoinState.LastError, 0);
      tsxhost::Mesh got;
      ASSERT_TRUE(tsxhost::ReadMesh(result, &got));
      ExpectSameMesh(got, want);
    }
  }
}

}  // namespace
}  // namespace spl::testing
