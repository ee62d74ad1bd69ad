// Matrix and vector operations. Products and sums are formed in double
// from the single-precision inputs and rounded once, so that results do not
// depend on the compiler's choice of registers.
#include <cmath>

#include "host/scene/HostState.h"

using namespace tsxhost::detail;

namespace {

double At(const CtsxTxmx3f& m, int row, int col) { return m.m[row * 4 + col]; }

}  // namespace

extern "C" {

TSXAPI void TSXCALL tsxUnMatrix3f(const CtsxTxmx3f* m, CtsxTxmx3f* rot, CtsxVector3f* scale) {
  Enter(Op::UnMatrix3f);
  if (!m || !rot || !scale) return;
  const CtsxTxmx3f src = *m;
  float s[3];
  CtsxTxmx3f r{};
  for (int col = 0; col < 3; ++col) {
    const double x = At(src, 0, col), y = At(src, 1, col), z = At(src, 2, col);
    const double norm = std::sqrt(x * x + y * y + z * z);
    s[col] = static_cast<float>(norm);
    for (int row = 0; row < 3; ++row) {
      // A flattened axis keeps its unit direction, so R stays a rotation.
      r.m[row * 4 + col] = norm > 0 ? static_cast<float>(At(src, row, col) / norm)
                                    : (row == col ? 1.0f : 0.0f);
    }
  }
  *rot = r;
  *scale = {s[0], s[1], s[2]};
}

TSXAPI void TSXCALL tsxInvertMx3f(CtsxTxmx3f* dst, const CtsxTxmx3f* src) {
  Enter(Op::InvertMx3f);
  if (!dst || !src) return;
  const CtsxTxmx3f m = *src;
  double a[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) a[r][c] = At(m, r, c);
  const double cof[3][3] = {
      {a[1][1] * a[2][2] - a[1][2] * a[2][1], a[0][2] * a[2][1] - a[0][1] * a[2][2],
       a[0][1] * a[1][2] - a[0][2] * a[1][1]},
      {a[1][2] * a[2][0] - a[1][0] * a[2][2], a[0][0] * a[2][2] - a[0][2] * a[2][0],
       a[0][2] * a[1][0] - a[0][0] * a[1][2]},
      {a[1][0] * a[2][1] - a[1][1] * a[2][0], a[0][1] * a[2][0] - a[0][0] * a[2][1],
       a[0][0] * a[1][1] - a[0][1] * a[1][0]}};
  const double det = a[0][0] * cof[0][0] + a[0][1] * cof[1][0] + a[0][2] * cof[2][0];
  CtsxTxmx3f out{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}};
  if (det != 0 && std::isfinite(det)) {
    double inv[3][3];
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) inv[r][c] = cof[r][c] / det;
    const double t[3] = {At(m, 0, 3), At(m, 1, 3), At(m, 2, 3)};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) out.m[r * 4 + c] = static_cast<float>(inv[r][c]);
      out.m[r * 4 + 3] = static_cast<float>(-(inv[r][0] * t[0] + inv[r][1] * t[1] + inv[r][2] * t[2]));
    }
  }
  *dst = out;
}

TSXAPI void TSXCALL tsxRotateVecs3f(int32_t n, const CtsxVector3f* src, CtsxVector3f* dst,
                                    const CtsxTxmx3f* m) {
  Enter(Op::RotateVecs3f);
  if (!src || !dst || !m) return;
  const CtsxTxmx3f r = *m;
  for (int32_t i = 0; i < n; ++i) {
    const double x = src[i].x, y = src[i].y, z = src[i].z;
    dst[i] = {static_cast<float>(At(r, 0, 0) * x + At(r, 0, 1) * y + At(r, 0, 2) * z),
              static_cast<float>(At(r, 1, 0) * x + At(r, 1, 1) * y + At(r, 1, 2) * z),
              static_cast<float>(At(r, 2, 0) * x + At(r, 2, 1) * y + At(r, 2, 2) * z)};
  }
}

TSXAPI void TSXCALL tsxGetMxTranslation3f(CtsxVector3f* out, const CtsxTxmx3f* m) {
  Enter(Op::GetMxTranslation3f);
  if (out && m) *out = {m->m[3], m->m[7], m->m[11]};
}

TSXAPI void TSXCALL tsxAddVec3f(CtsxVector3f* a, const CtsxVector3f* b) {
  Enter(Op::AddVec3f);
  if (!a || !b) return;
  a->x += b->x;
  a->y += b->y;
  a->z += b->z;
}

TSXAPI void TSXCALL tsxMulScalar3f(CtsxVector3f* a, float s) {
  Enter(Op::MulScalar3f);
  if (!a) return;
  a->x *= s;
  a->y *= s;
  a->z *= s;
}

TSXAPI float TSXCALL tsxDistanceToPoint3f(const CtsxVector3f* a, const CtsxVector3f* b) {
  Enter(Op::DistanceToPoint3f);
  if (!a || !b) return 0.0f;
  const double dx = static_cast<double>(a->x) - b->x;
  const double dy = static_cast<double>(a->y) - b->y;
  const double dz = static_cast<double>(a->z) - b->z;
  return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

}  // extern "C"
