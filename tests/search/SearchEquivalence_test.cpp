// The fast search against the straightforward one on many random scenes:
// same junction, same order positions, same progress calls in the same
// order, same messages, same conversion errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <random>

#include "engine/common/JoinState.h"
#include "engine/common/Thousandths.h"
#include "host/scene/Scene.h"
#include "tests/search/ReferenceSearch.h"
#include "tests/support/RecordingView.h"

namespace spl {
namespace {

struct Outcome {
  int32_t lastError, faceA, faceB, cornerA, cornerB, stepsToGo;
  JunctionSearchInfo info;
  std::vector<std::string> pumps;
  std::vector<std::string> messages;
  std::string thrown;
};

bool operator==(const Outcome& a, const Outcome& b) {
  return a.lastError == b.lastError && a.faceA == b.faceA && a.faceB == b.faceB && a.cornerA == b.cornerA &&
         a.cornerB == b.cornerB && a.stepsToGo == b.stepsToGo && a.info.orderPositionA == b.info.orderPositionA &&
         a.info.orderPositionB == b.info.orderPositionB && a.pumps == b.pumps && a.messages == b.messages &&
         a.thrown == b.thrown;
}

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "error " << o.lastError << " faces " << o.faceA << "/" << o.faceB << " corners " << o.cornerA << "/"
            << o.cornerB << " positions " << o.info.orderPositionA << "/" << o.info.orderPositionB << " steps "
            << o.stepsToGo << " pumps " << o.pumps.size() << " messages " << o.messages.size() << " thrown '"
            << o.thrown << "'";
}

// Runs one search on the picked objects with an abort at pump `abortAt`
// (0: none).
template <typename Search, typename Info>
Outcome RunSearch(Search search, Info info, double accuracy, size_t abortAt) {
  testing::RecordingView view;
  JoinProgress progress{&view, {}};
  view.onPump = [abortAt](size_t n) {
    if (n == abortAt) JoinState.AbortRequested = true;
  };
  JoinState.LastError = 0;
  JoinState.AbortRequested = false;
  JoinState.Accuracy = accuracy;
  JoinState.StepsToGo = 1000000;
  JoinState.ProgressTick = 0;
  JoinState.JunctionFaceA = JoinState.JunctionFaceB = JoinState.JunctionCornerA = JoinState.JunctionCornerB = -1;
  Outcome o{};
  try {
    search(progress);
  } catch (const ConversionError& e) {
    o.thrown = e.what();
  }
  o.lastError = JoinState.LastError;
  o.faceA = JoinState.JunctionFaceA;
  o.faceB = JoinState.JunctionFaceB;
  o.cornerA = JoinState.JunctionCornerA;
  o.cornerB = JoinState.JunctionCornerB;
  o.stepsToGo = JoinState.StepsToGo;
  o.info = info();
  o.pumps = view.pumps;
  for (const auto& m : view.messages) o.messages.push_back(m.text);
  return o;
}

class SceneMaker {
 public:
  explicit SceneMaker(uint32_t seed) : rng_(seed) {}

  // A world point, often on a coarse grid so that keys tie.
  CtsxVector3f Point() {
    if (Chance(0.5)) {
      std::uniform_int_distribution<int> q(-8, 8);
      return {q(rng_) * 0.25f, q(rng_) * 0.25f, q(rng_) * 0.25f};
    }
    std::uniform_real_distribution<float> c(-3, 3);
    return {c(rng_), c(rng_), c(rng_)};
  }

  CtsxTxmx3f Transform() {
    if (Chance(0.4)) return tsxhost::kIdentity;
    std::uniform_real_distribution<double> angle(-3.1, 3.1), scale(0.5, 2.0), move(-2, 2);
    const double a = angle(rng_), s[3] = {scale(rng_), Chance(0.2) ? 1.0 : scale(rng_), scale(rng_)};
    const double r[3][3] = {{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}};
    CtsxTxmx3f m{};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) m.m[row * 4 + col] = static_cast<float>(r[row][col] * s[col]);
      m.m[row * 4 + 3] = static_cast<float>(move(rng_));
    }
    return m;
  }

  // World to object space of a transform, as the host computes it.
  static CtsxVector3f ToObject(const CtsxTxmx3f& m, const CtsxVector3f& w) {
    CtsxTxmx3f inv{};
    tsxInvertMx3f(&inv, &m);
    CtsxVector3f p{};
    tsxRotateVecs3f(1, &w, &p, &inv);
    return {p.x + inv.m[3], p.y + inv.m[7], p.z + inv.m[11]};
  }

  bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // Two objects: A's faces are random n-gons in world space; B gets copies
  // of some of them, reversed (junctions) or not (decoys), with corners
  // nudged to about the accuracy, plus faces of its own.
  void Make(double accuracy) {
    tsxhost::ResetScene();
    const CtsxTxmx3f ta = Transform(), tb = Transform();
    std::vector<std::vector<CtsxVector3f>> facesA;
    const int nA = Int(1, 14);
    for (int f = 0; f < nA; ++f) {
      std::vector<CtsxVector3f> face;
      const int corners = Chance(0.7) ? Int(3, 4) : Int(5, 9);
      for (int c = 0; c < corners; ++c) face.push_back(Point());
      facesA.push_back(face);
    }
    std::vector<std::vector<CtsxVector3f>> facesB;
    for (const auto& face : facesA) {
      if (!Chance(0.6)) continue;
      std::vector<CtsxVector3f> copy = face;
      if (!Chance(0.25)) std::reverse(copy.begin(), copy.end());
      std::rotate(copy.begin(), copy.begin() + Int(0, static_cast<int>(copy.size()) - 1), copy.end());
      for (CtsxVector3f& p : copy) {
        if (Chance(0.3)) {
          // Just inside or just outside the accuracy, along one axis.
          const double d = std::max(accuracy, 0.0) + (Chance(0.5) ? -1 : 1) * 0.0004 * Int(0, 2);
          p.x += static_cast<float>(d);
        }
      }
      facesB.push_back(copy);
    }
    const int own = Int(0, 6);
    for (int f = 0; f < own; ++f) facesB.push_back({Point(), Point(), Point()});
    std::shuffle(facesB.begin(), facesB.end(), rng_);
    if (facesB.empty()) facesB.push_back({Point(), Point(), Point()});
    a_ = Add("A", facesA, ta);
    b_ = Add("B", facesB, tb);
  }

  HostObject a() const { return a_; }
  HostObject b() const { return b_; }

 private:
  HostObject Add(const std::string& name, const std::vector<std::vector<CtsxVector3f>>& faces, const CtsxTxmx3f& t) {
    tsxhost::Mesh mesh;
    for (const auto& face : faces) {
      tsxhost::Face f;
      for (const CtsxVector3f& p : face) {
        // Corners sometimes share a vertex with an earlier one at the same place.
        int32_t index = -1;
        if (Chance(0.5)) {
          const CtsxVector3f o = ToObject(t, p);
          for (size_t v = 0; v < mesh.vertices.size(); ++v) {
            if (std::memcmp(&mesh.vertices[v], &o, sizeof o) == 0) index = static_cast<int32_t>(v);
          }
        }
        if (index < 0) {
          index = static_cast<int32_t>(mesh.vertices.size());
          mesh.vertices.push_back(ToObject(t, p));
        }
        f.corners.push_back({index, -1});
      }
      mesh.faces.push_back(f);
    }
    if (Chance(0.05)) mesh.faces.push_back({});  // no corners at all
    if (Chance(0.05)) {
      mesh.vertices.push_back({std::nanf(""), 0, 0});
      const auto v = static_cast<int32_t>(mesh.vertices.size()) - 1;
      mesh.faces.push_back({{{v, -1}, {0, -1}, {v, -1}}, {}, 0});
    }
    CtsxVector3f axes = Point();
    return tsxhost::AddPolyhedron(name, mesh, t, axes);
  }

  std::mt19937 rng_;
  HostObject a_ = 0, b_ = 0;
};

TEST(SearchEquivalence, FastAndStraightforwardAgreeOnRandomScenes) {
  const double accuracies[] = {0.01, 0.01, 0.0, 0.0025, 0.1, 0.5, -0.001, -0.0004, 3e6};
  int junctions = 0, aborts = 0, conversions = 0;
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    SceneMaker maker(seed);
    const double accuracy = accuracies[seed % std::size(accuracies)];
    maker.Make(accuracy);
    JoinState.FirstObject = maker.a();
    JoinState.SecondObject = maker.b();
    const size_t abortAt = seed % 7 == 0 ? static_cast<size_t>(maker.Int(1, 40)) : 0;
    JunctionSearchInfo found;  // stays "none" when the search throws
    const Outcome fast =
        RunSearch(
            [&found](JoinProgress& progress) {
              const JunctionSearchInfo info = FindJunctionFaces(progress);
              found = info;
            },
            [&found] { return found; }, accuracy, abortAt);
    const Outcome reference = RunSearch([](JoinProgress& progress) { testing::ReferenceFindJunctionFaces(progress); },
                                  [] { return testing::ReferenceLastInfo(); }, accuracy, abortAt);
    ASSERT_EQ(fast, reference) << "seed " << seed;
    junctions += fast.faceA >= 0;
    aborts += fast.lastError == -1100;
    conversions += !fast.thrown.empty();
  }
  // The scenes exercise every outcome.
  EXPECT_GT(junctions, 500);
  EXPECT_GT(aborts, 50);
  EXPECT_GT(conversions, 50);
}

}  // namespace
}  // namespace spl
