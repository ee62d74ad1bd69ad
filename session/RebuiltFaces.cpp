#include "session/RebuiltFaces.h"

#include <cmath>
#include <cstdint>

#include "host/scene/Scene.h"

namespace splicer {
namespace {

// The normal at a corner blended from the source face's normals; false
// when it has none.
bool BlendedNormal(const spl::CornerBlend& blend, const std::vector<CtsxVector3f>& normals,
                   const std::vector<uint8_t>& has, CtsxVector3f* out) {
  const auto usable = [&](int32_t c) { return c >= 0 && size_t(c) < has.size() && has[size_t(c)] != 0; };
  if (blend.IsKept()) {
    if (!usable(blend.corner[0])) return false;
    *out = normals[size_t(blend.corner[0])];
    return true;
  }
  double x[3] = {0, 0, 0}, y[3] = {0, 0, 0}, z[3] = {0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    const int32_t c = blend.corner[k];
    if (c < 0 && k > 0) continue;
    if (!usable(c)) return false;
    const CtsxVector3f& n = normals[size_t(c)];
    x[k] = n.x, y[k] = n.y, z[k] = n.z;
  }
  const double bx = blend.Of(x), by = blend.Of(y), bz = blend.Of(z);
  const double length = std::sqrt(bx * bx + by * by + bz * bz);
  if (!(length > 0) || !std::isfinite(length)) return false;  // opposite normals cancel: none
  *out = {float(bx / length), float(by / length), float(bz / length)};
  return true;
}

}  // namespace

bool GiveRebuiltFaces(const std::vector<tsxSOBJ>& objects, const spl::ContactGroup& group) {
  std::vector<CtsxVector3f> source, normals;
  std::vector<uint8_t> sourceHas, has;
  for (const spl::RebuiltFace& face : group.rebuiltFaces) {
    if (face.member >= group.members.size() || group.members[face.member] >= objects.size()) return false;
    const tsxSOBJ from = objects[group.members[face.member]];
    if (!tsxhost::ReadFaceNormals(from, face.sourceFace, &source, &sourceHas)) return false;
    normals.assign(face.corners.size(), CtsxVector3f{0, 0, 0});
    has.assign(face.corners.size(), 0);
    for (size_t c = 0; c < face.corners.size(); ++c) has[c] = BlendedNormal(face.corners[c], source, sourceHas, &normals[c]);
    if (!tsxhost::SetFaceFrom(group.result, face.face, from, face.sourceFace, normals.data(), has.data(),
                              static_cast<int32_t>(face.corners.size()))) {
      return false;
    }
  }
  return true;
}

}  // namespace splicer
