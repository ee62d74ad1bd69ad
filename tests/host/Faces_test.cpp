// Face records: copies with corners and holes of their own, adjacency.
#include <gtest/gtest.h>

#include "Scene.h"
#include "tsxapi.h"

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

}  // namespace
