// Face records: copies with corners and holes of their own, adjacency.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace {

// A unit box, outward winding: closed.
tsxhost::Mesh Box() {
  tsxhost::Mesh m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  for (const auto& f : faces) m.faces.push_back({{{f[0], -1}, {f[1], -1}, {f[2], -1}, {f[3], -1}}, {}, 0});
  return m;
}

TEST(Faces, CopyHasCornersAndHolesOfItsOwn) {
  tsxhost::ResetScene();
  tsxhost::Mesh m = Box();
  m.faces[0].holes = {{{1, -1}, {2, -1}, {3, -1}}};
  const tsxSOBJ box = tsxhost::AddPolyhedron("box", m);
  CtsxFace* src = tsxPolyhGetFaceptrArray(box)[0];
  ASSERT_EQ(tsxFaceGetNbrHoles(src), 1);
  CtsxFace* copy = nullptr;
  ASSERT_EQ(tsxFaceCopy(&copy, src), 0);
  EXPECT_EQ(copy->nbrCorners, 4);
  EXPECT_NE(copy->corners, src->corners);
  copy->corners[0].vindex = 7;
  tsxFaceGetHoleptrArray(copy)[0]->corners[0].vindex = 6;
  EXPECT_EQ(src->corners[0].vindex, 0);
  EXPECT_EQ(tsxFaceGetHoleptrArray(src)[0]->corners[0].vindex, 1);
  EXPECT_EQ(tsxFaceGetHoleptrArray(tsxPolyhGetFaceptrArray(box)[1]), nullptr);
  tsxFree(copy);
}

TEST(Faces, AdjacencyTellsClosedFromOpen) {
  tsxhost::ResetScene();
  const tsxSOBJ box = tsxhost::AddPolyhedron("box", Box());
  ASSERT_EQ(tsxPolyhComputeFaceAdjacency(box), 0);
  EXPECT_TRUE(tsxhost::IsClosed(box));
  // Face 0's edge from corner 0 (vertex 0 to 3) borders face 4.
  EXPECT_EQ(tsxPolyhGetFaceptrArray(box)[0]->corners[0].adjFace, 4);

  tsxhost::Mesh open = Box();
  open.faces.pop_back();
  EXPECT_FALSE(tsxhost::IsClosed(tsxhost::AddPolyhedron("open", open)));

  tsxhost::Mesh flipped = Box();
  std::swap(flipped.faces[1].corners[0], flipped.faces[1].corners[2]);  // wound the wrong way
  EXPECT_FALSE(tsxhost::IsClosed(tsxhost::AddPolyhedron("flipped", flipped)));
}

// Adjacency the plain way: edges gathered in a map by their two vertices.
struct Side {
  int32_t face, corner;
  bool forward;
};

bool StraightforwardAdjacency(const tsxhost::Mesh& m, std::vector<std::vector<std::pair<int32_t, int32_t>>>* adj) {
  const auto nv = static_cast<int32_t>(m.vertices.size());
  std::map<std::pair<int32_t, int32_t>, std::vector<Side>> edges;
  bool closed = !m.faces.empty();
  adj->assign(m.faces.size(), {});
  for (size_t f = 0; f < m.faces.size(); ++f) {
    const auto& corners = m.faces[f].corners;
    (*adj)[f].assign(corners.size(), {-1, -1});
    for (size_t c = 0; c < corners.size(); ++c) {
      const int32_t a = corners[c].vertex, b = corners[(c + 1) % corners.size()].vertex;
      if (a < 0 || b < 0 || a >= nv || b >= nv || a == b) {
        closed = false;
        continue;
      }
      edges[{std::min(a, b), std::max(a, b)}].push_back({static_cast<int32_t>(f), static_cast<int32_t>(c), a < b});
    }
  }
  for (const auto& [key, sides] : edges) {
    if (sides.size() != 2 || sides[0].forward == sides[1].forward) {
      closed = false;
      continue;
    }
    (*adj)[static_cast<size_t>(sides[0].face)][static_cast<size_t>(sides[0].corner)] = {sides[1].face, sides[1].corner};
    (*adj)[static_cast<size_t>(sides[1].face)][static_cast<size_t>(sides[1].corner)] = {sides[0].face, sides[0].corner};
  }
  return closed;
}

TEST(Faces, AdjacencyAgreesWithTheStraightforwardWayOnRandomMeshes) {
  std::mt19937 rng(9);
  for (int round = 0; round < 2000; ++round) {
    SCOPED_TRACE(round);
    tsxhost::ResetScene();
    tsxhost::Mesh m = round % 10 == 0 ? Box() : tsxhost::Mesh{};
    if (round % 10 != 0) {
      const int nv = 3 + static_cast<int>(rng() % 8);
      for (int v = 0; v < nv; ++v) m.vertices.push_back({static_cast<float>(v), 0, 0});
      for (size_t f = 0, nf = 1 + rng() % 12; f < nf; ++f) {
        tsxhost::Face face;
        for (size_t c = 0, n = 3 + rng() % 3; c < n; ++c) {
          // Now and then a vertex out of range.
          face.corners.push_back({static_cast<int32_t>(rng() % 40 == 0 ? nv : rng() % static_cast<unsigned>(nv)), -1});
        }
        m.faces.push_back(face);
      }
    }
    std::vector<std::vector<std::pair<int32_t, int32_t>>> want;
    const bool closed = StraightforwardAdjacency(m, &want);
    const tsxSOBJ obj = tsxhost::AddPolyhedron("m", m);
    ASSERT_EQ(tsxhost::IsClosed(obj), closed);
    CtsxFace** faces = tsxPolyhGetFaceptrArray(obj);
    for (size_t f = 0; f < m.faces.size(); ++f) {
      for (size_t c = 0; c < m.faces[f].corners.size(); ++c) {
        ASSERT_EQ(faces[f]->corners[c].adjFace, want[f][c].first) << f << "/" << c;
        ASSERT_EQ(faces[f]->corners[c].adjCorner, want[f][c].second) << f << "/" << c;
      }
    }
  }
}

}  // namespace
