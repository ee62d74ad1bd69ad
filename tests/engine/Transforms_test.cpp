#include "engine/common/Transforms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "engine/common/Errors.h"
#include "host/scene/Scene.h"
#include "tests/support/RecordingView.h"

namespace spl {
namespace {

using testing::RecordingView;

class TransformsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    ResetJoinState();
  }
  tsxSOBJ Object(const CtsxTxmx3f& m) {
    tsxhost::Mesh mesh;
    mesh.vertices = {{0, 0, 0}};
    return tsxhost::AddPolyhedron("obj" + std::to_string(++count_), mesh, m);
  }
  RecordingView view;
  JoinProgress progress{&view, {}};

 private:
  int count_ = 0;
};

void ExpectNear(const CtsxVector3f& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-6f);
  EXPECT_NEAR(v.y, y, 1e-6f);
  EXPECT_NEAR(v.z, z, 1e-6f);
}

TEST_F(TransformsTest, TranslationIsAddedAndSubtracted) {
  const tsxSOBJ obj = Object({{1, 0, 0, 3, 0, 1, 0, -4, 0, 0, 1, 0.5f}});
  CtsxVector3f w{};
  VertexToWorld(obj, {1, 2, 3}, w);
  ExpectNear(w, 4, -2, 3.5f);
  CtsxVector3f p{};
  WorldToObject(&view, obj, w, p);
  ExpectNear(p, 1, 2, 3);
}

TEST_F(TransformsTest, ScaleActsAlongTheObjectsOwnAxisBeforeTheTurn) {
  // Scale 2 along the object's x, then a quarter turn about z, moved by
  // (1, 1, 1): the object's x axis points along world y.
  const tsxSOBJ obj = Object({{0, -1, 0, 1, 2, 0, 0, 1, 0, 0, 1, 1}});
  CtsxVector3f w{};
  VertexToWorld(obj, {1, 0, 0}, w);
  ExpectNear(w, 1, 3, 1);
  VertexToWorld(obj, {0, 1, 0}, w);
  ExpectNear(w, 0, 1, 1);
}

TEST_F(TransformsTest, ResultMayBeThePointItself) {
  const tsxSOBJ obj = Object({{1, 0, 0, 1, 0, 1, 0, 2, 0, 0, 1, 3}});
  CtsxVector3f v{1, 1, 1};
  VertexToWorld(obj, v, v);
  ExpectNear(v, 2, 3, 4);
  WorldToObject(&view, obj, v, v);
  ExpectNear(v, 1, 1, 1);
}

TEST_F(TransformsTest, RoundTripReturnsThePointAndCachedFormIsBitIdentical) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(-50, 50), scale(0.1f, 5), angle(-3, 3);
  for (int i = 0; i < 200; ++i) {
    const float a = angle(rng), b = angle(rng);
    const float sx = scale(rng), sy = scale(rng), sz = scale(rng);
    // Rz(a) * Rx(b) * diag(sx, sy, sz), in double, then stored as floats.
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    const double r[3][3] = {{ca, -sa * cb, sa * sb}, {sa, ca * cb, -ca * sb}, {0, sb, cb}};
    CtsxTxmx3f m{};
    const double s[3] = {sx, sy, sz};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) m.m[row * 4 + col] = static_cast<float>(r[row][col] * s[col]);
      m.m[row * 4 + 3] = coord(rng);
    }
    const tsxSOBJ obj = Object(m);
    const ObjectTransform cached(obj);
    const CtsxVector3f p{coord(rng), coord(rng), coord(rng)};
    CtsxVector3f w{}, back{}, cw{}, cback{};
    VertexToWorld(obj, p, w);
    WorldToObject(&view, obj, w, back);
    cached.ToWorld(p, cw);
    ASSERT_TRUE(cached.ToObject(w, cback));
    EXPECT_NEAR(back.x, p.x, 1e-3f);
    EXPECT_NEAR(back.y, p.y, 1e-3f);
    EXPECT_NEAR(back.z, p.z, 1e-3f);
    EXPECT_EQ(0, std::memcmp(&w, &cw, sizeof w));
    EXPECT_EQ(0, std::memcmp(&back, &cback, sizeof back));
  }
  EXPECT_EQ(JoinState.LastError, 0);
}

TEST_F(TransformsTest, ZeroScaleFlattensOneWayAndIsRefusedTheOther) {
  const tsxSOBJ obj = Object({{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}});
  CtsxVector3f w{};
  VertexToWorld(obj, {1, 5, 2}, w);
  ExpectNear(w, 1, 0, 2);
  EXPECT_EQ(JoinState.LastError, 0);

  for (int call = 0; call < 2; ++call) {
    CtsxVector3f result{9, 9, 9};
    JoinState.LastError = 0;
    WorldToObject(&view, obj, {1, 0, 2}, result);
    EXPECT_EQ(JoinState.LastError, kZeroScale);
    ExpectNear(result, 9, 9, 9);
  }
  ASSERT_EQ(view.messages.size(), 2u);  // reported on every call
  EXPECT_EQ(view.messages[1].text, "SPL : 09 - Zero(0) scaling factor found.");

  const ObjectTransform cached(obj);
  EXPECT_TRUE(cached.HasZeroScale());
  CtsxVector3f result{9, 9, 9};
  EXPECT_FALSE(cached.ToObject({1, 0, 2}, result));
  ExpectNear(result, 9, 9, 9);
}

}  // namespace
}  // namespace spl
