// Draws the outline of what a join welded (the junction face, or the border
// of a seam) over the 3D view's picture, in world-space lines seen through
// the view's camera.
#pragma once

#include <QColor>
#include <QPainter>
#include <QSize>

#include <vector>

#include "apps/tsxhost/Camera.h"
#include "session/JunctionReport.h"

namespace hostapp {

inline const QColor kOutlineColour{0x00, 0xE0, 0xFF};

// Lines behind the camera's near plane are cut there.
void DrawOutline(QPainter& painter, const Camera& camera, QSize size,
                 const std::vector<spl::OutlineSegment>& outline);

}  // namespace hostapp
