#include "apps/tsxhost/Rasterizer.h"

#include <algorithm>
#include <cmath>

namespace hostapp {

namespace {

constexpr float kShortestEdge = 4.0f;  // pixels: shorter edges are not drawn
constexpr float kSolidEdge = 16.0f;    // pixels: longer edges are drawn solid
// A selected surface lying on another one (a join's result over the objects
// it was made of) differs from it in depth by rounding alone: the selection
// is drawn over what is this close in front of it.
constexpr float kSelectionDepthAllowance = 1.002f;

struct ScreenPoint {
  float x, y, invZ;  // invZ 0: behind the near plane
};

float Dot(const CtsxVector3f& a, const CtsxVector3f& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

std::vector<ScreenPoint> Project(const SceneGeometry& scene, const ViewFrame& f) {
  std::vector<ScreenPoint> out(scene.points.size());
  for (size_t i = 0; i < out.size(); ++i) {
    const CtsxVector3f& p = scene.points[i];
    const CtsxVector3f d{p.x - f.eye.x, p.y - f.eye.y, p.z - f.eye.z};
    const float z = Dot(d, f.forward);
    if (z < f.nearZ) {
      out[i] = {0, 0, 0};
      continue;
    }
    const float inv = 1.0f / z;
    out[i] = {f.cx + f.focal * Dot(d, f.right) * inv, f.cy - f.focal * Dot(d, f.up) * inv, inv};
  }
  return out;
}

uint32_t Shade(uint32_t rgb, float light, bool selected) {
  float r = float(rgb >> 16 & 0xFF), g = float(rgb >> 8 & 0xFF), b = float(rgb & 0xFF);
  if (selected) {  // a hint of the outline's colour
    r = 0.85f * r + 0.15f * 255.0f;
    g = 0.85f * g + 0.15f * 176.0f;
    b = 0.85f * b;
  }
  auto c = [light](float v) { return uint32_t(std::clamp(v * light, 0.0f, 255.0f)); };
  return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

struct Target {
  int w, h;
  uint32_t* colour;
  std::vector<float> depth;  // invZ, 0 = far
  std::vector<int32_t>* ids;
};

float EdgeValue(const ScreenPoint& a, const ScreenPoint& b, float x, float y) {
  return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
}

// The light at each corner; equal for a flat-shaded triangle.
struct CornerLight {
  float a, b, c;
};

void FillTriangle(Target& t, ScreenPoint a, ScreenPoint b, ScreenPoint c, CornerLight light,
                  uint32_t rgb, bool selected, int32_t id) {
  const float allowance = selected ? kSelectionDepthAllowance : 1.0f;
  float area = EdgeValue(a, b, c.x, c.y);
  if (std::fabs(area) < 1e-6f) return;
  if (area < 0) {
    std::swap(b, c);
    std::swap(light.b, light.c);
    area = -area;
  }
  const bool flat = light.a == light.b && light.b == light.c;
  const uint32_t flatArgb = Shade(rgb, light.a, selected);
  const int x0 = std::max(0, int(std::floor(std::min({a.x, b.x, c.x}))));
  const int x1 = std::min(t.w - 1, int(std::ceil(std::max({a.x, b.x, c.x}))));
  const int y0 = std::max(0, int(std::floor(std::min({a.y, b.y, c.y}))));
  const int y1 = std::min(t.h - 1, int(std::ceil(std::max({a.y, b.y, c.y}))));
  if (x0 > x1 || y0 > y1) return;
  const float inv = 1.0f / area;
  // Edge values step linearly along a row.
  const float dA = -(c.y - b.y), dB = -(a.y - c.y), dC = -(b.y - a.y);
  for (int y = y0; y <= y1; ++y) {
    const float py = float(y) + 0.5f, px = float(x0) + 0.5f;
    float wa = EdgeValue(b, c, px, py), wb = EdgeValue(c, a, px, py), wc = EdgeValue(a, b, px, py);
    const size_t row = size_t(y) * size_t(t.w);
    for (int x = x0; x <= x1; ++x, wa += dA, wb += dB, wc += dC) {
      if (wa < 0 || wb < 0 || wc < 0) continue;
      const float z = (wa * a.invZ + wb * b.invZ + wc * c.invZ) * inv;
      const size_t i = row + size_t(x);
      if (z * allowance <= t.depth[i]) continue;
      t.depth[i] = z;
      t.colour[i] =
          flat ? flatArgb : Shade(rgb, (wa * light.a + wb * light.b + wc * light.c) * inv, selected);
      (*t.ids)[i] = id;
    }
  }
}

uint32_t Mix(uint32_t under, uint32_t over, float k) {
  auto channel = [&](int shift) {
    const float u = float(under >> shift & 0xFF), o = float(over >> shift & 0xFF);
    return uint32_t(u + (o - u) * k + 0.5f) << shift;
  };
  return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

// `fading`: short edges blend into the faces, so that a dense mesh shows
// its shape rather than a solid web of edge colour.
// `under`: pixels of these objects are not drawn over (null: none).
void DrawEdge(Target& t, const ScreenPoint& a, const ScreenPoint& b, uint32_t argb,
              bool fading, const std::vector<char>* under = nullptr) {
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float length = std::max(std::fabs(dx), std::fabs(dy));
  if (fading && length < kShortestEdge) return;
  const float strength =
      fading ? std::min(1.0f, (length - kShortestEdge) / (kSolidEdge - kShortestEdge)) : 1.0f;
  const int steps = int(std::ceil(length));
  if (steps > 4 * (t.w + t.h)) return;  // nearly edge-on through the eye
  for (int s = 0; s <= steps; ++s) {
    const float k = float(s) / float(steps);
    const int x = int(a.x + dx * k), y = int(a.y + dy * k);
    if (x < 0 || y < 0 || x >= t.w || y >= t.h) continue;
    const float z = a.invZ + (b.invZ - a.invZ) * k;
    const size_t i = size_t(y) * size_t(t.w) + size_t(x);
    // A small depth allowance keeps edges on their own faces visible.
    if (z * 1.002f < t.depth[i]) continue;
    if (under) {
      const int32_t object = (*t.ids)[i];
      if (object >= 0 && size_t(object) < under->size() && (*under)[size_t(object)]) continue;
    }
    t.colour[i] = strength >= 1.0f ? argb : Mix(t.colour[i], argb, strength);
  }
}

// The selected objects' silhouettes: their pixels next to any pixel of
// something else, two pixels wide.
void OutlineSelected(Target& t, const std::vector<char>& selected, uint32_t argb) {
  const std::vector<int32_t>& ids = *t.ids;
  auto other = [&](int x, int y, int32_t object) {
    return x < 0 || y < 0 || x >= t.w || y >= t.h || ids[size_t(y) * size_t(t.w) + size_t(x)] != object;
  };
  for (int y = 0; y < t.h; ++y) {
    for (int x = 0; x < t.w; ++x) {
      const size_t i = size_t(y) * size_t(t.w) + size_t(x);
      const int32_t object = ids[i];
      if (object < 0 || size_t(object) >= selected.size() || !selected[size_t(object)]) continue;
      bool edge = false;
      for (int dy = -2; dy <= 2 && !edge; ++dy)
        for (int dx = -2; dx <= 2 && !edge; ++dx)
          edge = std::abs(dx) + std::abs(dy) <= 2 && other(x + dx, y + dy, object);
      if (edge) t.colour[i] = argb;
    }
  }
}

void FillBackground(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    const float k = float(y) / float(std::max(1, image.height() - 1));
    const auto c = [k](float top, float bottom) { return uint32_t(top + (bottom - top) * k); };
    const uint32_t argb = 0xFF000000u | c(92, 40) << 16 | c(100, 44) << 8 | c(116, 52);
    auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
    std::fill(line, line + image.width(), argb);
  }
}

}  // namespace

int32_t Frame::ObjectAtPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return -1;
  return objectAt[size_t(y) * size_t(image.width()) + size_t(x)];
}

Frame RenderScene(const SceneGeometry& scene, const Camera& camera, const RenderSettings& s,
                  const std::vector<int>& alsoSelected, const RenderProgress& progress) {
  Frame frame;
  const int w = std::max(1, s.width), h = std::max(1, s.height);
  frame.image = QImage(w, h, QImage::Format_RGB32);
  FillBackground(frame.image);
  frame.objectAt.assign(size_t(w) * size_t(h), -1);
  const ViewFrame view = MakeViewFrame(camera, w, h);
  const std::vector<ScreenPoint> p = Project(scene, view);
  std::vector<char> selected(scene.objects.size(), 0);
  for (int object : alsoSelected) {
    if (object >= 0 && size_t(object) < selected.size()) selected[size_t(object)] = 1;
  }
  if (s.selected >= 0 && size_t(s.selected) < selected.size()) selected[size_t(s.selected)] = 1;
  auto isSelected = [&selected](int32_t object) { return object >= 0 && selected[size_t(object)] != 0; };

  const auto total = static_cast<int64_t>(2 * scene.triangles.size() + scene.edges.size());
  int64_t done = 0;
  const auto goOn = [&progress, &done, total] {
    constexpr int64_t kBetweenCalls = int64_t{1} << 16;
    return !progress || ++done % kBetweenCalls != 0 || progress(done, total);
  };
  // Format_RGB32 rows are contiguous at this width (4 bytes a pixel).
  Target t{w, h, reinterpret_cast<uint32_t*>(frame.image.bits()),
           std::vector<float>(size_t(w) * size_t(h), 0.0f), &frame.objectAt};
  // The selection last, so that it shows over surfaces it lies on.
  for (const bool selectedPass : {false, true}) {
    const size_t stride = size_t(std::max(1, s.triangleStride));
    for (size_t i = 0; i < scene.triangles.size(); i += stride) {
      if (!goOn()) return frame;
      const Triangle& tri = scene.triangles[i];
      if (isSelected(tri.object) != selectedPass) continue;
      const ScreenPoint &a = p[tri.a], &b = p[tri.b], &c = p[tri.c];
      if (a.invZ == 0 || b.invZ == 0 || c.invZ == 0) continue;
      // Both sides lit: a headlight along the view direction.
      auto lit = [&view](const CtsxVector3f& n) {
        return 0.35f + 0.65f * std::fabs(Dot(n, view.forward));
      };
      const CornerLight light =
          tri.smooth ? CornerLight{lit(tri.cornerNormal[0]), lit(tri.cornerNormal[1]), lit(tri.cornerNormal[2])}
                     : CornerLight{lit(tri.normal), lit(tri.normal), lit(tri.normal)};
      FillTriangle(t, a, b, c, light, tri.rgb, selectedPass, tri.object);
    }
  }
  for (const Edge& e : scene.edges) {
    if (!goOn()) return frame;
    const ScreenPoint &a = p[e.a], &b = p[e.b];
    if (a.invZ == 0 || b.invZ == 0) continue;
    // The selection's open borders are part of its outline, always drawn.
    if (e.boundary && isSelected(e.object)) {
      DrawEdge(t, a, b, 0xFF000000u | kSelectedEdgeRgb, false);
    } else if (s.edges) {
      // Another object's edges stay off the selection drawn over them.
      DrawEdge(t, a, b, 0xFF000000u | kEdgeRgb, true, isSelected(e.object) ? nullptr : &selected);
    }
  }
  if (std::find(selected.begin(), selected.end(), 1) != selected.end()) {
    OutlineSelected(t, selected, 0xFF000000u | kSelectedEdgeRgb);
  }
  return frame;
}

}  // namespace hostapp
