#include "engine/contact/ContactJoin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ContactFixture.h"
#include "engine/common/Errors.h"

namespace spl::testing {
namespace {

// Unit boxes side by side along x, each face gridded the same: every
// touching quad lies corner on corner; placed off the axes.
TEST_F(ContactJoinTest, GriddedBoxesCornerOnCornerJoinSealedInAnyPlacement) {
  Placement placement{{0.3, -0.7, 0.64}, 0.913, 1.37, {10.1, -3.3, 0.7}};
  const tsxhost::Mesh a = Placed(GriddedBox({0, 0, 0}, {1, 1, 1}, 3, "a"), placement);
  const tsxhost::Mesh b = Placed(GriddedBox({1, 0, 0}, {2.5, 1, 1}, 3, "b"), placement);
  const tsxSOBJ A = Add("A", a), B = Add("B", b);
  const ContactJoinResult r = Run({A, B});
  ExpectSealedUnion(r, {a, b}, 1.37 * 1.37);
  const ContactGroup& g = r.groups[0];
  EXPECT_EQ(g.members, (std::vector<size_t>{0, 1}));
  EXPECT_EQ(g.contacts, 9);
  EXPECT_EQ(g.droppedFaces, (std::vector<int64_t>{9, 9}));
  EXPECT_EQ(g.weldedVertices, 16);
  EXPECT_TRUE(g.closedInputs);
  // The first member's faces away from the contact: the same corners at
  // the same positions, bit for bit, in order.
  const tsxhost::Mesh result = Read(g.result);
  size_t kept = 0;
  for (size_t f = 0; f < a.faces.size(); ++f) {
    if (f >= 9 && f < 18) continue;  // the +x side, on B
    const tsxhost::Face& mine = result.faces[kept++];
    ASSERT_EQ(mine.corners.size(), a.faces[f].corners.size());
    for (size_t c = 0; c < mine.corners.size(); ++c) {
      EXPECT_TRUE(SamePoint(result.vertices[size_t(mine.corners[c].vertex)],
                            a.vertices[size_t(a.faces[f].corners[c].vertex)]));
    }
  }
  EXPECT_EQ(result.materials[size_t(result.faces.back().material)].name, "b21");
}

// The join measures the result by what changed: where welds move corners
// (a gap under the accuracy closed), the faces around them change volume,
// and the measure must still be the result's own, in any placement.
TEST_F(ContactJoinTest, AResultWhoseWeldsMoveCornersMeasuresAsItIs) {
  for (const Placement& placement : {Placement{}, Placement{{1, 2, 3}, 0.7, 1.3, {0.1, -7.3, 2.9}}}) {
    tsxhost::ResetScene();
    const tsxhost::Mesh a = Placed(GriddedBox({0, 0, 0}, {1, 1.5, 1}, 3, "a"), placement);
    const tsxhost::Mesh b = Placed(GriddedBox({1.004, 0, 0}, {2.5, 1.5, 1}, 3, "b"), placement);
    const ContactJoinResult r = Run({Add("A", a), Add("B", b)});
    ASSERT_EQ(r.error, 0) << r.what;
    ASSERT_EQ(r.groups.size(), 1u);
    EXPECT_GT(r.groups[0].largestWeld, 0.003);
    const Measured got = MeasureMesh(Read(r.groups[0].result));
    const double members = MeasureMesh(a).volume + MeasureMesh(b).volume;
    EXPECT_NEAR(r.groups[0].volume, got.volume, 1e-9 * members);
    EXPECT_NEAR(r.groups[0].area, got.area, 1e-9 * members);
    EXPECT_GT(std::fabs(got.volume - members), 1e-3);  // the welds moved the corners
  }
}

TEST_F(ContactJoinTest, ManyObjectsJoinByGroupAndLeaveTheUntouched) {
  // A 3 x 3 floor of boxes (diagonal neighbours meet only at an edge), one
  // box far off.
  std::vector<tsxSOBJ> objects;
  std::vector<tsxhost::Mesh> meshes;
  for (int i = 0; i < 9; ++i) {
    const double x = i % 3 * 1.1, z = i / 3 * 1.1;
    meshes.push_back(GriddedBox({x, 0, z}, {x + 1.1, 0.7, z + 1.1}, 1, "m"));
    objects.push_back(Add("m" + std::to_string(i), meshes.back()));
  }
  objects.insert(objects.begin() + 4, Add("far", GriddedBox({9, 9, 9}, {10, 10, 10}, 1, "f")));
  const ContactJoinResult r = Run(objects);
  ASSERT_EQ(r.error, 0) << r.what;
  EXPECT_EQ(r.untouched, (std::vector<size_t>{4}));
  ASSERT_EQ(r.groups.size(), 1u);
  EXPECT_EQ(r.groups[0].members, (std::vector<size_t>{0, 1, 2, 3, 5, 6, 7, 8, 9}));
  EXPECT_EQ(r.groups[0].contacts, 12);
  ExpectSealedUnion(r, meshes, 12 * 1.1 * 0.7);
}

// Every face of `member` that the join kept comes through with its corners
// in order, bit for bit, points put into its edges aside.
void ExpectKeptFaces(const tsxhost::Mesh& result, size_t firstResultFace, const tsxhost::Mesh& member,
                     const std::vector<size_t>& dropped) {
  size_t r = firstResultFace;
  for (size_t f = 0; f < member.faces.size(); ++f) {
    if (std::find(dropped.begin(), dropped.end(), f) != dropped.end()) continue;
    ASSERT_LT(r, result.faces.size());
    const tsxhost::Face& mine = result.faces[r++];
    size_t c = 0;
    for (const tsxhost::Corner& corner : mine.corners) {
      if (c < member.faces[f].corners.size() &&
          SamePoint(result.vertices[size_t(corner.vertex)], member.vertices[size_t(member.faces[f].corners[c].vertex)])) {
        ++c;
      }
    }
    EXPECT_EQ(c, member.faces[f].corners.size()) << "face " << f;
  }
}

struct Grids {
  int first, second;
  int64_t splitFaces;
};

class GriddedContactTest : public ContactJoinTest, public ::testing::WithParamInterface<Grids> {};

// Unit boxes side by side, their touching sides gridded differently (a
// 3 x 3 grid against a 2 x 2 one, 4 x 4 against one quad): the sides cover
// the same square, so both drop, and the points of each side's border go
// into the other side's border faces. Also turned about an oblique axis,
// scaled and moved.
TEST_P(GriddedContactTest, DifferentGridsOnOneSquareJoinSealed) {
  const Grids grids = GetParam();
  for (const Placement& placement : {Placement{}, Placement{{0.3, -0.7, 0.64}, 0.913, 1.37, {10.1, -3.3, 0.7}}}) {
    const tsxhost::Mesh a = Placed(GriddedBox({0, 0, 0}, {1, 1, 1}, grids.first, "a"), placement);
    const tsxhost::Mesh b = Placed(GriddedBox({1, 0, 0}, {2.5, 1, 1}, grids.second, "b"), placement);
    const ContactJoinResult r = Run({Add("A" + std::to_string(placement.scale), a), Add("B" + std::to_string(placement.scale), b)});
    ExpectSealedUnion(r, {a, b}, placement.scale * placement.scale);
    const ContactGroup& g = r.groups[0];
    const int64_t sideA = grids.first * grids.first, sideB = grids.second * grids.second;
    EXPECT_EQ(g.droppedFaces, (std::vector<int64_t>{sideA, sideB}));
    EXPECT_EQ(g.splitFaces, grids.splitFaces);
    EXPECT_EQ(g.faces, int64_t(a.faces.size() + b.faces.size()) - sideA - sideB);
    const tsxhost::Mesh result = Read(g.result);
    std::vector<size_t> droppedA, droppedB;
    for (int64_t f = 0; f < sideA; ++f) droppedA.push_back(size_t(sideA + f));  // the +x side
    for (int64_t f = 0; f < sideB; ++f) droppedB.push_back(size_t(f));          // the -x side
    ExpectKeptFaces(result, 0, a, droppedA);
    ExpectKeptFaces(result, a.faces.size() - size_t(sideA), b, droppedB);
  }
}

INSTANTIATE_TEST_SUITE_P(Grids, GriddedContactTest,
                         ::testing::Values(Grids{3, 2, 12}, Grids{4, 1, 4}, Grids{1, 4, 4}, Grids{2, 3, 12}),
                         [](const ::testing::TestParamInfo<Grids>& p) {
                           return std::to_string(p.param.first) + "on" + std::to_string(p.param.second);
                         });

TEST_F(ContactJoinTest, NothingTouchingAndBadRequestsAreErrors) {
  const tsxSOBJ A = Add("A", GriddedBox({0, 0, 0}, {1, 1, 1}, 1, "a"));
  const tsxSOBJ B = Add("B", GriddedBox({1.5, 0, 0}, {2, 1, 1}, 1, "b"));
  EXPECT_EQ(Run({A, B}).error, kJunctionNotFound);
  EXPECT_EQ(Run({A}).error, kContactBadRequest);
  EXPECT_EQ(Run({A, A}).error, kSameObjects);
  // An accuracy with no whole thousandths, too large or not a number, and
  // a negative one: refused before anything is read, saying why.
  for (const double accuracy : {1e12, std::nan(""), -0.5}) {
    const ContactJoinResult r = Run({A, B}, accuracy);
    EXPECT_EQ(r.error, kContactBadRequest) << accuracy;
    EXPECT_EQ(r.what, "the accuracy is not a distance the join can compare in whole thousandths") << accuracy;
  }
  EXPECT_EQ(tsxhost::SceneObjects().size(), 2u);
}

TEST_F(ContactJoinTest, AbortLeavesTheSceneAsItWas) {
  const tsxSOBJ A = Add("A", GriddedBox({0, 0, 0}, {1, 1, 1}, 2, "a"));
  const tsxSOBJ B = Add("B", GriddedBox({1, 0, 0}, {2, 1, 1}, 2, "b"));
  const size_t live = tsxhost::LiveObjects().size();
  for (const char* stage : {"Searching contacts...", "Merging faces...", "Copying materials...",
                            "Checking the result..."}) {
    view.onPump = [&](size_t) {
      if (view.pumps.back() == stage) JoinState.AbortRequested = true;
    };
    const ContactJoinResult r = Run({A, B});
    EXPECT_EQ(r.error, kAborted) << stage;
    EXPECT_EQ(tsxhost::SceneObjects().size(), 2u) << stage;
    EXPECT_EQ(tsxhost::LiveObjects().size(), live) << stage;
  }
  view.onPump = nullptr;
  const ContactJoinResult r = Run({A, B});
  EXPECT_EQ(r.error, 0);
  EXPECT_GE(JoinState.StepsToGo, 0);
}

// Two open squares (a cap each, with one wall face): joined, and the group
// says how many edges were open before and after.
TEST_F(ContactJoinTest, OpenInputsJoinAndCountTheirOpenEdges) {
  tsxhost::Mesh a, b;
  a.vertices = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {-1, 0, 0}};
  const auto face = [](std::initializer_list<int32_t> corners) {
    tsxhost::Face f;
    for (int32_t v : corners) f.corners.push_back({v, -1, -1});
    return f;
  };
  a.faces = {face({0, 1, 2}), face({0, 2, 3}), face({4, 1, 0})};
  b.vertices = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {1, 0, 0}};
  b.faces = {face({0, 2, 1}), face({0, 3, 2}), face({4, 0, 1})};
  const ContactJoinResult r = Run({Add("A", a), Add("B", b)});
  ASSERT_EQ(r.error, 0) << r.what;
  const ContactGroup& g = r.groups[0];
  EXPECT_FALSE(g.closedInputs);
  EXPECT_EQ(g.openEdgesBefore, 10);
  EXPECT_EQ(g.openEdgesAfter, 4);
  EXPECT_EQ(g.faces, 2);
  EXPECT_EQ(g.vertices, 6);
  ASSERT_FALSE(g.openEdgesAfterAt.empty());
}

}  // namespace
}  // namespace spl::testing
