// The software renderer on tiny scenes seen straight along -z:
//
//   y                       a unit square (object 0) in the plane z = 0,
//   +-----+                 and, for occlusion, a smaller square
//   |  +-+|                 (object 1) in front of it at z = 0.5
//   |  +-+|
//   +-----+-- x
#include "Rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void AddSquare(SceneGeometry& g, float lo, float hi, float z, uint32_t rgb) {
  const auto base = uint32_t(g.points.size());
  const auto object = int32_t(g.objects.size());
  g.objects.push_back(tsxSOBJ(object + 1));
  g.points.insert(g.points.end(), {{lo, lo, z}, {hi, lo, z}, {hi, hi, z}, {lo, hi, z}});
  g.triangles.push_back({base, base + 1, base + 2, rgb, {0, 0, 1}, object});
  g.triangles.push_back({base, base + 2, base + 3, rgb, {0, 0, 1}, object});
  for (uint32_t i = 0; i < 4; ++i) g.edges.push_back({base + i, base + (i + 1) % 4, object});
  g.boxMin = {-1, -1, 0};
  g.boxMax = {1, 1, 0.5f};
}

Camera Straight() {
  Camera c;
  c.yaw = 0;
  c.pitch = 0;
  c.distance = 4;
  return c;
}

uint32_t Rgb(const Frame& f, int x, int y) { return f.image.pixel(x, y) & 0xFFFFFFu; }

constexpr uint32_t kGrey = 0xCCCCCC, kRed = 0xCC2020;

}  // namespace

TEST(Rasterizer, AnEmptySceneIsAllBackground) {
  const Frame f = RenderScene(SceneGeometry{}, Straight(), {64, 48, -1, true});
  EXPECT_EQ(f.image.size(), QSize(64, 48));
  for (int32_t id : f.objectAt) ASSERT_EQ(id, -1);
}

TEST(Rasterizer, AFaceTowardsTheViewerShowsItsOwnColour) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);
  const Frame f = RenderScene(g, Straight(), {101, 101, -1, true});
  EXPECT_EQ(Rgb(f, 50, 50), kGrey);
  EXPECT_EQ(f.objectAtPixel(50, 50), 0);
  EXPECT_EQ(f.objectAtPixel(1, 1), -1);
  EXPECT_EQ(f.objectAtPixel(-1, 500), -1);  // outside the picture
}

TEST(Rasterizer, TheNearerFaceHidesTheFartherOne) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);
  AddSquare(g, -0.2f, 0.2f, 0.5f, kRed);
  for (bool nearFirst : {false, true}) {
    SceneGeometry h = g;
    if (nearFirst) std::swap(h.triangles[0], h.triangles[2]), std::swap(h.triangles[1], h.triangles[3]);
    const Frame f = RenderScene(h, Straight(), {101, 101, -1, false});
    EXPECT_EQ(Rgb(f, 50, 50), kRed);
    EXPECT_EQ(f.objectAtPixel(50, 50), 1);
    EXPECT_EQ(f.objectAtPixel(50, 30), 0);
  }
}

TEST(Rasterizer, EdgesAndTheSelectionAreMarked) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);
  const Frame plain = RenderScene(g, Straight(), {101, 101, -1, true});
  const Frame chosen = RenderScene(g, Straight(), {101, 101, 0, true});
  // The square's left edge crosses the middle row beside its first pixel.
  auto edgeOnRow = [](const Frame& f, uint32_t rgb) {
    int first = 0;
    while (first < 50 && f.objectAtPixel(first, 50) != 0) ++first;
    for (int x = std::max(0, first - 1); x <= first + 1; ++x)
      if (Rgb(f, x, 50) == rgb) return true;
    return false;
  };
  EXPECT_TRUE(edgeOnRow(plain, kEdgeRgb));
  EXPECT_TRUE(edgeOnRow(chosen, kSelectedEdgeRgb));
  EXPECT_NE(Rgb(chosen, 50, 50), Rgb(plain, 50, 50));
}

TEST(Rasterizer, SkipsWhatIsBehindTheEye) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 10, kGrey);  // the camera sits at z = 4
  const Frame f = RenderScene(g, Straight(), {32, 32, -1, true});
  for (int32_t id : f.objectAt) ASSERT_EQ(id, -1);
}

TEST(Rasterizer, FramingPutsTheWholeBoxInView) {
  SceneGeometry g;
  AddSquare(g, 10, 30, -5, kGrey);
  g.boxMin = {10, 10, -5};
  g.boxMax = {30, 30, -5};
  for (float aspect : {0.5f, 1.0f, 2.0f}) {
    Camera c;
    c.frame(g.boxMin, g.boxMax, aspect);
    const int w = int(100 * aspect), h = 100;
    const Frame f = RenderScene(g, c, {w, h, -1, false});
    EXPECT_EQ(f.objectAtPixel(w / 2, h / 2), 0) << aspect;
    // Nothing of the square touches the picture's border.
    for (int x = 0; x < w; ++x) {
      EXPECT_EQ(f.objectAtPixel(x, 0), -1);
      EXPECT_EQ(f.objectAtPixel(x, h - 1), -1);
    }
  }
}
