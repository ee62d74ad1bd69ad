// An object's faces by vertex, for finding the faces near a point through
// the vertices near it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/common/WorldObject.h"

namespace spl {

// faces[start[v]..start[v+1]) use vertex v, in rising face order, a face
// once per corner. Only faces that `take(f)` admits are in; each of those
// must have valid corners.
class FaceIncidence {
 public:
  template <typename Take>
  FaceIncidence(const WorldObject& obj, Take&& take) {
    std::vector<bool> used(static_cast<std::size_t>(obj.faceCount));
    for (int32_t f = 0; f < obj.faceCount; ++f) used[static_cast<std::size_t>(f)] = take(f);
    Build(obj, used);
  }

  template <typename Visit>
  void ForEachFace(int32_t v, Visit&& visit) const {
    const auto first = static_cast<std::size_t>(v);
    for (uint32_t e = start_[first]; e < start_[first + 1]; ++e) visit(faces_[e]);
  }

 private:
  void Build(const WorldObject& obj, const std::vector<bool>& used);

  std::vector<uint32_t> start_;
  std::vector<int32_t> faces_;
};

}  // namespace spl
