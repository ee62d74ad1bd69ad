// An orbiting perspective camera: it looks at `target` from `distance`
// away, turned by `yaw` about the world's up axis and tilted by `pitch`.
// Most OBJ files stand with y up; `zUp` turns the view for those made
// with z up.
#pragma once

#include "interface/tsxapi.h"

namespace hostapp {

struct Camera {
  CtsxVector3f target{0, 0, 0};
  float distance = 5.0f;
  float yaw = 0.6f;     // radians
  float pitch = 0.45f;  // radians, kept inside (-pi/2, pi/2)
  float fovY = 0.8f;    // radians
  bool zUp = false;

  // Drag by (dx, dy) pixels: orbit turns, pan slides the target in the view
  // plane, zoom changes the distance by a factor per wheel step.
  void Orbit(float dx, float dy);
  void Pan(float dx, float dy, int viewportHeight);
  void Zoom(float steps);
  // Aims at the box so that all of it is in view at this aspect ratio.
  void Frame(const CtsxVector3f& boxMin, const CtsxVector3f& boxMax, float aspect);
  // Aims at the sphere's centre from just far enough that the whole
  // sphere fills the narrower field of view.
  void FrameSphere(const CtsxVector3f& centre, float radius, float aspect);
};

// The camera's frame for one picture: eye position, unit axes, focal length
// in pixels, and the image centre.
struct ViewFrame {
  CtsxVector3f eye, right, up, forward;
  float focal, cx, cy;
  float nearZ;
};

ViewFrame MakeViewFrame(const Camera& camera, int width, int height);

}  // namespace hostapp
