// The junction search on tiny hand-made objects.
#include "engine/face/JunctionSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>

#include "engine/common/Errors.h"
#include "engine/common/JoinInputs.h"
#include "engine/common/JoinState.h"
#include "engine/common/Thousandths.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "tests/support/RecordingView.h"

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
  JoinProgress progress{&view, {}};
};

//  P3 ---- P2      face A: P0 P1 P2 P3 (counter-clockwise from +z)
//  |        |      face B: P2 P1 P0 P3 (clockwise: the other way)
//  P0 ---- P1
const CtsxVector3f P0{0, 0, 0}, P1{1, 0, 0}, P2{1, 1, 0}, P3{0, 1, 0};

TEST_F(SearchTest, CornerBIsTheCornerOnCornerZeroOfA) {
  Pick(Object("A", {{P0, P1, P2, P3}}), Object("B", {{P2, P1, P0, P3}}));
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(JoinState.JunctionFaceA, 0);
  EXPECT_EQ(JoinState.JunctionFaceB, 0);
  EXPECT_EQ(JoinState.JunctionCornerA, 0);
  EXPECT_EQ(JoinState.JunctionCornerB, 2);
}

TEST_F(SearchTest, FacesTurnedTheSameWayNeverMatch) {
  Pick(Object("A", {{P0, P1, P2, P3}}), Object("B", {{P1, P2, P3, P0}}));
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "SPL : 06 - Faces (Junction) not found.");
  EXPECT_EQ(std::count(view.pumps.begin(), view.pumps.end(), "Faces found!"), 0);
}

struct AccuracyCase {
  float offset;  // of B's corner on A's corner 0
  double accuracy;
  bool match;
};

void PrintTo(const AccuracyCase& c, std::ostream* os) { *os << c.offset << " at " << c.accuracy; }

class AccuracyTest : public SearchTest, public ::testing::WithParamInterface<AccuracyCase> {};

TEST_P(AccuracyTest, IsComparedInWholeThousandths) {
  const AccuracyCase& c = GetParam();
  const CtsxVector3f Q0{P0.x + c.offset, P0.y, P0.z};
  Pick(Object("A", {{P0, P1, P2}}), Object("B", {{P2, P1, Q0}}));
  JoinState.Accuracy = c.accuracy;
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.JunctionFaceA == 0, c.match);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, AccuracyTest,
    ::testing::Values(AccuracyCase{0.0104f, 0.01, true}, AccuracyCase{0.0106f, 0.01, false},
                      AccuracyCase{0.0004f, 0.0, true}, AccuracyCase{0.0006f, 0.0, false},
                      AccuracyCase{0.0f, -0.0005, false},
                      AccuracyCase{0.0f, -0.0004, true},  // -0.0004 rounds to 0
                      AccuracyCase{0.0024f, 0.0025, true},
                      AccuracyCase{0.0026f, 0.0025, false}));  // 0.0025 is 2 thousandths

//  near0 lies within the accuracy of P0.
const CtsxVector3f near0{0.005f, 0, 0};

TEST_F(SearchTest, FacesOfDifferentCornerCountsAreNeverCompared) {
  Pick(Object("A", {{P0, P1, P2}}), Object("B", {{near0, P0, P2, P1}}));
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
}

TEST_F(SearchTest, OnlyTheLowestCoincidingCornerOfBIsTried) {
  // B's corners 0 and 1 both lie within the accuracy of A's corner 0; from
  // corner 0 the walk fails, and corner 1 is not tried.
  Pick(Object("A", {{P0, P1, P2, P3}}), Object("B", {{near0, P0, P3, P2}}));
  FindJunctionFaces(progress);
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
  const JunctionSearchInfo info = FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.JunctionFaceA, 1);
  EXPECT_EQ(JoinState.JunctionFaceB, 1);
  EXPECT_EQ(info.orderPositionA, 0);
  EXPECT_EQ(info.orderPositionB, 0);
  EXPECT_EQ(view.pumps.back(), "Faces found!");
}

TEST_F(SearchTest, AnAbortWhileOrderingStopsWithoutMessage06) {
  Pick(Object("A", {{P0, P1, P2}, {P0, P2, P3}}), Object("B", {{P2, P1, P0}}));
  view.onPump = [](size_t n) {
    if (n == 2) JoinState.AbortRequested = true;
  };
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, kAborted);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "SPL : 11 - SPLICER-BOT operation aborted by user.");
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
  EXPECT_EQ(JoinState.JunctionCornerB, -1);
}

// Pumps of a search, one per progress call, as runs of equal texts.
std::vector<std::pair<std::string, int>> Runs(const std::vector<std::string>& pumps) {
  std::vector<std::pair<std::string, int>> runs;
  for (const std::string& p : pumps) {
    if (runs.empty() || runs.back().first != p) runs.push_back({p, 0});
    ++runs.back().second;
  }
  return runs;
}

TEST_F(SearchTest, ProgressCallsAnnounceEachOrderingAndEachFaceTried) {
  // Face 0 of A lies far from the midpoint and is tried second.
  const CtsxVector3f o{20, 0, 0};
  auto at = [](CtsxVector3f p, CtsxVector3f d) { return CtsxVector3f{p.x + d.x, p.y + d.y, p.z + d.z}; };
  Pick(Object("A", {{P0, P1, P2}, {at(P0, o), at(P1, o), at(P2, o)}, {P0, P1, P2, P3}}, {20, 0, 0}),
       Object("B", {{P2, P1, P0}}, {20, 0, 0}));
  JoinState.StepsToGo = 1000;
  const JunctionSearchInfo info = FindJunctionFaces(progress);
  const std::vector<std::pair<std::string, int>> expected = {
      {"Sorting faces(1)...", 4}, {"Sorting faces(2)...", 2}, {"Searching faces...", 2}, {"Faces found!", 1}};
  EXPECT_EQ(Runs(view.pumps), expected);
  EXPECT_EQ(JoinState.JunctionFaceA, 0);
  EXPECT_EQ(info.orderPositionA, 1);
  // Orderings take nothing off (fewer than 10 calls); 2 x nB while
  // searching; (nB - p) x (nA - m - 1) = 1 x 1 when found.
  EXPECT_EQ(JoinState.StepsToGo, 1000 - 2 - 1);
}

TEST_F(SearchTest, AnAbortWhileSearchingStopsBeforeTheNextFace) {
  Pick(Object("A", {{P0, P1, P2}, {P0, P2, P3}, {P1, P2, P3}}), Object("B", {{P0, P1, P2}}));
  view.onPump = [this](size_t) {
    if (view.pumps.back() == "Searching faces...") JoinState.AbortRequested = true;
  };
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, kAborted);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(Runs(view.pumps).back(), (std::pair<std::string, int>{"Searching faces...", 1}));
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
  EXPECT_EQ(JoinState.JunctionCornerA, -1);
}

TEST_F(SearchTest, AnAccuracyBeyondWholeThousandthsIsNoErrorWhileNoCornerIsTested) {
  JoinState.Accuracy = 3e6;
  // No pair of equal corner counts: no corner is ever tested.
  Pick(Object("A", {{P0, P1, P2, P3}}), Object("B", {{P2, P1, P0}}));
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
}

TEST_F(SearchTest, AnAccuracyBeyondWholeThousandthsFailsAtTheFirstCornerTest) {
  JoinState.Accuracy = 3e6;
  Pick(Object("A", {{P0, P1, P2, P3}, {P0, P1, P2}}), Object("B", {{P2, P1, P0}}));
  const long before = tsxhost::testing::OutstandingAllocations();
  EXPECT_THROW(FindJunctionFaces(progress), ConversionError);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
  // Thrown while trying A's second face, the triangle.
  EXPECT_EQ(Runs(view.pumps).back(), (std::pair<std::string, int>{"Searching faces...", 2}));
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
  EXPECT_EQ(JoinState.JunctionCornerB, -1);
}

// The search compares in the thousandths of the record it is given, not in
// the join state's accuracy, which may have changed since the record was
// made; an accuracy that does not fit still fails at the first corner test,
// with the toolkit's text for the record's accuracy.
TEST_F(SearchTest, TheThousandthsComeFromTheJoinInputs) {
  Pick(Object("A", {{P0, P1, P2, P3}, {P0, P1, P2}}), Object("B", {{P2, P1, P0}}));
  JoinState.Accuracy = 3e6;
  const JoinInputs tooLarge = JoinInputsOf(JoinState);
  EXPECT_FALSE(tooLarge.thousandths.has_value());
  JoinState.Accuracy = 0.01;
  const JoinInputs fits = JoinInputsOf(JoinState);
  ASSERT_EQ(fits.thousandths, 10);

  JoinState.Accuracy = 3e6;
  FindJunctionFaces(progress, fits);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(JoinState.JunctionFaceA, 1);  // the triangle, A's second face
  EXPECT_EQ(JoinState.JunctionFaceB, 0);
  EXPECT_EQ(JoinState.JunctionCornerB, 2);

  JoinState.Accuracy = 0.01;
  ClearJunction();
  view.pumps.clear();
  try {
    FindJunctionFaces(progress, tooLarge);
    ADD_FAILURE() << "no conversion error";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'3000000000' は整数ではありません");
  }
  EXPECT_EQ(Runs(view.pumps).back(), (std::pair<std::string, int>{"Searching faces...", 2}));
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
}

// The record's thousandths are what every stage compared in before it
// existed: the float's thousandfold rounded half away from zero, empty past
// 32 bits.
TEST(JoinInputsTest, ThousandthsAreTheAccuracyRoundedOnceInSinglePrecision) {
  TJoinState state;
  state.FirstObject = 7;
  state.SecondObject = 9;
  for (const double accuracy : {0.01, 0.0005, -0.0015, 0.0004, 2147483.0, 2147484.0, std::nan("")}) {
    SCOPED_TRACE(accuracy);
    state.Accuracy = accuracy;
    const JoinInputs inputs = JoinInputsOf(state);
    EXPECT_EQ(inputs.first, 7u);
    EXPECT_EQ(inputs.second, 9u);
    EXPECT_EQ(inputs.thousandths, TryRoundToThousandths(static_cast<float>(accuracy)));
    if (inputs.thousandths) {
      EXPECT_EQ(inputs.Thousandths(), RoundToThousandths(static_cast<float>(accuracy)));
    } else {
      EXPECT_THROW(inputs.Thousandths(), ConversionError);
    }
  }
  state.Accuracy = 0.0005;
  EXPECT_EQ(JoinInputsOf(state).thousandths, 1);
  state.Accuracy = -0.0015;
  EXPECT_EQ(JoinInputsOf(state).thousandths, -2);
}

TEST_F(SearchTest, TheStepsLeftWhenFoundSaturateAt32Bits) {
  // 50,000 faces each, the junction first in both orders: the steps left,
  // 50,000 x 49,999, do not fit 32 bits and are taken off as 2147483647.
  constexpr int kFaces = 50'000;
  std::vector<Points> a{{P0, P1, P2}}, b{{P2, P1, P0}};
  for (int i = 1; i < kFaces; ++i) {
    const float x = 10.0f + static_cast<float>(i);
    a.push_back({{x, 0, 0}, {x + 0.5f, 0, 0}, {x, 0.5f, 0}});
    b.push_back({{-x, 0.5f, 0}, {-x - 0.5f, 0, 0}, {-x, 0, 0}});
  }
  Pick(Object("A", a), Object("B", b));
  JoinState.StepsToGo = 2147483647;
  FindJunctionFaces(progress);
  ASSERT_EQ(JoinState.JunctionFaceA, 0);
  // 10 per 10 ordering calls (2 x 50,000), one search call of 50,000.
  EXPECT_EQ(JoinState.StepsToGo, -150'000);
}

// The n-th of the four working arrays cannot be had.
class WorkingArrayTest : public SearchTest, public ::testing::WithParamInterface<int> {};

TEST_P(WorkingArrayTest, ThatCannotBeHadIsReportedAndNothingLeaks) {
  Pick(Object("A", {{P0, P1, P2}}), Object("B", {{P2, P1, P0}}));
  const long before = tsxhost::testing::OutstandingAllocations();
  tsxhost::testing::FailNthAllocation(GetParam());
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, kNoMemory);
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
}

INSTANTIATE_TEST_SUITE_P(EachOfFour, WorkingArrayTest, ::testing::Range(1, 5));

TEST_F(SearchTest, AJunctionOfFifteenHundredCorners) {
  Points a, b;
  for (int i = 0; i < 1500; ++i) {
    const double t = 2 * M_PI * i / 1500;
    a.push_back({static_cast<float>(10 * std::cos(t)), static_cast<float>(10 * std::sin(t)), 0});
  }
  b.assign(a.rbegin(), a.rend());
  std::rotate(b.begin(), b.begin() + 7, b.end());
  Pick(Object("A", {a}), Object("B", {b}));
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(JoinState.JunctionFaceA, 0);
  EXPECT_EQ(JoinState.JunctionCornerB, 1492);  // b[1492] is a[0]
}

TEST_F(SearchTest, AFaceFarBeyondWholeThousandthsIsAConversionError) {
  const CtsxVector3f far{3e6f, 0, 0};
  Pick(Object("A", {{P0, P1, P2}, {far, far, far}}), Object("B", {{P2, P1, P0}}));
  const long before = tsxhost::testing::OutstandingAllocations();
  EXPECT_THROW(FindJunctionFaces(progress), ConversionError);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
}

TEST_F(SearchTest, FacesWithoutCornersOrWithNanNeverMatch) {
  const CtsxVector3f nan{std::nanf(""), 0, 0};
  Pick(Object("A", {{}, {nan, P1, P2}}), Object("B", {{P2, P1, nan}, {}}));
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
}

// Scenes far from the origin, at powers of two so that the centroids and
// the midpoint come out exact and every key is 0. At these magnitudes one
// step of a float (u) is far beyond any accuracy: A and B are squares shrunk
// to the point X; B2 has two corners a step either side of X.
class FarAwaySearchTest : public SearchTest, public ::testing::WithParamInterface<int> {
 protected:
  CtsxVector3f At(float dx) const {
    const float x = std::ldexp(1.0f, GetParam());
    return {x + dx, x, x};
  }
  float Step() const { return std::ldexp(1.0f, GetParam() - 23); }
  tsxSOBJ Squares(const std::string& name, const Points& square) {
    return Object(name, {square, square, square}, At(0));
  }
};

TEST_P(FarAwaySearchTest, CoincidingSquaresJoin) {
  const Points point{At(0), At(0), At(0), At(0)};
  Pick(Squares("A", point), Squares("B", point));
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, 0);
  EXPECT_EQ(JoinState.JunctionFaceA, 0);
  EXPECT_EQ(JoinState.JunctionFaceB, 0);
  EXPECT_EQ(JoinState.JunctionCornerB, 0);
}

TEST_P(FarAwaySearchTest, SquaresAStepApartAreNotFound) {
  const Points point{At(0), At(0), At(0), At(0)};
  Pick(Squares("A", point), Squares("B", {At(Step()), At(-Step()), At(0), At(0)}));
  FindJunctionFaces(progress);
  EXPECT_EQ(JoinState.LastError, kJunctionNotFound);
  EXPECT_EQ(JoinState.JunctionFaceA, -1);
}

// 2^50 is about 1.1e15, 2^116 about 8.3e34.
INSTANTIATE_TEST_SUITE_P(PowersOfTwo, FarAwaySearchTest, ::testing::Values(50, 53, 55, 57, 60, 66, 83, 100, 116));

}  // namespace
}  // namespace spl
