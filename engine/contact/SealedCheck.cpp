#include "engine/contact/SealedCheck.h"

#include <cmath>
#include <cstdio>
#include <functional>

namespace spl {
namespace {

constexpr size_t kShown = 3;

// One loop's share, by the fan from its first corner, positions given by
// `at(vertex)` in world space.
template <typename At>
void Loop(const At& at, const CtsxCorner* corners, int32_t count, const double o[3], ShapeMeasure* m) {
  if (count < 3) return;
  double p[3][3];
  const auto load = [&](double* q, int32_t c) {
    const CtsxVector3f& v = at(corners[c].vindex);
    q[0] = v.x - o[0];
    q[1] = v.y - o[1];
    q[2] = v.z - o[2];
  };
  load(p[0], 0);
  double n[3] = {0, 0, 0};
  for (int32_t c = 1; c + 1 < count; ++c) {
    load(p[1], c);
    load(p[2], c + 1);
    const double a[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double b[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const double x[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    n[0] += x[0];
    n[1] += x[1];
    n[2] += x[2];
    m->volume += (p[0][0] * x[0] + p[0][1] * x[1] + p[0][2] * x[2]) / 6;
  }
  m->area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2;
  for (int k = 0; k < 3; ++k) m->turned[k] += n[k];
}

bool LoopValid(int32_t vertices, const CtsxCorner* corners, int32_t count) {
  if (!corners) return false;
  for (int32_t c = 0; c < count; ++c) {
    if (corners[c].vindex < 0 || corners[c].vindex >= vertices) return false;
  }
  return true;
}

template <typename At>
void AddFace(const At& at, int32_t vertices, const CtsxFace* face, const double origin[3], ShapeMeasure* m) {
  if (!face || !LoopValid(vertices, face->corners, face->nbrCorners)) return;
  Loop(at, face->corners, face->nbrCorners, origin, m);
  const int32_t holes = tsxFaceGetNbrHoles(const_cast<CtsxFace*>(face));
  CtsxHole** hole = holes > 0 ? tsxFaceGetHoleptrArray(const_cast<CtsxFace*>(face)) : nullptr;
  for (int32_t h = 0; hole && h < holes; ++h) {
    if (hole[h] && LoopValid(vertices, hole[h]->corners, hole[h]->nbrCorners)) {
      ShapeMeasure inner;
      Loop(at, hole[h]->corners, hole[h]->nbrCorners, origin, &inner);
      m->volume += inner.volume;
      m->area -= inner.area;
      for (int k = 0; k < 3; ++k) m->turned[k] += inner.turned[k];
    }
  }
}

}  // namespace

void MeasureFace(const WorldObject& shape, const CtsxFace* face, const double origin[3], ShapeMeasure* m) {
  AddFace([&shape](int32_t v) -> const CtsxVector3f& { return shape.World(v); }, shape.vertexCount, face, origin, m);
}

void MeasureFace(const std::function<CtsxVector3f(int32_t)>& at, int32_t vertices, const CtsxFace* face,
                 const double origin[3], ShapeMeasure* m) {
  AddFace([&at](int32_t v) { return at(v); }, vertices, face, origin, m);
}

ShapeMeasure Measure(const WorldObject& shape, const double origin[3]) {
  ShapeMeasure m;
  for (int32_t f = 0; f < shape.faceCount; ++f) MeasureFace(shape, shape.faces[f], origin, &m);
  return m;
}

ShapeMeasure MovedTo(const ShapeMeasure& m, const double from[3], const double to[3]) {
  ShapeMeasure moved = m;
  for (int k = 0; k < 3; ++k) moved.volume += (from[k] - to[k]) * m.turned[k] / 6;
  return moved;
}

OpenEdges FindOpenEdges(const WorldObject& shape, bool adjacencyCurrent) {
  OpenEdges open;
  if (!adjacencyCurrent) tsxPolyhComputeFaceAdjacency(shape.object);
  for (int32_t f = 0; f < shape.faceCount; ++f) {
    const CtsxFace* face = shape.faces[f];
    if (!face || !shape.CornersValid(*face)) continue;
    for (int32_t c = 0; c < face->nbrCorners; ++c) {
      if (face->corners[c].adjFace >= 0) continue;
      if (open.first.size() < kShown) {
        open.first.push_back(PositionText(shape.Corner(*face, c)) + " - " +
                             PositionText(shape.Corner(*face, (c + 1) % face->nbrCorners)));
      }
      ++open.count;
    }
  }
  return open;
}

int64_t CountOpenEdges(const WorldObject& shape) {
  int64_t count = 0;
  for (int32_t f = 0; f < shape.faceCount; ++f) {
    const CtsxFace* face = shape.faces[f];
    if (!face || !shape.CornersValid(*face)) continue;
    for (int32_t c = 0; c < face->nbrCorners; ++c) count += face->corners[c].adjFace < 0;
  }
  return count;
}

std::string PositionText(const CtsxVector3f& p) {
  char text[96];
  std::snprintf(text, sizeof text, "%.9g %.9g %.9g", double(p.x), double(p.y), double(p.z));
  return text;
}

}  // namespace spl
