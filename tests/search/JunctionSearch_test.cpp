// The junction search on tiny hand-made objects.
#include "JunctionSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Errors.h"
#include "HostTesting.h"
#include "JoinState.h"
#include "RecordingView.h"
#include "Scene.h"
#include "Thousandths.h"

namespace spl {
namespace {

using Points = std::vector<CtsxVector3f>;

// One object with one face per point list, vertices not shared.
tsxSOBJ Object(const std::string& name, const std::vector<Points>& faces, CtsxVector3f axes = {0, 0, 0}) {
  tsxhost::Mesh mesh;
  for (const Points& face : faces) {
    tsxhost::Face f;
    for (const CtsxVector3f& p : face) {
      f.corners.push_back({static_cast<int32_t>(mesh.vertices.size()), -1});
      mesh.vertices.push_back(p);
    }
    mesh.faces.push_back(f);
  }
  return tsxhost::AddPolyhedron(name, mesh, tsxhost::kIdentity, axes);
}

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    ResetJoinState();
    JoinState.Accuracy = 0.01;
    JoinState.JunctionFaceA = JoinState.JunctionFaceB = JoinState.JunctionCornerA = JoinState.JunctionCornerB = -1;
  }
  void Pick(tsxSOBJ a, tsxSOBJ b) {
    JoinState.FirstObject = a;
    JoinState.SecondObject = b;
  }
  testing::RecordingView view;
  testing::ScopedView scoped{&view};
};

//  P3 ---- P2      face A: P0 P1 P2 P3 (counter-clockwise from +z)
//  |        |      face B: P2 P1 P0 P3 (clockwise: the other way)
//  P0 ---- P1
const CtsxVector3f P0{0, 0, 0}, P1{1, 0, 0}, P2{1, 1, 0}, P3{0, 1, 0};

TEST_F(SearchTest, CornerBIsTheCornerOnCornerZeroOfA) {
  Pick(Object("A", {{P0, P1, P2, P3}}), Object("B", {{P2, P1, P0, P3}}));
  FindJunctionFaces();
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(JoinState.JunctionFaceA, 0);
  EXPECT_EQ(JoinState.JunctionFaceB, 0);
  EXPECT_EQ(JoinState.JunctionCornerA, 0);
  EXPECT_EQ(JoinState.JunctionCornerB, 2);
}

TEST_F(SearchTest, FacesTurnedTheSameWayNeverMatch) {
  Pick(Object("A", {{P0, P1, P2, P3}}), Object("B", {{P1, P2, P3, P0}}));
  FindJunctionFaces();
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "SPL : 06 - Faces (Junction) not found.");
  EXPECT_EQ(std::count(view.pumps.begin(), view.pumps.end(), "Faces found!"), 0);
}

TEST_F(SearchTest, AccuracyIsComparedInWholeThousandths) {
  struct Case {
    float offset;
    double accuracy;
    bool match;
  } cases[] = {
      {0.0104f, 0.01, true},   {0.0106f, 0.01, false}, {0.0004f, 0.0, true},
      {0.0006f, 0.0, false},   {0.0f, -0.0005, false}, {0.0f, -0.0004, true},  // -0.0004 rounds to 0
      {0.0024f, 0.0025, true}, {0.0026f, 0.0025, false},                        // 0.0025 is 2 thousandths
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.offset << " at " << c.accuracy);
    SetUp();
    const CtsxVector3f Q0{P0.x + c.offset, P0.y, P0.z};
    Pick(Object("A", {{P0, P1, P2}}), Object("B", {{P2, P1, Q0}}));
    JoinState.Accuracy = c.accuracy;
    FindJunctionFaces();
    EXPECT_EQ(JoinState.JunctionFaceA == 0, c.match);
  }
}

TEST_F(SearchTest, OnlyTheLowestCoincidingCornerOfBIsTried) {
  // B's corners 0 and 1 both lie within the accuracy of A's corner 0; from
  // corner 0 the walk fails, and corner 1 is not tried.
  const CtsxVector3f near0{0.005f, 0, 0};
  Pick(Object("A", {{P0, P1, P2}}), Object("B", {{near0, P0, P2, P1}}));
  FindJunctionFaces();  // counts differ: never compared
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
  SetUp();
  view.messages.clear();
  Pick(Object("A", {{P0, P1, P2, P3}}), Object("B", {{near0, P0, P3, P2}}));
  FindJunctionFaces();
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
}

TEST_F(SearchTest, TheNearestPairInNestedOrderWins) {
  // Two coinciding pairs; the one nearer the midpoint (around x = 10) wins
  // although it comes later by index.
  const CtsxVector3f o{10, 0, 0};
  auto at = [](CtsxVector3f p, CtsxVector3f d) { return CtsxVector3f{p.x + d.x, p.y + d.y, p.z + d.z}; };
  const tsxSOBJ a = Object("A", {{P0, P1, P2}, {at(P0, o), at(P1, o), at(P2, o)}}, {10, 0, 0});
  const tsxSOBJ b = Object("B", {{P2, P1, P0}, {at(P2, o), at(P1, o), at(P0, o)}}, {10, 0, 0});
  Pick(a, b);
  FindJunctionFaces();
  EXPECT_EQ(JoinState.JunctionFaceA, 1);
  EXPECT_EQ(JoinState.JunctionFaceB, 1);
  EXPECT_EQ(LastJunctionSearchInfo().orderPositionA, 0);
  EXPECT_EQ(LastJunctionSearchInfo().orderPositionB, 0);
  EXPECT_EQ(view.pumps.back(), "Faces found!");
}

TEST_F(SearchTest, AnAbortWhileOrderingStopsWithoutMessage06) {
  Pick(Object("A", {{P0, P1, P2}, {P0, P2, P3}}), Object("B", {{P2, P1, P0}}));
  view.onPump = [](size_t n) {
    if (n == 2) JoinState.AbortRequested = true;
  };
  FindJunctionFaces();
  EXPECT_EQ(JoinState.LastError, kAborted);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "SPL : 11 - SPLICER-BOT operation aborted by user.");
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
  EXPECT_EQ(JoinState.JunctionCornerB, -1);
}

TEST_F(SearchTest, EachWorkingArrayThatCannotBeHadIsReportedAndNothingLeaks) {
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    SetUp();
    view.messages.clear();
    Pick(Object("A", {{P0, P1, P2}}), Object("B", {{P2, P1, P0}}));
    const long before = tsxhost::testing::OutstandingAllocations();
    tsxhost::testing::FailNthAllocation(n);
    FindJunctionFaces();
    EXPECT_EQ(JoinState.LastError, kNoMemory);
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
  }
}

TEST_F(SearchTest, AJunctionOfFifteenHundredCorners) {
  Points a, b;
  for (int i = 0; i < 1500; ++i) {
    const double t = 2 * M_PI * i / 1500;
    a.push_back({static_cast<float>(10 * std::cos(t)), static_cast<float>(10 * std::sin(t)), 0});
  }
  b.assign(a.rbegin(), a.rend());
  std::rotate(b.begin(), b.begin() + 7, b.end());
  Pick(Object("A", {a}), Object("B", {b}));
  FindJunctionFaces();
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(JoinState.JunctionFaceA, 0);
  EXPECT_EQ(JoinState.JunctionCornerB, 1492);  // b[1492] is a[0]
}

TEST_F(SearchTest, AFaceFarBeyondWholeThousandthsIsAConversionError) {
  const CtsxVector3f far{3e6f, 0, 0};
  Pick(Object("A", {{P0, P1, P2}, {far, far, far}}), Object("B", {{P2, P1, P0}}));
  const long before = tsxhost::testing::OutstandingAllocations();
  EXPECT_THROW(FindJunctionFaces(), ConversionError);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
}

TEST_F(SearchTest, FacesWithoutCornersOrWithNanNeverMatch) {
  const CtsxVector3f nan{std::nanf(""), 0, 0};
  Pick(Object("A", {{}, {nan, P1, P2}}), Object("B", {{P2, P1, nan}, {}}));
  FindJunctionFaces();
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
}

}  // namespace
}  // namespace spl
