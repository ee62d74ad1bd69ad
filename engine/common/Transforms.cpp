#include "engine/common/Transforms.h"

#include <cmath>

#include "engine/common/Errors.h"

namespace spl {
namespace {

constexpr CtsxTxmx3f kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}};

struct Decomposed {
  CtsxTxmx3f matrix = kIdentity;
  CtsxTxmx3f rotation{};
  CtsxVector3f scale{};
};

// The object's transform, copied out of the host and split into R and S.
// A dead handle leaves the identity in place.
Decomposed Decompose(HostObject object) {
  Decomposed d;
  tsxPolyhGetVxTxmx(object, &d.matrix);
  tsxUnMatrix3f(&d.matrix, &d.rotation, &d.scale);
  return d;
}

bool IsZeroScale(float s) { return s == 0.0f || std::isnan(s); }

void Scale(CtsxVector3f& v, const CtsxVector3f& s) {
  v.x *= s.x;
  v.y *= s.y;
  v.z *= s.z;
}

void Add(CtsxVector3f& v, const CtsxVector3f& t) {
  v.x += t.x;
  v.y += t.y;
  v.z += t.z;
}

void Subtract(CtsxVector3f& v, const CtsxVector3f& t) {
  v.x -= t.x;
  v.y -= t.y;
  v.z -= t.z;
}

void Divide(CtsxVector3f& v, const CtsxVector3f& s) {
  v.x /= s.x;
  v.y /= s.y;
  v.z /= s.z;
}

}  // namespace

void VertexToWorld(HostObject object, const CtsxVector3f& point,
                   CtsxVector3f& result) {
  CtsxVector3f v = point;
  Decomposed d = Decompose(object);
  Scale(v, d.scale);
  tsxRotateVecs3f(1, &v, &v, &d.rotation);
  CtsxVector3f t{};
  tsxGetMxTranslation3f(&t, &d.matrix);
  Add(v, t);
  result = v;
}

void WorldToObject(JoinView* view, HostObject object, const CtsxVector3f& point, CtsxVector3f& result) {
  CtsxVector3f v = point;
  Decomposed d = Decompose(object);
  CtsxVector3f t{};
  tsxGetMxTranslation3f(&t, &d.matrix);
  Subtract(v, t);
  CtsxTxmx3f inverse{};
  tsxInvertMx3f(&inverse, &d.rotation);
  tsxRotateVecs3f(1, &v, &v, &inverse);
  if (IsZeroScale(d.scale.x) || IsZeroScale(d.scale.y) || IsZeroScale(d.scale.z)) {
    ReportError(view, kZeroScale);
    return;
  }
  Divide(v, d.scale);
  result = v;
}

ObjectTransform::ObjectTransform(HostObject object) {
  Decomposed d = Decompose(object);
  rotation_ = d.rotation;
  scale_ = d.scale;
  tsxGetMxTranslation3f(&translation_, &d.matrix);
  tsxInvertMx3f(&inverse_, &d.rotation);
  zeroScale_ = IsZeroScale(scale_.x) || IsZeroScale(scale_.y) || IsZeroScale(scale_.z);
}

void ObjectTransform::ToWorld(const CtsxVector3f& point, CtsxVector3f& result) const {
  ToWorld(1, &point, &result);
}

void ObjectTransform::ToWorld(int32_t count, const CtsxVector3f* points,
                              CtsxVector3f* results) const {
  for (int32_t i = 0; i < count; ++i) {
    results[i] = points[i];
    Scale(results[i], scale_);
  }
  tsxRotateVecs3f(count, results, results, &rotation_);
  for (int32_t i = 0; i < count; ++i) Add(results[i], translation_);
}

bool ObjectTransform::ToObject(const CtsxVector3f& point, CtsxVector3f& result) const {
  return ToObject(1, &point, &result);
}

bool ObjectTransform::ToObject(int32_t count, const CtsxVector3f* points,
                               CtsxVector3f* results) const {
  if (zeroScale_) return false;
  for (int32_t i = 0; i < count; ++i) {
    results[i] = points[i];
    Subtract(results[i], translation_);
  }
  tsxRotateVecs3f(count, results, results, &inverse_);
  for (int32_t i = 0; i < count; ++i) Divide(results[i], scale_);
  return true;
}

}  // namespace spl
