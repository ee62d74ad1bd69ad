#include "apps/tsxhost/OutlineOverlay.h"

#include <QLineF>
#include <QPen>

namespace hostapp {

namespace {

struct Viewed {
  double x, y, z;  // along right, up and forward from the eye
};

Viewed ToView(const ViewFrame& f, const CtsxVector3f& p) {
  const double d[3] = {double(p.x) - f.eye.x, double(p.y) - f.eye.y, double(p.z) - f.eye.z};
  auto dot = [&d](const CtsxVector3f& axis) { return d[0] * axis.x + d[1] * axis.y + d[2] * axis.z; };
  return {dot(f.right), dot(f.up), dot(f.forward)};
}

QPointF ToScreen(const ViewFrame& f, const Viewed& v) {
  return {f.cx + f.focal * v.x / v.z, f.cy - f.focal * v.y / v.z};
}

}  // namespace

void DrawOutline(QPainter& painter, const Camera& camera, QSize size,
                 const std::vector<spl::OutlineSegment>& outline) {
  if (outline.empty()) return;
  const ViewFrame f = MakeViewFrame(camera, size.width(), size.height());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kOutlineColour, 2.5));
  for (const spl::OutlineSegment& s : outline) {
    Viewed a = ToView(f, s.from), b = ToView(f, s.to);
    if (a.z < f.nearZ && b.z < f.nearZ) continue;
    // Cut at the near plane.
    if (a.z < f.nearZ || b.z < f.nearZ) {
      Viewed& behind = a.z < f.nearZ ? a : b;
      const Viewed& front = a.z < f.nearZ ? b : a;
      const double t = (f.nearZ - front.z) / (behind.z - front.z);
      behind = {front.x + t * (behind.x - front.x), front.y + t * (behind.y - front.y), double(f.nearZ)};
    }
    painter.drawLine(QLineF(ToScreen(f, a), ToScreen(f, b)));
  }
  painter.restore();
}

}  // namespace hostapp
