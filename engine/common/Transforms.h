// Object and world transforms: a point of an object's own space to world
// space and back, through the host's decomposition of the object's vertex
// transform into scale S, rotation R and translation T.
#pragma once

#include "engine/common/JoinState.h"
#include "engine/common/JoinView.h"
#include "interface/tsxapi.h"

namespace spl {

// world = R (S * point) + T. Cannot fail; result may alias point.
void VertexToWorld(HostObject object, const CtsxVector3f& point,
                   CtsxVector3f& result);

// point = S^-1 R^-1 (world - T). Reports -1009 on `view` and leaves result
// alone when a scale factor is 0 or not a number; result may alias point.
void WorldToObject(JoinView* view, HostObject object, const CtsxVector3f& point, CtsxVector3f& result);

// One object's transform, read and decomposed once. Gives bit for bit the
// results of VertexToWorld and WorldToObject as long as the object's
// transform does not change, without the host calls per point.
class ObjectTransform {
 public:
  explicit ObjectTransform(HostObject object);

  void ToWorld(const CtsxVector3f& point, CtsxVector3f& result) const;
  // Many points at once; `results` may be `points`.
  void ToWorld(int32_t count, const CtsxVector3f* points, CtsxVector3f* results) const;
  // False (results untouched, nothing reported) for a zero scale factor.
  bool ToObject(const CtsxVector3f& point, CtsxVector3f& result) const;
  bool ToObject(int32_t count, const CtsxVector3f* points, CtsxVector3f* results) const;
  bool HasZeroScale() const { return zeroScale_; }

 private:
  CtsxTxmx3f rotation_{};
  CtsxTxmx3f inverse_{};
  CtsxVector3f scale_{};
  CtsxVector3f translation_{};
  bool zeroScale_ = false;
};

}  // namespace spl
