// The software renderer on tiny scenes seen straight along -z:
//
//   y                       a unit square (object 0) in the plane z = 0,
//   +-----+                 and, for occlusion, a smaller square
//   |  +-+|                 (object 1) in front of it at z = 0.5
//   |  +-+|
//   +-----+-- x
#include "apps/tsxhost/Rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "apps/tsxhost/SceneGeometry.h"
#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"

namespace hostapp {

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

// A big scene is drawn with word of how far it has got, and stops when
// told: the square behind is drawn, the one in front (drawn after the
// stop) is not.
TEST(Rasterizer, DrawingTellsHowFarItIsAndStopsWhenTold) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);
  for (int i = 0; i < 40'000; ++i) AddSquare(g, 2, 3, 0, kGrey);  // out of sight
  AddSquare(g, -0.5f, 0.5f, 0.5f, kRed);
  std::vector<int64_t> told;
  const auto all = [&told](int64_t done, int64_t total) {
    EXPECT_EQ(total, int64_t{2 * 80'004 + 160'008});
    told.push_back(done);
    return true;
  };
  EXPECT_EQ(Rgb(RenderScene(g, Straight(), {101, 101, -1, true}, {}, all), 50, 50), kRed);
  EXPECT_EQ(told.size(), size_t{(2 * 80'004 + 160'008) / 65'536});
  EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
  const Frame stopped = RenderScene(g, Straight(), {101, 101, -1, true}, {}, [](int64_t, int64_t) { return false; });
  EXPECT_EQ(Rgb(stopped, 50, 50), kGrey);
}

TEST(Rasterizer, AFaceTowardsTheViewerShowsItsOwnColour) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);
  const Frame f = RenderScene(g, Straight(), {101, 101, -1, true});
  EXPECT_EQ(Rgb(f, 50, 50), kGrey);
  EXPECT_EQ(f.ObjectAtPixel(50, 50), 0);
  EXPECT_EQ(f.ObjectAtPixel(1, 1), -1);
  EXPECT_EQ(f.ObjectAtPixel(-1, 500), -1);  // outside the picture
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
    EXPECT_EQ(f.ObjectAtPixel(50, 50), 1);
    EXPECT_EQ(f.ObjectAtPixel(50, 30), 0);
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
    while (first < 50 && f.ObjectAtPixel(first, 50) != 0) ++first;
    for (int x = std::max(0, first - 1); x <= first + 1; ++x)
      if (Rgb(f, x, 50) == rgb) return true;
    return false;
  };
  EXPECT_TRUE(edgeOnRow(plain, kEdgeRgb));
  EXPECT_TRUE(edgeOnRow(chosen, kSelectedEdgeRgb));
  EXPECT_NE(Rgb(chosen, 50, 50), Rgb(plain, 50, 50));
}

// Several objects selected: each outlined, apart from the other even where
// they meet; an object not selected stays plain.
TEST(Rasterizer, EverySelectedObjectIsOutlined) {
  SceneGeometry g;
  AddSquare(g, -1, 0, 0, kGrey);
  AddSquare(g, 0, 1, 0, kRed);
  const Frame one = RenderScene(g, Straight(), {101, 101, 0, true});
  const Frame both = RenderScene(g, Straight(), {101, 101, 1, true}, {0});
  auto outlinedNear = [](const Frame& f, int x0, int x1) {
    for (int x = x0; x <= x1; ++x)
      if (Rgb(f, x, 50) == kSelectedEdgeRgb) return true;
    return false;
  };
  // The seam at the middle column: the right square's side of it.
  EXPECT_FALSE(outlinedNear(one, 51, 53));
  EXPECT_TRUE(outlinedNear(both, 51, 53));
  EXPECT_TRUE(outlinedNear(both, 47, 49));
  int last = 100;
  while (last > 50 && both.ObjectAtPixel(last, 50) != 1) --last;
  EXPECT_TRUE(outlinedNear(both, last - 1, last));
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
    c.Frame(g.boxMin, g.boxMax, aspect);
    const int w = int(100 * aspect), h = 100;
    const Frame f = RenderScene(g, c, {w, h, -1, false});
    EXPECT_EQ(f.ObjectAtPixel(w / 2, h / 2), 0) << aspect;
    // Nothing of the square touches the picture's border.
    for (int x = 0; x < w; ++x) {
      EXPECT_EQ(f.ObjectAtPixel(x, 0), -1);
      EXPECT_EQ(f.ObjectAtPixel(x, h - 1), -1);
    }
  }
}

namespace {

// An n x n grid of small squares over [-1, 1]^2 at z = 0, as one closed-
// looking dense object: only its outer border is open.
void AddGrid(SceneGeometry& g, int n, uint32_t rgb) {
  const auto base = uint32_t(g.points.size());
  const auto object = int32_t(g.objects.size());
  g.objects.push_back(tsxSOBJ(object + 1));
  for (int y = 0; y <= n; ++y)
    for (int x = 0; x <= n; ++x)
      g.points.push_back({-1 + 2.0f * float(x) / float(n), -1 + 2.0f * float(y) / float(n), 0});
  auto at = [&](int x, int y) { return base + uint32_t(y * (n + 1) + x); };
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      g.triangles.push_back({at(x, y), at(x + 1, y), at(x + 1, y + 1), rgb, {0, 0, 1}, object});
      g.triangles.push_back({at(x, y), at(x + 1, y + 1), at(x, y + 1), rgb, {0, 0, 1}, object});
      g.edges.push_back({at(x, y), at(x + 1, y), object, y == 0});
      g.edges.push_back({at(x, y), at(x, y + 1), object, x == 0});
    }
  }
  for (int k = 0; k < n; ++k) {
    g.edges.push_back({at(n, k), at(n, k + 1), object, true});
    g.edges.push_back({at(k, n), at(k + 1, n), object, true});
  }
}

int CountRgb(const Frame& f, uint32_t rgb, QRect area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) count += Rgb(f, x, y) == rgb;
  return count;
}

}  // namespace

// Selecting a dense object outlines it: the border turns the outline's
// colour, the inside keeps (nearly) its own, whatever the edge count.
TEST(Rasterizer, TheSelectionOfADenseMeshIsAnOutline) {
  SceneGeometry g;
  AddGrid(g, 60, kGrey);
  const Frame f = RenderScene(g, Straight(), {101, 101, 0, true});
  int first = 0;
  while (first < 50 && f.ObjectAtPixel(first, 50) != 0) ++first;
  EXPECT_EQ(Rgb(f, first, 50), kSelectedEdgeRgb);
  EXPECT_EQ(Rgb(f, first + 1, 50), kSelectedEdgeRgb);
  const QRect inside(first + 4, first + 4, 100 - 2 * (first + 4), 100 - 2 * (first + 4));
  EXPECT_EQ(CountRgb(f, kSelectedEdgeRgb, inside), 0);
  // Edges 1.3 pixels apart are not drawn at all on the dense grid.
  EXPECT_EQ(CountRgb(f, kEdgeRgb, inside), 0);
}

// Long edges are drawn solid, those a little over the legible length blend
// into their faces, and the edges can be switched off.
TEST(Rasterizer, EdgesFadeWhereTheyCrowdAndCanBeSwitchedOff) {
  for (const auto& [n, solid] : {std::pair{2, true}, {9, false}}) {
    SceneGeometry g;
    AddGrid(g, n, kGrey);
    const Frame shown = RenderScene(g, Straight(), {101, 101, -1, true});
    const Frame hidden = RenderScene(g, Straight(), {101, 101, -1, false});
    const QRect all(0, 0, 101, 101);
    EXPECT_EQ(CountRgb(shown, kEdgeRgb, all) > 0, solid) << n;
    int blended = 0;
    for (int y = 0; y < 101; ++y)
      for (int x = 0; x < 101; ++x)
        blended += shown.image.pixel(x, y) != hidden.image.pixel(x, y);
    EXPECT_GT(blended, 0) << n;
    EXPECT_EQ(CountRgb(hidden, kEdgeRgb, all), 0);
  }
}

TEST(Rasterizer, ZUpStandsZUpright) {
  SceneGeometry g;
  g.objects.push_back(1);
  g.points = {{0, 0, 0}, {0.2f, 0, 1}, {-0.2f, 0, 1}};  // a tip pointing along +z
  g.triangles.push_back({0, 1, 2, kGrey, {0, 1, 0}, 0});
  Camera c;
  c.yaw = 0;
  c.pitch = 0;
  c.distance = 4;
  c.zUp = true;
  const Frame upright = RenderScene(g, c, {101, 101, -1, false});
  EXPECT_EQ(upright.ObjectAtPixel(50, 40), 0);  // above the centre
  EXPECT_EQ(upright.ObjectAtPixel(50, 60), -1);
}

// Framing the bounding sphere fills the view: a ball-like cloud seen from
// any side spans most of the narrower side of the picture.
TEST(Rasterizer, FramingTheBoundingSphereIsTight) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);
  const Sphere s = BoundingSphere(g, {});
  EXPECT_NEAR(s.radius, std::sqrt(2.0f), 1e-6);
  Camera c = Straight();
  c.FrameSphere(s.centre, s.radius, 1.0f);
  const Frame f = RenderScene(g, c, {100, 100, -1, false});
  int first = 0;
  while (first < 50 && f.ObjectAtPixel(first, 50) != 0) ++first;
  EXPECT_GT(first, 0);
  EXPECT_LT(first, 20);  // the square's width is over 60% of the picture
}

// With corner normals a face's shade runs smoothly between its corners.
TEST(Rasterizer, CornerNormalsShadeSmoothly) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);
  const CtsxVector3f facing{0, 0, 1}, aside{0.8f, 0, 0.6f};
  for (Triangle& tri : g.triangles) {
    tri.smooth = true;
    const uint32_t corners[3] = {tri.a, tri.b, tri.c};
    for (int k = 0; k < 3; ++k) tri.cornerNormal[k] = g.points[corners[k]].x < 0 ? facing : aside;
  }
  const Frame f = RenderScene(g, Straight(), {101, 101, -1, false});
  const int left = qGray(f.image.pixel(25, 50)), middle = qGray(f.image.pixel(50, 50)),
            right = qGray(f.image.pixel(75, 50));
  EXPECT_GT(left, middle);
  EXPECT_GT(middle, right);
}

// A join's result lies on the objects it was made of. Selected, it shows
// over them, outlined, and their edges stay off it.
TEST(Rasterizer, ASelectionOnTopOfOtherObjectsShowsOverThem) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);  // object 0, drawn first
  AddSquare(g, -1, 1, 0, kRed);   // object 1, on it
  const uint32_t base = uint32_t(g.points.size());
  g.points.insert(g.points.end(), {{0, -1, 0}, {0, 1, 0}});
  g.edges.push_back({base, base + 1, 0});  // object 0's edge across the middle
  const Frame plain = RenderScene(g, Straight(), {101, 101, -1, true});
  EXPECT_EQ(plain.ObjectAtPixel(50, 30), 0);
  EXPECT_EQ(Rgb(plain, 50, 30), kEdgeRgb);
  const Frame chosen = RenderScene(g, Straight(), {101, 101, 1, true});
  EXPECT_EQ(chosen.ObjectAtPixel(50, 30), 1);
  EXPECT_EQ(chosen.ObjectAtPixel(25, 25), 1);
  EXPECT_NE(Rgb(chosen, 50, 30), kEdgeRgb);
  EXPECT_NE(Rgb(chosen, 25, 25), Rgb(plain, 25, 25));
  // Whichever of the two is selected shows.
  const Frame under = RenderScene(g, Straight(), {101, 101, 0, true});
  EXPECT_EQ(under.ObjectAtPixel(25, 25), 0);
}

// The README's pictures: the example's scene after the join (Left, Right
// and Left+Right on them) with the new object selected differs from it
// unselected on the new object, everywhere on it, and nowhere else.
TEST(Rasterizer, TheJoinedObjectSelectedIsMarkedWhereItIsAndNowhereElse) {
  tsxhost::ResetScene();
  const tsxhost::ObjResult r = tsxhost::LoadScene(APP_TEST_DATA "/boxes-joined.obj");
  ASSERT_TRUE(r.ok) << r.error;
  const SceneGeometry g = BuildSceneGeometry(tsxhost::SceneObjects());
  const int joined = g.IndexOf(tsxhost::FindObject("Left+Right"));
  ASSERT_GE(joined, 0);
  Camera c;
  const Sphere s = BoundingSphere(g, {});
  c.FrameSphere(s.centre, s.radius, 4.0f / 3.0f);
  const Frame plain = RenderScene(g, c, {320, 240, -1, true});
  const Frame chosen = RenderScene(g, c, {320, 240, joined, true});
  size_t onIt = 0, changedOnIt = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const bool changed = chosen.image.pixel(x, y) != plain.image.pixel(x, y);
      // The boxes cover the same pixels either way; the new one all of them.
      ASSERT_EQ(chosen.ObjectAtPixel(x, y) >= 0, plain.ObjectAtPixel(x, y) >= 0) << x << "," << y;
      if (chosen.ObjectAtPixel(x, y) < 0) {
        ASSERT_FALSE(changed) << x << "," << y;
        continue;
      }
      ASSERT_EQ(chosen.ObjectAtPixel(x, y), joined) << x << "," << y;
      ++onIt;
      changedOnIt += changed;
    }
  }
  EXPECT_GT(onIt, 320u * 240u / 10);
  EXPECT_GT(changedOnIt, onIt * 95 / 100);
  tsxhost::ResetScene();
}


// A draft draws every n-th triangle: half of each square at 2, only the
// first triangle (of the square behind) when n passes the count.
TEST(Rasterizer, ADraftDrawsEveryNthTriangle) {
  SceneGeometry g;
  AddSquare(g, -1, 1, 0, kGrey);
  AddSquare(g, -0.3f, 0.3f, 0.5f, kRed);
  const auto drawn = [&g](int stride, int32_t object) {
    RenderSettings s{64, 48, -1, false};
    s.triangleStride = stride;
    const Frame f = RenderScene(g, Straight(), s);
    return std::count(f.objectAt.begin(), f.objectAt.end(), object);
  };
  EXPECT_GT(drawn(2, 0), 0);
  EXPECT_LT(drawn(2, 0), drawn(1, 0));
  EXPECT_GT(drawn(2, 1), 0);
  EXPECT_LT(drawn(2, 1), drawn(1, 1));
  EXPECT_GT(drawn(9, 0), 0);
  EXPECT_EQ(drawn(9, 1), 0);
}

}  // namespace hostapp
