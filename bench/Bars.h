// Generated scenes for the benchmarks: closed bars of unit cubes, two of a
// size placed so that their end caps lie on each other (or not).
#pragma once

#include <string>

#include "host/scene/Scene.h"

namespace bars {

// A bar of `segments` unit cubes along x from `origin`, closed by two end
// caps: 4 * segments + 2 quads.
tsxhost::Mesh Bar(int segments, const CtsxVector3f& origin);

enum class Layout { EndToEnd, Apart, FarFromMidpoint };

// Resets the scene and adds the two objects "A" and "B" of about
// `facesPerObject` faces each, with their axes at their centres.
void SetUpPair(int facesPerObject, Layout layout, tsxSOBJ* a, tsxSOBJ* b);

}  // namespace bars
