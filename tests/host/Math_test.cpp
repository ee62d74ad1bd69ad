// The host's matrix and vector operations.
#include <gtest/gtest.h>

#include <cmath>

#include "interface/tsxapi.h"

namespace {

TEST(HostMath, DistanceIsDoubleFromTheFloatsRoundedOnce) {
  const CtsxVector3f a{0.1f, 0.2f, 0.3f}, b{1.7f, -2.9f, 4.4f};
  const double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
  EXPECT_EQ(tsxDistanceToPoint3f(&a, &b), static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz)));
  EXPECT_EQ(tsxDistanceToPoint3f(&a, &a), 0.0f);
}

TEST(HostMath, VectorsAddAndScaleInSinglePrecision) {
  CtsxVector3f v{1, 2, 3};
  const CtsxVector3f w{0.1f, 0.2f, 0.3f};
  tsxAddVec3f(&v, &w);
  EXPECT_EQ(v.x, 1.0f + 0.1f);
  tsxMulScalar3f(&v, 0.5f);
  EXPECT_EQ(v.y, (2.0f + 0.2f) * 0.5f);
}

TEST(HostMath, UnMatrixSplitsScaleFromRotationAndInvertUndoesIt) {
  // Quarter turn about z with scale (2, 3, 4) and a move.
  const CtsxTxmx3f m{{0, -3, 0, 5, 2, 0, 0, 6, 0, 0, 4, 7}};
  CtsxTxmx3f r{};
  CtsxVector3f s{};
  tsxUnMatrix3f(&m, &r, &s);
  EXPECT_EQ(s.x, 2);
  EXPECT_EQ(s.y, 3);
  EXPECT_EQ(s.z, 4);
  const CtsxTxmx3f rotation{{0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0}};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(r.m[i], rotation.m[i]) << i;
  CtsxVector3f t{};
  tsxGetMxTranslation3f(&t, &m);
  EXPECT_EQ(t.y, 6);

  CtsxTxmx3f inv{};
  tsxInvertMx3f(&inv, &m);
  CtsxVector3f p{1, 2, 3}, q{};
  tsxRotateVecs3f(1, &p, &q, &m);
  q = {q.x + m.m[3], q.y + m.m[7], q.z + m.m[11]};
  tsxRotateVecs3f(1, &q, &q, &inv);  // in place
  q = {q.x + inv.m[3], q.y + inv.m[7], q.z + inv.m[11]};
  EXPECT_NEAR(q.x, 1, 1e-6);
  EXPECT_NEAR(q.y, 2, 1e-6);
  EXPECT_NEAR(q.z, 3, 1e-6);
}

TEST(HostMath, ZeroAxisGivesZeroScaleAndAUnitColumn) {
  const CtsxTxmx3f m{{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}};
  CtsxTxmx3f r{};
  CtsxVector3f s{};
  tsxUnMatrix3f(&m, &r, &s);
  EXPECT_EQ(s.y, 0);
  EXPECT_EQ(r.m[5], 1);
  CtsxTxmx3f inv{};
  tsxInvertMx3f(&inv, &m);  // singular: the identity
  EXPECT_EQ(inv.m[5], 1);
}

TEST(HostMath, IdentityRotationKeepsPointsBitForBit) {
  const CtsxTxmx3f id{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}};
  CtsxVector3f pts[2] = {{0.1f, -7.3e-8f, 123456.789f}, {3e38f, -1e-38f, 1}};
  CtsxVector3f out[2];
  tsxRotateVecs3f(2, pts, out, &id);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(out[i].x, pts[i].x);
    EXPECT_EQ(out[i].y, pts[i].y);
    EXPECT_EQ(out[i].z, pts[i].z);
  }
}

}  // namespace
