#include "apps/tsxhost/TransformMath.h"

#include <cmath>
#include <numbers>

namespace hostapp {

CtsxTxmx3f Compose(const CtsxTxmx3f& a, const CtsxTxmx3f& b) {
  CtsxTxmx3f r{};
  for (int row = 0; row < 3; ++row) {
    const float* ar = &a.m[row * 4];
    for (int col = 0; col < 4; ++col) {
      double sum = col == 3 ? ar[3] : 0.0;
      for (int k = 0; k < 3; ++k) sum += double(ar[k]) * b.m[k * 4 + col];
      r.m[row * 4 + col] = float(sum);
    }
  }
  return r;
}

CtsxVector3f Apply(const CtsxTxmx3f& m, const CtsxVector3f& p) {
  auto row = [&](int r) {
    const float* q = &m.m[r * 4];
    return float(double(q[0]) * p.x + double(q[1]) * p.y + double(q[2]) * p.z + q[3]);
  };
  return {row(0), row(1), row(2)};
}

namespace {

CtsxTxmx3f Translation(float x, float y, float z) {
  return {{1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z}};
}

// Rotation by `degrees` about world axis 0, 1 or 2.
CtsxTxmx3f Rotation(int axis, float degrees) {
  const double a = double(degrees) * std::numbers::pi / 180.0;
  const float c = float(std::cos(a)), s = float(std::sin(a));
  switch (axis) {
    case 0: return {{1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0}};
    case 1: return {{c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0}};
    default: return {{c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0}};
  }
}

}  // namespace

CtsxTxmx3f EditTransform(const PlacementEdit& edit, const CtsxVector3f& pivot) {
  const float k = edit.scale;
  CtsxTxmx3f m{{k, 0, 0, 0, 0, k, 0, 0, 0, 0, k, 0}};
  m = Compose(m, Translation(-pivot.x, -pivot.y, -pivot.z));
  m = Compose(Rotation(0, edit.turn.x), m);
  m = Compose(Rotation(1, edit.turn.y), m);
  m = Compose(Rotation(2, edit.turn.z), m);
  return Compose(Translation(pivot.x + edit.move.x, pivot.y + edit.move.y,
                             pivot.z + edit.move.z), m);
}

}  // namespace hostapp
