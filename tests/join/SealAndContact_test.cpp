// Whether a result is sealed, whether faces lie on each other, and what the
// hint after "06" says for solids that touch without corners on corners.
#include <gtest/gtest.h>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "session/FaceContact.h"
#include "session/JunctionReport.h"
#include "session/ReportGeometry.h"
#include "session/ReportLines.h"
#include "session/SealCheck.h"
#include "tests/join/JoinFixture.h"

namespace spl::testing {
namespace {

class SealAndContactTest : public JoinTest {
 protected:
  JunctionReport JoinAt(tsxSOBJ a, tsxSOBJ b, double accuracy) {
    InitJoinStateForWindow();
    JoinState.Accuracy = accuracy;
    SearchGeometry kept;
    const JoinMade made = Join(a, b, {nullptr, &kept});
    return ReportPlainJoin(made.inputs, &kept);
  }
};

TEST_F(SealAndContactTest, SealCountsOpenAndOverusedEdgesAndSharedPositions) {
  tsxhost::Mesh box = MakeBox({0, 0, 0}, {1, 2, 3});
  EXPECT_TRUE(CheckSeal(tsxhost::AddPolyhedron("Box", box)).Sealed());

  tsxhost::Mesh open = box;
  open.faces.erase(open.faces.begin() + 3);  // +y: four open edges
  const SealFacts openFacts = CheckSeal(tsxhost::AddPolyhedron("Open", open));
  EXPECT_EQ(openFacts.openEdges, 4);
  EXPECT_EQ(openFacts.overusedEdges, 0);
  ASSERT_TRUE(openFacts.firstAt);
  EXPECT_EQ(openFacts.firstAt->y, 2);  // on the hole's border

  tsxhost::Mesh doubled = box;
  doubled.faces.push_back(box.faces[5]);  // +z twice the same way
  EXPECT_EQ(CheckSeal(tsxhost::AddPolyhedron("Doubled", doubled)).overusedEdges, 4);

  // Vertex 7 copied: the +z face's corner is at 7's position, not on 7.
  tsxhost::Mesh split = box;
  split.vertices.push_back(box.vertices[7]);
  split.faces[5].corners[2].vertex = 8;
  const SealFacts splitFacts = CheckSeal(tsxhost::AddPolyhedron("Split", split));
  EXPECT_EQ(splitFacts.sharedPositions, 1);
  EXPECT_EQ(splitFacts.openEdges, 4);  // the two edges at the copy, each way

  EXPECT_FALSE(CheckSeal(tsxhost::AddPolyhedron("Empty", tsxhost::Mesh{})).Sealed());
}

TEST_F(SealAndContactTest, FacesLieOnEachOtherOnlyOppositeWithinTheAccuracyAndOverlapping) {
  // A small box on the big one's +x face, off its corners; a third beside it.
  const tsxSOBJ big = tsxhost::AddPolyhedron("Big", MakeBox({0, 0, 0}, {2, 2, 2}));
  const tsxSOBJ on = tsxhost::AddPolyhedron("On", MakeBox({2.004f, 0.3f, 0.7f}, {3, 1.1f, 1.3f}));
  const tsxSOBJ beside = tsxhost::AddPolyhedron("Beside", MakeBox({2, 2.3f, 0.7f}, {3, 3, 1.3f}));
  const ReportObject a = LoadReportObject(big, nullptr);
  const ReportObject b = LoadReportObject(on, nullptr);
  const FaceContact contact = FindFaceContact(a, b, 10);
  EXPECT_EQ(contact.facePairs, 1);
  EXPECT_EQ(contact.faceA, 1);  // +x
  EXPECT_EQ(contact.faceB, 0);  // -x
  EXPECT_EQ(FindFaceContact(b, a, 10).facePairs, 1);
  EXPECT_EQ(FindFaceContact(a, b, 3).facePairs, 0);  // 0.004 off: not at 0.003
  EXPECT_FALSE(FacesLieOnEachOther(a, a.Face(1), b, b.Face(1), 10));  // +x on +x: not opposite
  EXPECT_EQ(FindFaceContact(a, LoadReportObject(beside, nullptr), 10).facePairs, 0);  // edge to edge only
}

TEST_F(SealAndContactTest, HintSaysWhetherTheObjectsTouchAndNeverSuggestsMovingCornersFar) {
  const tsxSOBJ big = tsxhost::AddPolyhedron("Big", MakeBox({0, 0, 0}, {2, 2, 2}));
  const tsxSOBJ on = tsxhost::AddPolyhedron("On", MakeBox({2, 0.3f, 0.7f}, {3, 1.1f, 1.3f}));
  JunctionReport report = JoinAt(big, on, 0.01);
  ASSERT_EQ(report.error, kJunctionNotFound);
  ASSERT_TRUE(report.hint);
  EXPECT_EQ(report.hint->kind, HintKind::Contact);
  EXPECT_EQ(*HintText(report, "--accuracy ", "join the contact"),
            "the objects touch face to face (faces 1 and 0 lie on each other, 1 face pair in all) where no single "
            "face pair joins: join the contact");

  // Half a unit apart: welding would move corners by half an edge.
  const tsxSOBJ far = tsxhost::AddPolyhedron("Far", MakeBox({2.5f, 0, 0}, {3.5f, 2, 2}));
  report = JoinAt(big, far, 0.01);
  ASSERT_TRUE(report.hint);
  EXPECT_EQ(report.hint->kind, HintKind::Apart);
  EXPECT_EQ(*HintText(report, "--accuracy ", "join the contact"),
            "the objects do not touch face to face: no face of one lies on a face of the other at the accuracy 0.01; "
            "the nearest, faces 1 and 0 (4 corners), are at most 0.5 apart, and welding them would move corners by "
            "more than a tenth of their shortest edge (2)");

  // 0.012 apart on edges of 2: the accuracy that closes the gap is honest,
  // and the join it gives is sealed.
  const tsxSOBJ near = tsxhost::AddPolyhedron("Near", MakeBox({2.012f, 0, 0}, {3, 2, 2}));
  report = JoinAt(big, near, 0.01);
  ASSERT_TRUE(report.hint);
  EXPECT_EQ(report.hint->kind, HintKind::Accuracy);
  EXPECT_EQ(report.hint->accuracyThousandths, 12);
  report = JoinAt(big, near, report.hint->Accuracy());
  ASSERT_TRUE(report.Joined());
  EXPECT_EQ(*GapWarningText(report),
            "the largest gap (0.012) is more than half the accuracy (0.012): corners that do not lie on each other "
            "may have been welded");
  const std::vector<tsxSOBJ> made = NewSceneObjects({big, on, far, near});
  ASSERT_EQ(made.size(), 1u);
  AddResultSeal(report, big, near, made[0]);
  EXPECT_TRUE(report.ResultSealed());
  EXPECT_FALSE(report.SealLost());
}

TEST_F(SealAndContactTest, ASealedResultLeavesNoSeamAndAnOpenOneFromSealedSourcesIsLost) {
  // Two boxes whose touching faces are split alike into two triangles: the
  // plain join welds one triangle pair and leaves the other as a wall.
  auto halves = [](tsxhost::Mesh box, int face) {
    tsxhost::Face second = box.faces[static_cast<size_t>(face)];
    second.corners.erase(second.corners.begin() + 1);
    box.faces[static_cast<size_t>(face)].corners.erase(box.faces[static_cast<size_t>(face)].corners.begin() + 3);
    box.faces.push_back(second);
    return box;
  };
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", halves(MakeBox({0, 0, 0}, {1, 1, 1}), 1));
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", halves(MakeBox({1, 0, 0}, {2.5f, 1, 1}), 0));
  ASSERT_TRUE(CheckSeal(a).Sealed());
  ASSERT_TRUE(CheckSeal(b).Sealed());
  JunctionReport report = JoinAt(a, b, 0.01);
  ASSERT_TRUE(report.Joined());
  const std::vector<tsxSOBJ> made = NewSceneObjects({a, b});
  ASSERT_EQ(made.size(), 1u);
  AddResultSeal(report, a, b, made[0]);
  EXPECT_TRUE(report.SeamIncomplete());
  EXPECT_TRUE(report.SealLost());
  EXPECT_EQ(*SealText(report),
            "the result is not sealed: 1 vertex at the position of another (the first at 1, 0, 1)");
}

}  // namespace
}  // namespace spl::testing
