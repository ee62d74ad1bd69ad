#include "engine/common/FaceIncidence.h"

namespace spl {

void FaceIncidence::Build(const WorldObject& obj, const std::vector<bool>& used) {
  const auto faceUsed = [&used](int32_t f) { return used[static_cast<std::size_t>(f)]; };
  const auto vertex = [](const CtsxFace& face, int32_t c) { return static_cast<std::size_t>(face.corners[c].vindex); };
  start_.assign(static_cast<std::size_t>(obj.vertexCount) + 1, 0);
  for (int32_t f = 0; f < obj.faceCount; ++f) {
    if (!faceUsed(f)) continue;
    const CtsxFace& face = obj.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) ++start_[vertex(face, c) + 1];
  }
  for (std::size_t v = 1; v < start_.size(); ++v) start_[v] += start_[v - 1];
  faces_.resize(start_.back());
  std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
  for (int32_t f = 0; f < obj.faceCount; ++f) {
    if (!faceUsed(f)) continue;
    const CtsxFace& face = obj.Face(f);
    for (int32_t c = 0; c < face.nbrCorners; ++c) faces_[fill[vertex(face, c)]++] = f;
  }
}

}  // namespace spl
