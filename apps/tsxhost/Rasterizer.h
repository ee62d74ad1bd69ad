// A software z-buffer renderer: flat-shaded triangles in their material
// colours, depth-tested edges on top that fade out where the mesh is too
// dense for them to stay legible, the selected object outlined along its
// silhouette and its open borders, and an object id per pixel for
// picking. It runs the same on a display, under Xvfb and headless.
#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <vector>

#include "apps/tsxhost/Camera.h"
#include "apps/tsxhost/SceneGeometry.h"

namespace hostapp {

struct Frame {
  QImage image;                   // Format_RGB32
  std::vector<int32_t> objectAt;  // per pixel, into SceneGeometry::objects; -1 none

  int32_t ObjectAtPixel(int x, int y) const;
};

struct RenderSettings {
  int width = 800, height = 600;
  int selected = -1;  // object index drawn outlined
  bool edges = true;
  // Every n-th triangle only (a quick draft of a big scene; 1: all).
  int triangleStride = 1;
};

// Told every so many triangles and edges how far drawing has got;
// returning false stops it, the picture left as far as it got.
using RenderProgress = std::function<bool(int64_t done, int64_t total)>;

// `alsoSelected`: further objects drawn outlined (a multiple selection).
Frame RenderScene(const SceneGeometry& scene, const Camera& camera, const RenderSettings& settings,
                  const std::vector<int>& alsoSelected = {}, const RenderProgress& progress = {});

// Colours the renderer uses, for tests and legends.
inline constexpr uint32_t kEdgeRgb = 0x202020;
inline constexpr uint32_t kSelectedEdgeRgb = 0xFFB000;  // the selection's outline

}  // namespace hostapp
