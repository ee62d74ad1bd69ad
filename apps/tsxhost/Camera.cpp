#include "apps/tsxhost/Camera.h"

#include <algorithm>
#include <cmath>

namespace hostapp {

namespace {
constexpr float kPitchLimit = 1.55f;
}

void Camera::Orbit(float dx, float dy) {
  yaw -= dx * 0.01f;
  pitch = std::clamp(pitch + dy * 0.01f, -kPitchLimit, kPitchLimit);
}

void Camera::Pan(float dx, float dy, int viewportHeight) {
  const ViewFrame f = MakeViewFrame(*this, 1, std::max(viewportHeight, 1));
  // Pixels at the target's depth to world units.
  const float unit = distance / f.focal;
  target.x += (-dx * f.right.x + dy * f.up.x) * unit;
  target.y += (-dx * f.right.y + dy * f.up.y) * unit;
  target.z += (-dx * f.right.z + dy * f.up.z) * unit;
}

void Camera::Zoom(float steps) {
  distance = std::clamp(distance * std::pow(0.85f, steps), 1e-4f, 1e7f);
}

void Camera::Frame(const CtsxVector3f& lo, const CtsxVector3f& hi, float aspect) {
  target = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
  const float dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
  FrameSphere(target, 0.5f * std::sqrt(dx * dx + dy * dy + dz * dz), aspect);
}

void Camera::FrameSphere(const CtsxVector3f& centre, float radius, float aspect) {
  target = centre;
  const float r = std::max(radius, 1e-3f);
  const float halfFov = 0.5f * std::min(fovY, 2 * std::atan(std::tan(fovY / 2) * aspect));
  // A sphere seen in perspective just fits when the eye is r / sin(half
  // angle) away; a hair more keeps its outline off the border.
  distance = r / std::sin(halfFov) * 1.02f;
}

namespace {

// The orbit is worked out with y up; with z up its directions are turned
// a quarter about x, so that the orbit's up becomes the world's z.
CtsxVector3f ToWorld(const CtsxVector3f& v, bool zUp) {
  return zUp ? CtsxVector3f{v.x, -v.z, v.y} : v;
}

}  // namespace

ViewFrame MakeViewFrame(const Camera& c, int width, int height) {
  ViewFrame f{};
  const float cp = std::cos(c.pitch), sp = std::sin(c.pitch);
  const float cy = std::cos(c.yaw), sy = std::sin(c.yaw);
  // From the target towards the eye.
  const CtsxVector3f back = ToWorld({cp * sy, sp, cp * cy}, c.zUp);
  f.eye = {c.target.x + back.x * c.distance, c.target.y + back.y * c.distance,
           c.target.z + back.z * c.distance};
  f.forward = {-back.x, -back.y, -back.z};
  f.right = ToWorld({cy, 0, -sy}, c.zUp);
  // up = right x forward
  f.up = {f.right.y * f.forward.z - f.right.z * f.forward.y,
          f.right.z * f.forward.x - f.right.x * f.forward.z,
          f.right.x * f.forward.y - f.right.y * f.forward.x};
  f.focal = 0.5f * float(height) / std::tan(c.fovY / 2);
  f.cx = 0.5f * float(width);
  f.cy = 0.5f * float(height);
  f.nearZ = c.distance * 1e-3f;
  return f;
}

}  // namespace hostapp
