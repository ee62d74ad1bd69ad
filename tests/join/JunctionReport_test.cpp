#include "session/JunctionReport.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "host/scene/HostTesting.h"
#include "session/ReportLines.h"
#include "tests/join/JoinFixture.h"

namespace spl::testing {
namespace {

// An m x m grid of triangulated cells on the plane x = `x`, y and z in
// [0, 1], facing +x (or -x when `back`): (m + 1)^2 vertices, 2 m^2 faces.
tsxhost::Mesh TriangulatedCap(int m, float x, bool back) {
  tsxhost::Mesh mesh;
  for (int i = 0; i <= m; ++i) {
    for (int j = 0; j <= m; ++j) mesh.vertices.push_back({x, static_cast<float>(i) / m, static_cast<float>(j) / m});
  }
  auto at = [m](int i, int j) { return i * (m + 1) + j; };
  auto add = [&](int p, int q, int r) {
    tsxhost::Face f;
    f.corners = back ? std::vector<tsxhost::Corner>{{p, -1}, {r, -1}, {q, -1}}
                     : std::vector<tsxhost::Corner>{{p, -1}, {q, -1}, {r, -1}};
    mesh.faces.push_back(f);
  };
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < m; ++j) {
      add(at(i, j), at(i + 1, j), at(i + 1, j + 1));
      add(at(i, j), at(i + 1, j + 1), at(i, j + 1));
    }
  }
  return mesh;
}

class JunctionReportTest : public JoinTest {
 protected:
  JunctionReport JoinAndReport(tsxSOBJ a, tsxSOBJ b, bool keep = true) {
    SearchGeometry kept;
    const JoinMade made = Join(a, b, {nullptr, &kept});
    return ReportPlainJoin(made.inputs, keep ? &kept : nullptr);
  }
};

TEST_F(JunctionReportTest, TwoBoxesLeaveNothingOfTheSeam) {
  const tsxSOBJ left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {1, 1, 1}));
  const tsxSOBJ right = tsxhost::AddPolyhedron("Right", MakeBox({1, 0, 0}, {2, 1, 1}));
  const JunctionReport report = JoinAndReport(left, right);
  ASSERT_TRUE(report.Joined());
  ASSERT_TRUE(report.junction);
  EXPECT_EQ(report.junction->faceA, 1);
  EXPECT_EQ(report.junction->faceB, 0);
  EXPECT_EQ(report.junction->corners, 4);
  EXPECT_EQ(report.junction->maxGap, 0.0);
  EXPECT_TRUE(report.left.Complete());
  EXPECT_FALSE(report.hint);
  EXPECT_EQ(report.outline.size(), 4u);  // the junction face's edges
  EXPECT_EQ(SummaryText(report, "Left", "Right"), "joined Left and Right at faces 1 and 0 (4 corners, largest gap 0)");
  EXPECT_FALSE(WarningText(report, "--seam"));
}

TEST_F(JunctionReportTest, GapIsTheLargestWeldedCornerDistanceInDoublePrecision) {
  const tsxSOBJ left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {1, 1, 1}));
  const tsxSOBJ right = tsxhost::AddPolyhedron("Right", MakeBox({1.004f, 0, 0}, {2, 1, 1.003f}));
  const JunctionReport report = JoinAndReport(left, right);
  ASSERT_TRUE(report.junction);
  const double dx = 1.004f - 1.0, dz = 1.003f - 1.0;
  EXPECT_DOUBLE_EQ(report.junction->maxGap, std::sqrt(dx * dx + dz * dz));
  EXPECT_EQ(SummaryText(report, "L", "R"), "joined L and R at faces 1 and 0 (4 corners, largest gap 0.005)");
}

// Two triangulated caps on each other: the plain join welds one triangle
// pair and leaves the rest of the seam, which the report counts.
TEST_F(JunctionReportTest, TriangulatedCapsJoinedPlainlyLeaveAnIncompleteSeam) {
  const int m = 4;
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TriangulatedCap(m, 1, false));
  tsxhost::Mesh capB = TriangulatedCap(m, 1, true);
  // A decoy lying on one of A's triangles the same way round: not touching.
  capB.faces.push_back(TriangulatedCap(m, 1, false).faces[5]);
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", capB);
  for (bool keep : {true, false}) {
    const JunctionReport report = JoinAndReport(a, b, keep);
    ASSERT_TRUE(report.Joined()) << keep;
    EXPECT_EQ(report.junction->corners, 3);
    EXPECT_EQ(report.left.touchingFacePairs, 2 * m * m - 1) << keep;
    EXPECT_EQ(report.left.coincidingVertexPairs, (m + 1) * (m + 1) - 3) << keep;
    EXPECT_EQ(*WarningText(report, "join with --seam to join the whole seam"),
              "the seam is incomplete: 31 more face pairs touch, 22 vertex pairs coincide unwelded; "
              "join with --seam to join the whole seam");
  }
}

TEST_F(JunctionReportTest, VertexPairsCountAtTheSearchsThousandthsBoundary) {
  tsxhost::Mesh capA = TriangulatedCap(2, 1, false);
  tsxhost::Mesh capB = TriangulatedCap(2, 1, true);
  capA.vertices.push_back({1.5f, 0.3f, 0.3f});
  capA.vertices.push_back({1.5f, 0.7f, 0.7f});
  capB.vertices.push_back({1.5104f, 0.3f, 0.3f});  // 0.0104 away: coincides at 0.01
  capB.vertices.push_back({1.5106f, 0.7f, 0.7f});  // 0.0106 away: does not
  const JunctionReport report =
      JoinAndReport(tsxhost::AddPolyhedron("A", capA), tsxhost::AddPolyhedron("B", capB));
  ASSERT_TRUE(report.Joined());
  EXPECT_EQ(report.left.coincidingVertexPairs, 9 - 3 + 1);
  EXPECT_EQ(report.left.touchingFacePairs, 8 - 1);
}

TEST_F(JunctionReportTest, SeamJoinReportCountsWhatItDidNotTakeOut) {
  const int m = 3;
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TriangulatedCap(m, 1, false));
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", TriangulatedCap(m, 1, true));
  JoinedSeam all;
  for (int f = 0; f < 2 * m * m; ++f) {
    all.droppedFacesA.push_back(f);
    all.droppedFacesB.push_back(f);
  }
  for (int v = 0; v < (m + 1) * (m + 1); ++v) {
    all.weldedVerticesB.push_back(v);
    all.weldedOntoA.push_back(v);
  }
  JoinState.LastError = 0;
  JunctionReport report = ReportSeamJoin(JoinInputsAt(a, b, 0.01), all);
  EXPECT_TRUE(report.Joined());
  EXPECT_TRUE(report.left.Complete());
  EXPECT_EQ(report.outline.size(), 4u * m);  // the cap's border
  EXPECT_EQ(SummaryText(report, "A", "B"), "joined A and B along a seam (18 and 18 faces dropped, 16 vertices welded)");

  JoinedSeam part = all;
  part.droppedFacesA.pop_back();
  part.droppedFacesB.pop_back();
  part.weldedVerticesB.pop_back();
  part.weldedOntoA.pop_back();
  report = ReportSeamJoin(JoinInputsAt(a, b, 0.01), part);
  EXPECT_EQ(report.left.touchingFacePairs, 1);
  EXPECT_EQ(report.left.coincidingVertexPairs, 1);
  EXPECT_EQ(*WarningText(report, "join with --seam"), "the seam is still incomplete: 1 more face pair touches");

  // Vertices that are close but not on the seam stay apart on purpose.
  part = all;
  part.weldedVerticesB.pop_back();
  part.weldedOntoA.pop_back();
  report = ReportSeamJoin(JoinInputsAt(a, b, 0.01), part);
  EXPECT_EQ(report.left.coincidingVertexPairs, 1);
  EXPECT_FALSE(report.SeamIncomplete());
  EXPECT_FALSE(WarningText(report, "join with --seam"));
}

// Face A's corner 0 and 1 are an edge of 0.004 apart; face B lies on it
// 0.0002 off, its corner on A's corner 1 numbered below the one on A's
// corner 0. At 0.01 the search anchors on the wrong corner: "06". The hint
// names the accuracy at which the search's own rule accepts the pair: it
// moves corners by less than a tenth of the short edge.
TEST_F(JunctionReportTest, NoJunctionHintNamesAnAccuracyThatThenJoins) {
  tsxhost::Mesh meshA, meshB;
  meshA.vertices = {{0, 0, 0}, {0, 0.004f, 0}, {0, 1, 1}, {0, 0, 1}, {5, 5, 5}, {5, 6, 5}, {6, 5, 5}};
  meshA.faces = {{{{0, -1}, {1, -1}, {2, -1}, {3, -1}}, {}, 0}, {{{4, -1}, {5, -1}, {6, -1}}, {}, 0},
                 {{{4, -1}, {6, -1}, {5, -1}}, {}, 0}};
  const float off = 0.0002f;
  meshB.vertices = {{off, 0.004f, 0}, {off, 0, 0}, {off, 0, 1}, {off, 1, 1}, {-5, 5, 5}, {-5, 6, 5}, {-6, 5, 5}};
  // Opposite: A runs 0 1 2 3, B runs (A1) (A0) (A3) (A2).
  meshB.faces = {{{{0, -1}, {1, -1}, {2, -1}, {3, -1}}, {}, 0}, {{{4, -1}, {5, -1}, {6, -1}}, {}, 0},
                 {{{4, -1}, {6, -1}, {5, -1}}, {}, 0}};
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", meshA);
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", meshB);

  JunctionReport report = JoinAndReport(a, b);
  ASSERT_EQ(report.error, kJunctionNotFound);
  ASSERT_TRUE(report.hint);
  const JunctionCandidate& best = report.hint->candidates.front();
  EXPECT_EQ(best.faceA, 0);
  EXPECT_EQ(best.faceB, 0);
  EXPECT_NEAR(best.maxGap, off, 1e-6);
  EXPECT_EQ(report.hint->kind, HintKind::Accuracy);
  EXPECT_EQ(report.hint->accuracyThousandths, 0);
  ASSERT_TRUE(report.hint->shortEdge);
  EXPECT_NEAR(*report.hint->shortEdge, 0.004, 1e-6);
  EXPECT_EQ(*HintText(report, "--accuracy ", "join the contact"),
            "faces 0 and 0 (4 corners) come nearest, at most 0.0002 apart: try --accuracy 0 (an edge of theirs "
            "is 0.004 long, shorter than the accuracy 0.01, so a larger accuracy puts the wrong corner on corner 0)");

  InitJoinStateForWindow();
  JoinState.Accuracy = report.hint->Accuracy();
  SearchGeometry kept;
  const JoinMade made = Join(a, b, {nullptr, &kept});
  // The window may change its accuracy once the join has run: the report
  // keeps the one the join ran with.
  JoinState.Accuracy = 0.5;
  report = ReportPlainJoin(made.inputs, &kept);
  EXPECT_EQ(report.accuracy, 0.0);
  EXPECT_EQ(report.error, 0);
  EXPECT_EQ(JoinState.JunctionFaceA, 0);
  EXPECT_EQ(JoinState.JunctionFaceB, 0);
}

// 0.0012 off, a third of the short edge: no accuracy is suggested; the
// faces lie on each other, which a join of the whole contact takes.
TEST_F(JunctionReportTest, NoAccuracyIsHintedThatMovesCornersByMuchOfAnEdge) {
  tsxhost::Mesh meshA, meshB;
  meshA.vertices = {{0, 0, 0}, {0, 0.004f, 0}, {0, 1, 1}, {0, 0, 1}, {5, 5, 5}, {5, 6, 5}, {6, 5, 5}};
  meshA.faces = {{{{0, -1}, {1, -1}, {2, -1}, {3, -1}}, {}, 0}, {{{4, -1}, {5, -1}, {6, -1}}, {}, 0},
                 {{{4, -1}, {6, -1}, {5, -1}}, {}, 0}};
  const float off = 0.0012f;
  meshB.vertices = {{off, 0.004f, 0}, {off, 0, 0}, {off, 0, 1}, {off, 1, 1}, {-5, 5, 5}, {-5, 6, 5}, {-6, 5, 5}};
  meshB.faces = {{{{0, -1}, {1, -1}, {2, -1}, {3, -1}}, {}, 0}, {{{4, -1}, {5, -1}, {6, -1}}, {}, 0},
                 {{{4, -1}, {6, -1}, {5, -1}}, {}, 0}};
  const JunctionReport report =
      JoinAndReport(tsxhost::AddPolyhedron("A", meshA), tsxhost::AddPolyhedron("B", meshB));
  ASSERT_EQ(report.error, kJunctionNotFound);
  ASSERT_TRUE(report.hint);
  EXPECT_EQ(report.hint->kind, HintKind::Contact);
  EXPECT_EQ(report.hint->contactFacePairs, 1);
}

TEST_F(JunctionReportTest, BoxesApartAreSaidNotToTouch) {
  const tsxSOBJ near = tsxhost::AddPolyhedron("Near", MakeBox({0, 0, 0}, {1, 1, 1}));
  const tsxSOBJ far = tsxhost::AddPolyhedron("Far", MakeBox({1.5f, 0, 0}, {2.5f, 1, 1}));
  const JunctionReport report = JoinAndReport(near, far);
  ASSERT_TRUE(report.hint);
  EXPECT_EQ(report.hint->candidates.size(), 3u);
  EXPECT_EQ(report.hint->candidates.front().faceA, 1);
  EXPECT_EQ(report.hint->candidates.front().faceB, 0);
  EXPECT_EQ(report.hint->kind, HintKind::Apart);
  EXPECT_FALSE(report.hint->shortEdge);
  for (size_t i = 1; i < report.hint->candidates.size(); ++i) {
    EXPECT_LE(report.hint->candidates[i - 1].maxGap, report.hint->candidates[i].maxGap);
  }
}

TEST_F(JunctionReportTest, NothingToReportAfterOtherErrorsAndNoLeaks) {
  const long before = tsxhost::testing::OutstandingAllocations();
  const tsxSOBJ left = tsxhost::AddPolyhedron("Left", MakeBox({0, 0, 0}, {1, 1, 1}));
  JoinState.LastError = kAborted;
  const JunctionReport report = ReportPlainJoin(JoinInputsAt(left, left, 0.01));
  EXPECT_FALSE(report.Joined());
  EXPECT_FALSE(report.junction);
  EXPECT_FALSE(report.hint);
  EXPECT_FALSE(HintText(report, "--accuracy ", "join the contact"));
  EXPECT_TRUE(SummaryText(report, "a", "b").empty());
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
}

TEST(ReportLines, FormatLengthsAndAccuracies) {
  EXPECT_EQ(FormatLength(0), "0");
  EXPECT_EQ(FormatLength(0.0088000001), "0.0088");
  EXPECT_EQ(FormatLength(1.5e-5), "1.5e-05");
  EXPECT_EQ(FormatThousandths(9), "0.009");
  EXPECT_EQ(FormatThousandths(10), "0.01");
  EXPECT_EQ(FormatThousandths(2000), "2");
  EXPECT_EQ(FormatThousandths(0), "0");
}

}  // namespace
}  // namespace spl::testing
